#pragma once

#include <QJsonObject>
#include <QString>

namespace qm::cdp {

// "(FUNCTION)(ARGUMENT)": a page routine called with every value it needs in one JSON argument. Values
// are never pasted into a routine's source, so no selector, address or text can change what it does.
QString PageCall(const QString& function, const QJsonObject& argument);

// The source of a page routine compiled in as a resource (":/platform/cdp/PageSettle.js"): one function
// of one argument. A missing resource is a build fault and stops the program.
QString PageRoutine(const QString& resource);

// PageCall of the routine in `resource`.
QString PageRoutineCall(const QString& resource, const QJsonObject& argument);

} // namespace qm::cdp
