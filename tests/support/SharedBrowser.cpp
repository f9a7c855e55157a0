#include "tests/support/SharedBrowser.h"

#include <gtest/gtest.h>

namespace qm::test {

namespace {

cdp::Browser* g_browser = nullptr;

class BrowserEnvironment : public ::testing::Environment
{
public:
    void TearDown() override
    {
        delete g_browser;
        g_browser = nullptr;
    }
};

[[maybe_unused]] const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new BrowserEnvironment);

} // namespace

cdp::Browser& SharedBrowser()
{
    if (!g_browser)
        g_browser = new cdp::Browser(cdp::BrowserOptions {});
    return *g_browser;
}

} // namespace qm::test
