// Batches of real pages: time limits, refused addresses, cancel, parallel jobs, remote and dying browsers.
#include <QImage>
#include <QSet>
#include <QTcpServer>
#include <csignal>

#include "platform/cdp/Browser.h"
#include "tests/pipeline/PipelineFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

// An address on loopback where nothing listens.
QString RefusedAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/").arg(port);
}

void PictureSettings(const TempHome& home, const QString& name)
{
    home.set("set", "outputfolder", home.file("out"));
    home.set("set", "fileoption", "0");
    home.set("set", "filename", name);
    home.set("set", "existedfile", "0");
    home.set("set", "outputformat", "PNG");
    home.set("set", "jobs", "1"); // one page at a time unless a test says otherwise
}

// Runs the loop until the row shows the status.
bool WaitForStatus(RealBatch& batch, int row, const QString& status)
{
    if (batch.list.status(row) == status)
        return true;
    LoopRunner loop;
    auto connection = QObject::connect(&batch.list, &UrlListModel::dataChanged, [&] {
        if (batch.list.status(row) == status)
            loop.done();
    });
    const bool ok = loop.run(30s);
    QObject::disconnect(connection);
    return ok;
}

TEST(BatchPipeline, StalledAndRefusedPagesFailWithTheirReasonWhileTheRestConvert)
{
    TestServer server;
    server.page("/one", ColourPage("red", 700));
    server.stall("/stall");
    server.page("/two", ColourPage("blue", 700));
    TempHome home;
    PictureSettings(home, "page");
    // Long enough for a healthy page on a loaded machine; the stalled one waits it out.
    home.set("set", "timeout", "10");

    RealBatch batch(WarmSharedPool(), home);
    batch.add(server.url("/one"));
    batch.add(server.url("/stall"));
    batch.add(RefusedAddress());
    batch.add(server.url("/two"));
    ASSERT_TRUE(batch.run());
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "Failed", "Failed", "OK" }));
    EXPECT_EQ(batch.list.reason(1), "the page did not finish loading within 10 s");
    EXPECT_TRUE(batch.list.reason(2).contains("REFUSED", Qt::CaseInsensitive)) << batch.list.reason(2).toStdString();
    EXPECT_EQ(batch.view.progressValues, QList<int>({ 0, 25, 50, 75, 100, 100, 0 }));
    EXPECT_EQ(FilesIn(home.file("out")), QStringList({ "page.png", "page_0.png" }));
}

TEST(BatchPipeline, CancelInTheMiddleLetsTheLoadingPageFinishAndIssuesNoMore)
{
    TestServer server;
    server.page("/one", ColourPage("red", 600));
    server.route("/slow", TestServer::Route { .body = ColourPage("green", 600), .delayMs = 1500 });
    server.page("/three", ColourPage("blue", 600));
    TempHome home;
    PictureSettings(home, "page");
    RealBatch batch(SharedPool(), home);
    batch.add(server.url("/one"));
    batch.add(server.url("/slow"));
    batch.add(server.url("/three"));
    batch.driver.startBatch();
    ASSERT_TRUE(WaitForStatus(batch, 1, "Processing"));
    EXPECT_EQ(batch.view.progress(), 33);

    batch.driver.cancelBatch();
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "Cancel", "" }));
    ASSERT_TRUE(waitForSignal(&batch.driver, &BatchDriver::idle, 30s));
    EXPECT_EQ(batch.view.entries("error "), QStringList { "Conversion Canceled by the user!" });
    EXPECT_TRUE(batch.view.entries("information ").isEmpty());
    EXPECT_EQ(batch.view.progress(), 0);

    // The page that was loading is still converted; its row turns "OK" and the bar moves on from 0.
    ASSERT_TRUE(WaitForStatus(batch, 1, "OK"));
    EXPECT_EQ(batch.view.progress(), 33);
    EXPECT_EQ(batch.list.status(2), "");
    EXPECT_EQ(server.hits("/three"), 0);
    EXPECT_EQ(FilesIn(home.file("out")), QStringList({ "page.png", "page_0.png" }));
}

class ParallelJobs : public ::testing::TestWithParam<int>
{
};

TEST_P(ParallelJobs, EveryPageWrittenOnceUnderDistinctNames)
{
    const QStringList colours { "#ff0000", "#00ff00", "#0000ff", "#ffff00", "#ff00ff", "#00ffff", "#808080",
        "#800000" };
    TestServer server;
    for (int i = 0; i < colours.size(); ++i)
        server.page(QStringLiteral("/p%1").arg(i), ColourPage(colours[i], 900 + 150 * i, ""));
    TempHome home;
    PictureSettings(home, "same"); // every page wants the same name
    home.set("set", "jobs", QString::number(GetParam()));
    RealBatch batch(SharedPool(), home);
    for (int i = 0; i < colours.size(); ++i)
        batch.add(server.url(QStringLiteral("/p%1").arg(i)));
    ASSERT_TRUE(batch.run());
    EXPECT_EQ(batch.statuses(), QStringList(colours.size(), "OK"));
    for (int i = 0; i < batch.list.rowCount(); ++i)
        EXPECT_EQ(batch.list.reason(i).toStdString(), "HTTP 200 OK") << i; // the tool tip shows the status

    const QStringList files = FilesIn(home.file("out"));
    ASSERT_EQ(files.size(), colours.size()) << files.join(' ').toStdString();
    // Each page's colour and height appear in exactly one file: no page was lost, doubled or mixed up.
    QSet<QString> seen;
    for (const QString& name : files) {
        ASSERT_TRUE(name.startsWith("same") && name.endsWith(".png")) << name.toStdString();
        const QImage image(home.file("out/" + name));
        const QString colour = QColor(image.pixel(5, 5)).name();
        const int index = int(colours.indexOf(colour));
        ASSERT_GE(index, 0) << colour.toStdString();
        EXPECT_EQ(image.height(), 900 + 150 * index);
        seen.insert(colour);
    }
    EXPECT_EQ(seen.size(), colours.size());
}

