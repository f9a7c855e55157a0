#pragma once

#include <QJsonObject>
#include <QString>

namespace qm::cdp {

// "(FUNCTION)(ARGUMENT)": a page routine called with every value it needs in one JSON argument. Values
// are never pasted into a routine's source, so no selector, address or text can change what it does.
QString PageCall(const QString& function, const QJsonObject& argument);

} // namespace qm::cdp
