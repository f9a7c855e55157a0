#pragma once

#include "platform/cdp/Browser.h"

namespace qm::test {

// The Chromium every test of a test program shares: started on first use, ended with the program.
cdp::Browser& SharedBrowser();

} // namespace qm::test