INSTANTIATE_TEST_SUITE_P(Jobs, ParallelJobs, ::testing::Values(2, 4));

// Captures of one browser's tabs run side by side: tall pages, scrolled through for their lazy images,
// each come out whole, top to bottom in their own colour.
TEST(BatchPipeline, TallPagesCapturedSideBySideInOneBrowserComeOutWhole)
{
    const QStringList colours { "#c03030", "#30c030", "#3030c0", "#c0c030" };
    TestServer server;
    for (int i = 0; i < colours.size(); ++i)
        server.page(QStringLiteral("/p%1").arg(i),
            QStringLiteral("<!doctype html><body style='margin:0'><div style='height:%1px;background:"
                           "linear-gradient(%2 50%, #000 50%)'></div><img loading=lazy src='/none.png' "
                           "style='display:block;height:100px'><div style='height:300px;background:%2'></div>")
                .arg(QString::number(9000 + 700 * i), colours[i])
                .toUtf8());
    TempHome home;
    PictureSettings(home, "tall");
    home.set("set", "jobs", "4");
    RealBatch batch(SharedPool(), home);
    for (int i = 0; i < colours.size(); ++i)
        batch.add(server.url(QStringLiteral("/p%1").arg(i)));
    ASSERT_TRUE(batch.run());
    EXPECT_EQ(batch.statuses(), QStringList(colours.size(), "OK"));
    const QStringList files = FilesIn(home.file("out"));
    ASSERT_EQ(files.size(), colours.size());
    for (const QString& name : files) {
        const QImage image(home.file("out/" + name));
        const QColor top(image.pixel(5, 5));
        ASSERT_TRUE(colours.contains(top.name())) << name.toStdString() << " " << top.name().toStdString();
        EXPECT_EQ(image.height(), 9000 + 700 * colours.indexOf(top.name()) + 400) << name.toStdString();
        EXPECT_EQ(QColor(image.pixel(5, image.height() - 5)), top) << name.toStdString();
        EXPECT_EQ(QColor(image.pixel(5, image.height() - 450)), QColor(Qt::black)) << name.toStdString();
    }
}

TEST(BatchPipeline, RemoteBrowserOnLoopbackConvertsTheBatch)
{
    RemoteChromium remote;
    ASSERT_FALSE(remote.endpoint().isEmpty()) << "the remote Chromium never said where it listens";
    EnginePool pool({ cdp::BrowserOptions { .endpoint = remote.endpoint() } });
    TestServer server;
    server.page("/a", ColourPage("teal", 900));
    server.page("/b", ColourPage("navy", 1900));
    TempHome home;
    PictureSettings(home, "remote");
    RealBatch batch(pool, home);
    batch.add(server.url("/a"));
    batch.add(server.url("/b"));
    ASSERT_TRUE(batch.run());
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "OK" })) << batch.list.reason(0).toStdString();
    EXPECT_EQ(QImage(home.file("out/remote_0.png")).size(), QSize(1280, 1900));
}

TEST(BatchPipeline, DeadBrowserFailsItsPageAndIsStartedAgainForTheNext)
{
    EnginePool pool({ cdp::BrowserOptions {} });
    TestServer server;
    server.page("/a", ColourPage("red", 500));
    server.stall("/hang");
    server.page("/c", ColourPage("blue", 500));
    TempHome home;
    PictureSettings(home, "page");
    RealBatch batch(pool, home);
    batch.add(server.url("/a"));
    batch.add(server.url("/hang"));
    batch.add(server.url("/c"));
    batch.driver.startBatch();
    ASSERT_TRUE(WaitForStatus(batch, 1, "Processing"));
    const qint64 pid = pool.browser(0)->processId();
    ASSERT_GT(pid, 0);
    ::kill(pid_t(pid), SIGKILL);
    ASSERT_TRUE(waitForSignal(&batch.driver, &BatchDriver::idle, 60s));
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "Failed", "OK" })) << batch.list.reason(2).toStdString();
    EXPECT_FALSE(batch.list.reason(1).isEmpty());
    EXPECT_NE(pool.browser(0)->processId(), pid);
}

} // namespace
} // namespace qm::test
