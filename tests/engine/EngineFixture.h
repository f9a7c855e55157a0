#pragma once

#include <QImage>
#include <QStringList>
#include <chrono>

#include <gtest/gtest.h>

#include "platform/cdp/Browser.h"
#include "platform/cdp/Snapshot.h"
#include "platform/cdp/Tab.h"
#include "tests/support/SharedBrowser.h"
#include "tests/support/TestServer.h"

namespace qm::test {

using namespace std::chrono_literals;

// Opens a tab on a browser, running the event loop until it is there.
cdp::Tab* OpenTab(cdp::Browser& browser);

// What one navigation ended in.
struct LoadOutcome
{
    bool finished = false; // either signal arrived
    bool complete = false;
    QString url;
    cdp::PageLoad load;
    qm::Error error;
    QStringList frameCompletions; // documentComplete(topLevel = false) urls
    int topLevelCompletions = 0;
};

LoadOutcome Load(cdp::Tab& tab, const QString& url, std::chrono::milliseconds limit = 20s);
qm::Result<cdp::Snapshot> Capture(cdp::Tab& tab, cdp::SnapshotRequest request = {});
qm::Result<QJsonValue> Evaluate(cdp::Tab& tab, const QString& expression);

// Decodes what a capture gave (either form) to RGB32.
QImage Pixels(const cdp::Snapshot& snapshot);

// Colour distance: the largest per-channel difference.
int ColourDistance(QRgb a, QRgb b);

// A fresh tab on the shared browser and a test server per test.
class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads `html` served at `path` and expects it to complete.
    void LoadPage(const QString& path, const QByteArray& html);

    TestServer server;
    cdp::Tab* tab = nullptr;
};

} // namespace qm::test
