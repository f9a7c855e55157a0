#include "tests/pipeline/PipelineFixture.h"

#include <QDir>
#include <QRegularExpression>
#include <csignal>

#include <unistd.h>

#include "platform/cdp/Browser.h"
#include "platform/cdp/ProcessGroup.h"
#include "tests/support/EventLoop.h"

namespace qm::test {

namespace {

EnginePool* g_pool = nullptr;

class PoolEnvironment : public ::testing::Environment
{
public:
    void TearDown() override
    {
        delete g_pool;
        g_pool = nullptr;
    }
};

[[maybe_unused]] const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new PoolEnvironment);

} // namespace

EnginePool& SharedPool()
{
    if (!g_pool) {
        g_pool = new EnginePool({ cdp::BrowserOptions {} });
        // Started here, so that no page's time limit pays for the browser's cold start.
        LoopRunner started;
        g_pool->start([&](Result<void>) { started.done(); });
        started.run(60s);
    }
    return *g_pool;
}

EnginePool& WarmSharedPool()
{
    EnginePool& pool = SharedPool();
    LoopRunner runner;
    pool.start([&](Result<void> started) {
        EXPECT_TRUE(started) << started.error().message.toStdString();
        runner.done();
    });
    EXPECT_TRUE(runner.run(std::chrono::seconds(60))) << "the browser did not start within 60 s";
    return pool;
}

RealBatch::RealBatch(EnginePool& pool, const TempHome& home)
    : settings(home.settingsPath())
    , conversion(pool, home.path())
    , driver(list, state, view, conversion, settings, home.path())
{
    QObject::connect(&driver, &BatchDriver::pageFinished, &driver,
        [this](UrlListModel::RowId, const QString&, const PageOutcome& outcome) { outcomes.append(outcome); });
}

bool RealBatch::run(std::chrono::milliseconds limit)
{
    driver.startBatch();
    return waitForSignal(&driver, &BatchDriver::idle, limit);
}

QStringList RealBatch::statuses() const
{
    QStringList out;
    for (int i = 0; i < list.rowCount(); ++i)
        out.append(list.status(i));
    return out;
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray ColourPage(const QString& colour, int height, const QString& text)
{
    return QStringLiteral("<!doctype html><html><body style='margin:0'><div style='height:%1px;background:%2;"
                          "font:20px sans-serif;color:white'>%3</div></body></html>")
        .arg(height)
        .arg(colour, text)
        .toUtf8();
}

} // namespace qm::test
