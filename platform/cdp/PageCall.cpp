#include "platform/cdp/PageCall.h"

#include <QJsonDocument>

namespace qm::cdp {

QString PageCall(const QString& function, const QJsonObject& argument)
{
    // JSON text is a JavaScript expression (U+2028 and U+2029 included, since ES2019).
    return QLatin1Char('(') + function + QStringLiteral(")(")
        + QString::fromUtf8(QJsonDocument(argument).toJson(QJsonDocument::Compact)) + QLatin1Char(')');
}

} // namespace qm::cdp
