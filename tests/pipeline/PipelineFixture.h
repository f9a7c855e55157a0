#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>

#include <gtest/gtest.h>

#include "batch/BatchDriver.h"
#include "capture/EnginePool.h"
#include "capture/PageConversion.h"
#include "settings/SettingsSource.h"
#include "tests/pipeline/BatchFakes.h"
#include "tests/support/RemoteChromium.h"
#include "tests/support/TempHome.h"
#include "tests/support/TestServer.h"

namespace qm::test {

using namespace std::chrono_literals;

// The one local Chromium (in a pool) that the pipeline tests share; ended with the test program.
EnginePool& SharedPool();
// The shared pool with its browser started: timed cases never count the browser's cold start.
EnginePool& WarmSharedPool();

// A batch of real pages: the driver, the page runner over a pool and a settings file in a temporary home.
struct RealBatch
{
    RealBatch(EnginePool& pool, const TempHome& home);
    void add(const QString& address) { list.appendUrl(address, QStringLiteral("PNG")); }
    bool run(std::chrono::milliseconds limit = 90s); // startBatch, then the loop until the batch is idle
    QStringList statuses() const;

    FileSettings settings;
    UrlListModel list;
    BatchState state;
    RecordingView view;
    PageConversion conversion;
    BatchDriver driver;
    QList<PageOutcome> outcomes;
};

// The names in a folder, sorted; hidden files included (a leftover temporary file must show).
QStringList FilesIn(const QString& folder);

// A page of one colour, `height` CSS pixels tall, with a line of text.
QByteArray ColourPage(const QString& colour, int height, const QString& text = QStringLiteral("Quillmark test page"));

} // namespace qm::test
