#include "platform/cdp/PageCall.h"

#include <QFile>
#include <QJsonDocument>

namespace qm::cdp {

QString PageCall(const QString& function, const QJsonObject& argument)
{
    // JSON text is a JavaScript expression (U+2028 and U+2029 included, since ES2019). The routine ends
    // on a line of its own: a comment on its last line cannot swallow the call.
    return QLatin1Char('(') + function + QStringLiteral("\n)(")
        + QString::fromUtf8(QJsonDocument(argument).toJson(QJsonDocument::Compact)) + QLatin1Char(')');
}

QString PageRoutine(const QString& resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("page routine %s is not compiled in", qPrintable(resource));
    return QString::fromUtf8(file.readAll());
}

QString PageRoutineCall(const QString& resource, const QJsonObject& argument)
{
    return PageCall(PageRoutine(resource), argument);
}

} // namespace qm::cdp
