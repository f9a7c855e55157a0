#pragma once

#include <QString>

namespace qm::cdp {

// A script every document of a tab runs before its own scripts. It notes what capture code needs to
// know later without polling: short timers still pending, the time of the last DOM change after the
// load event, and whether the page watches scrolling (then lazy content needs a scroll pass). It keeps
// these as window[Symbol.for('quillmark.tracker')], where the routines that wait on the page read them.
QString PageTrackerScript();

} // namespace qm::cdp
