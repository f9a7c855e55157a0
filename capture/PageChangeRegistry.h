#pragma once

#include <QJsonObject>
#include <QString>

namespace qm {

// Whatever capture changes in a page is noted in one registry in the page (PageChangeRegistry.js), by
// step, so that it can be given back exactly: the page controls' changes, then the capture's own
// (opened scrolling boxes, the body's look).
inline constexpr char kControlsStep[] = "controls";
inline constexpr char kCaptureStep[] = "capture";

// An expression calling the page routine in `resource` with `argument`, with the registry installed
// first; it yields the routine's value.
QString PageChangeCall(const QString& resource, const QJsonObject& argument);

// An expression that gives back the changes of `step`, or of every step when it is empty; it yields how
// many there were.
QString GiveBackPageScript(const QString& step = {});

} // namespace qm
