#pragma once

#include <chrono>
#include <functional>

namespace qm::cdp {

class Tab;

// Lets the loaded page settle before it is captured or printed: web fonts ready, short timers the page
// set (content due shortly after load) fired, no DOM changes for a short moment, and no network
// requests in flight. Always ends by `deadline`: a page that never settles is taken as it is then.
// `done` runs on the event loop; nothing runs after the tab is gone.
void SettlePage(Tab& tab, std::chrono::steady_clock::time_point deadline, std::function<void()> done);

} // namespace qm::cdp
