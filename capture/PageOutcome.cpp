#include "capture/PageOutcome.h"

#include <QStringList>

namespace qm {

RowStatus RowStatusOf(const PageOutcome& outcome)
{
    if (!outcome.output)
        return { false, outcome.output.error().message };
    QStringList tip { outcome.httpStatusLine, outcome.note };
    tip.removeAll(QString());
    return { true, tip.join(QStringLiteral("; ")) };
}

} // namespace qm
