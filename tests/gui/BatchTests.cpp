#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "GuiFixture.h"
#include "app/ImageButtonWidget.h"
#include "batch/BatchDriver.h"
#include "capture/EnginePool.h"
#include "capture/PageConversion.h"
#include "desktop/settings/SettingsDialog.h"
#include "platform/cdp/Browser.h"
#include "settings/SettingsSource.h"
#include "tests/support/EventLoop.h"
#include "tests/support/LocalPages.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

using namespace std::chrono_literals;

// One real browser for every batch of this suite, each page in a tab of its own.
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

EnginePool& Pool()
{
    if (!g_pool)
        g_pool = new EnginePool({ cdp::BrowserOptions {} });
    return *g_pool;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Page(const char* colour, const char* text)
{
    return QStringLiteral("<!doctype html><html><body style='margin:0'><div style='height:900px;background:%1;"
                          "font:24px sans-serif'>%2</div></body></html>")
        .arg(QLatin1String(colour), QLatin1String(text))
        .toUtf8();
}

class BatchWindowTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (!cdp::Browser::findExecutable())
            GTEST_SKIP() << "no Chromium on this machine";
        out = home.file("out");
        home.set("set", "outputtype", "Image");
        home.set("set", "outputformat", "PNG");
        home.set("set", "outputfolder", out);
        home.set("set", "fileoption", "1");
        home.set("set", "jobs", "1"); // these cases follow one page at a time
        home.set("set", "existedfile", "0");
        home.set("set", "timeout", "30");
        home.set("set", "filename", "webimage");
        conversion = std::make_unique<PageConversion>(Pool(), home.path());
        app::MainWindow* window = makeWindow(conversion.get());
        conversion->setRowsPresent([window] { return window->list().rowCount() > 0; });
        window->show();
        QObject::connect(&window->list(), &QAbstractItemModel::dataChanged, [this, window](const QModelIndex& at) {
            seen.append(QStringLiteral("%1:%2").arg(at.row() + 1).arg(window->list().status(at.row())));
        });
        QObject::connect(window->findChild<QProgressBar*>(MainName("totalProgress")), &QProgressBar::valueChanged,
            [this](int value) { progress.append(value); });
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        conversion.reset();
    }

    // Types the addresses into the Add URL dialog, as a user does.
    void addAddresses(const QStringList& addresses)
    {
        m_window->findChild<QAction*>(QStringLiteral("addUrl"))->trigger();
        QWidget* dialog = find<QWidget>(QStringLiteral("addUrlDialog"));
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QPlainTextEdit*>(QStringLiteral("addresses"))->setPlainText(addresses.join('\n'));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void click(const char* image)
    {
        QTest::mouseClick(m_window->findChild<app::ImageButtonWidget*>(QLatin1String(image)), Qt::LeftButton);
    }
    bool runUntilIdle(std::chrono::milliseconds limit)
    {
        return waitForSignal(m_window->driver(), &BatchDriver::idle, limit);
    }
    // Runs the loop until row `row` (1-based) shows `status`.
    bool waitForStatus(int row, const QString& status, std::chrono::milliseconds limit)
    {
        if (m_window->list().status(row - 1) == status)
            return true;
        LoopRunner runner;
        auto c = QObject::connect(&m_window->list(), &QAbstractItemModel::dataChanged, [&] {
            if (m_window->list().status(row - 1) == status)
                runner.done();
        });
        const bool ok = runner.run(limit);
        QObject::disconnect(c);
        return ok;
    }
    QStringList statuses() const
    {
        QStringList out;
        for (int i = 0; i < m_window->list().rowCount(); ++i)
            out.append(m_window->list().status(i));
        return out;
    }
    QString caption() const { return m_window->findChild<QGroupBox*>(QStringLiteral("progressBox"))->title(); }
    bool panelVisible() const { return m_window->findChild<QWidget*>(MainName("progressPanel"))->isVisible(); }

    TestServer server;
    QString out;
    FileSettings settings { home.settingsPath() };
    std::unique_ptr<PageConversion> conversion;
    QStringList seen;
    QList<int> progress;
};

TEST_F(BatchWindowTest, ThreeRowsConvertThenConvertAgainInAnotherFormat)
{
    server.page("/red", Page("#d33", "red"));
    server.page("/green", Page("#3d3", "green"));
    server.page("/blue", Page("#33d", "blue"));
    addAddresses({ server.url("/red"), server.url("/green"), server.url("/blue") });
    ASSERT_EQ(m_window->list().rowCount(), 3);

    int progressAtMessage = -1;
    bool panelAtMessage = false;
    dialogs.onMessage([&](const FakeDialogs::Message&) {
        progressAtMessage = m_window->progress();
        panelAtMessage = panelVisible();
    });
    click("convertNowButton");
    EXPECT_TRUE(panelVisible());
    ASSERT_TRUE(runUntilIdle(120s)) << qPrintable(statuses().join(','));

    EXPECT_EQ(statuses(), QStringList({ "OK", "OK", "OK" })) << qPrintable(m_window->list().reason(0));
    for (int row = 1; row <= 3; ++row)
        EXPECT_LT(
            seen.indexOf(QStringLiteral("%1:Processing").arg(row)), seen.indexOf(QStringLiteral("%1:OK").arg(row)))
            << qPrintable(seen.join(' '));
    EXPECT_EQ(progress, QList<int>({ 33, 66, 99, 100, 0 }));
    EXPECT_EQ(dialogs.messageTexts(), QStringList({ "Conversion completed!" }));
    EXPECT_EQ(dialogs.messages()[0].icon, UserDialogs::Icon::Information);
    EXPECT_EQ(progressAtMessage, 100);
    EXPECT_TRUE(panelAtMessage);
    EXPECT_FALSE(panelVisible());
    EXPECT_EQ(caption(), QStringLiteral("Status"));
    EXPECT_EQ(openedFolders, QStringList({ out }));
    EXPECT_EQ(QDir(out).entryList({ "*.png" }, QDir::Files).size(), 3) << qPrintable(QDir(out).entryList().join(','));

    // The user picks JPG in the settings and converts the same list again.
    m_window->showSettings();
    auto* dialog = find<SettingsDialog>(QStringLiteral("settingsDialog"));
    ASSERT_NE(dialog, nullptr);
    QComboBox* format = dialog->controls().outputFormat;
    format->setCurrentIndex(format->findText("JPG"));
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(m_window->list().format(2), QStringLiteral("JPG"));
    progress.clear();
    click("convertNowButton");
    ASSERT_TRUE(runUntilIdle(120s)) << qPrintable(statuses().join(','));
    EXPECT_EQ(statuses(), QStringList({ "OK", "OK", "OK" }));
    EXPECT_EQ(QDir(out).entryList({ "*.jpg" }, QDir::Files).size(), 3) << qPrintable(QDir(out).entryList().join(','));
    EXPECT_EQ(progress, QList<int>({ 33, 66, 99, 100, 0 }));
}

TEST_F(BatchWindowTest, WithTheReportSettingTheBatchWritesItsReportAndOpenReportShowsIt)
{
    home.set("set", "report", "1");
    server.page("/red", Page("#d33", "red"));
    addAddresses({ server.url("/red"), server.url("/gone") });
    auto* open = m_window->findChild<QPushButton*>(QStringLiteral("openReport"));
    ASSERT_NE(open, nullptr);
    EXPECT_FALSE(open->isVisible());
    // The report is whole, and its time ended, before the end message waits for the user.
    QJsonObject atMessage;
    dialogs.onMessage([&](const FakeDialogs::Message&) {
        atMessage = QJsonDocument::fromJson(ReadFile(out + "/report.json")).object();
    });
    click("convertNowButton");
    ASSERT_TRUE(runUntilIdle(120s)) << qPrintable(statuses().join(','));
    EXPECT_TRUE(atMessage["finished"].toBool());
    EXPECT_EQ(QJsonDocument::fromJson(ReadFile(out + "/report.json")).object()["seconds"], atMessage["seconds"]);

    const QJsonObject summary = QJsonDocument::fromJson(ReadFile(out + "/report.json")).object()["summary"].toObject();
    EXPECT_EQ(summary["ok"].toInt(), 1);
    EXPECT_EQ(summary["failed"].toInt(), 1);
    EXPECT_TRUE(ReadFile(out + "/report.html").contains("HTTP 404"));
    ASSERT_TRUE(open->isVisible());
    QTest::mouseClick(open, Qt::LeftButton);
    EXPECT_EQ(openedFolders.value(openedFolders.size() - 1), out + "/report.html");
}

// A server whose reason phrase would colour a terminal and set its title: the row's tool tip shows
// those characters escaped; the reason itself is kept as it came.
TEST_F(BatchWindowTest, ControlCharactersOfAReasonShowEscapedInTheRowsToolTip)
{
    server.route(
        "/gone", TestServer::Route { .status = 404, .body = "<p>gone", .reason = "Not Found\x1b[31m\x1b]0;owned\x07" });
    addAddresses({ server.url("/gone") });
    click("convertNowButton");
    ASSERT_TRUE(runUntilIdle(120s)) << qPrintable(statuses().join(','));
    const UrlListModel& list = m_window->list();
    ASSERT_EQ(statuses(), QStringList({ "Failed" }));
    EXPECT_EQ(list.reason(0), QStringLiteral("HTTP 404 Not Found\x1b[31m\x1b]0;owned\x07"));
    EXPECT_EQ(list.data(list.index(0, UrlListModel::StatusColumn), Qt::ToolTipRole).toString(),
        QStringLiteral("HTTP 404 Not Found\\x1b[31m\\x1b]0;owned\\x07"));
}

TEST_F(BatchWindowTest, CancelInTheMiddleMarksTheRowAndNeitherCompletesNorOpensTheFolder)
{
    server.page("/first", Page("#ddd", "first"));
    server.stall("/stalled");
    server.page("/third", Page("#ddd", "third"));
    addAddresses({ server.url("/first"), server.url("/stalled"), server.url("/third") });

    click("convertNowButton");
    ASSERT_TRUE(waitForStatus(2, "Processing", 60s)) << qPrintable(statuses().join(','));
    EXPECT_EQ(caption(), QStringLiteral("Processing ") + server.url("/stalled"));
    click("cancelButton"); // CANCEL
    ASSERT_TRUE(runUntilIdle(30s));

    EXPECT_EQ(statuses(), QStringList({ "OK", "Cancel", "" }));
    EXPECT_EQ(dialogs.messageTexts(), QStringList({ "Conversion Canceled by the user!" }));
    EXPECT_EQ(dialogs.messages()[0].icon, UserDialogs::Icon::Error);
    EXPECT_FALSE(panelVisible());
    EXPECT_EQ(caption(), QStringLiteral("Status"));
    EXPECT_EQ(m_window->progress(), 0);
    EXPECT_TRUE(openedFolders.isEmpty());
    EXPECT_FALSE(m_window->batchState().running);

    // Until the next start, the browser's status texts read "User cancel".
    m_window->statusTextChanged(QStringLiteral("Loading"));
    EXPECT_EQ(m_window->findChild<QLabel*>(MainName("statusLabel"))->text(), QStringLiteral("User cancel"));
    EXPECT_EQ(m_window->findChild<QLabel*>(MainName("progressLabel"))->text(), QStringLiteral("User cancel"));
}

TEST_F(BatchWindowTest, AModalWindowHoldsTheNextRowUntilItCloses)
{
    server.page("/one", Page("#ddd", "one"));
    server.page("/two", Page("#ddd", "two"));
    addAddresses({ server.url("/one"), server.url("/two") });

    click("convertNowButton");
    ASSERT_TRUE(waitForStatus(1, "Processing", 30s));
    m_window->showSettings();
    QWidget* settings = find<QWidget>(QStringLiteral("settingsDialog"));
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(waitForStatus(1, "OK", 60s)) << qPrintable(m_window->list().reason(0));
    // The row in flight finished; the driver's next pass finds the settings window open and issues nothing.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m_window->list().status(1), QString());
    EXPECT_EQ(m_window->batchState().rowCursor, 2);

    settings->close();
    ASSERT_TRUE(runUntilIdle(60s));
    EXPECT_EQ(statuses(), QStringList({ "OK", "OK" }));
}

TEST_F(BatchWindowTest, LocalFilesAddedEveryWayConvertAndAMissingOneFailsWithItsReason)
{
    // Every route a user has for a local page, in a folder and under names with a space, "#", "%" and
    // letters outside ASCII; each page its own colour. The list keeps the paths as they were added.
    const QString folder = home.file(kAwkwardFolder);
    const QString listed = WriteColourPage(folder + "/listed #1 \u00fc.html", QColor("#dd3333"));
    const QString chosen = WriteColourPage(folder + "/chosen %20 \u00f6.html", QColor("#33dd33"));
    const QString dropped = WriteColourPage(folder + "/dropped?.htm", QColor("#3333dd"));
    const QString typed = WriteColourPage(folder + "/typed \u65e5\u672c.html", QColor("#dddd33"));
    const QString missing = folder + "/gone.html";
    QFile ulf(home.file("pages.ulf"));
    ASSERT_TRUE(ulf.open(QIODevice::WriteOnly));
    ulf.write((listed + "\tPNG\r\n").toUtf8());
    ulf.close();
    dialogs.setNextFiles({ ulf.fileName() });
    m_window->findChild<QAction*>(QStringLiteral("loadList"))->trigger();
    dialogs.setNextFiles({ chosen });
    m_window->findChild<QAction*>(QStringLiteral("addHtmlFiles"))->trigger();
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(dropped) });
    QWidget* viewport = m_window->findChild<QAbstractItemView*>(MainName("urlList"))->viewport();
    QDragEnterEvent enter(viewport->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(viewport->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    addAddresses({ typed, missing });
    const QStringList rows { listed, chosen, dropped, typed, missing };
    ASSERT_EQ(m_window->list().rowCount(), rows.size()) << qPrintable(m_window->list().address(0));
    for (int i = 0; i < m_window->list().rowCount(); ++i)
        EXPECT_EQ(m_window->list().address(i), rows[i]);

    click("convertNowButton");
    ASSERT_TRUE(runUntilIdle(120s)) << qPrintable(statuses().join(','));
    EXPECT_EQ(statuses(), QStringList({ "OK", "OK", "OK", "OK", "Failed" })) << qPrintable(m_window->list().reason(0));
    EXPECT_EQ(m_window->list().reason(4), "file not found: " + missing);
    EXPECT_EQ(dialogs.messageTexts(),
        QStringList { "Conversion completed: 4 converted, 1 failed\n\n" + missing + ": file not found: " + missing });
    // Named after the file, readable: "listed #1 ü_html.png", not "listed%20%231...".
    const struct
    {
        QString stem;
        QColor colour;
    } outputs[] = { { "listed #1 \u00fc_html", QColor("#dd3333") }, { "chosen %20 \u00f6_html", QColor("#33dd33") },
        { "dropped__htm", QColor("#3333dd") }, { "typed \u65e5\u672c_html", QColor("#dddd33") } };
    const QStringList written = QDir(out).entryList({ "*.png" }, QDir::Files);
    ASSERT_EQ(written.size(), 4) << qPrintable(written.join(','));
    for (const auto& o : outputs) {
        const QStringList named = written.filter(o.stem + ".png");
        ASSERT_EQ(named.size(), 1) << qPrintable(o.stem) << " in " << qPrintable(written.join(','));
        EXPECT_TRUE(ShowsColour(out + "/" + named[0], o.colour)) << qPrintable(named[0]);
    }
}

// A right-to-left page added as a local file comes out as the browser lays it out: its 300 px box at the
// right edge, where a shifted capture showed white and cut it.
TEST_F(BatchWindowTest, RightToLeftLocalPageKeepsItsBoxAtTheRightEdge)
{
    const QString page = home.file(kAwkwardFolder) + "/\u0635\u0641\u062d\u0629 #1.html";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(page).path()));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<!doctype html><html dir='rtl'><body style='margin:0'><div style='width:300px;height:200px;"
               "background:#dd3333'></div><p>\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7</p></body></html>");
    file.close();
    dialogs.setNextFiles({ page });
    m_window->findChild<QAction*>(QStringLiteral("addHtmlFiles"))->trigger();
    click("convertNowButton");
    ASSERT_TRUE(runUntilIdle(120s)) << qPrintable(statuses().join(','));
    ASSERT_EQ(statuses(), QStringList({ "OK" })) << qPrintable(m_window->list().reason(0));
    const QStringList written = QDir(out).entryList({ "*.png" }, QDir::Files);
    ASSERT_EQ(written.size(), 1);
    const QImage picture(out + "/" + written[0]);
    ASSERT_EQ(picture.width(), 1280);
    EXPECT_EQ(picture.pixelColor(1279, 100), QColor("#dd3333")) << "the right edge is cut";
    EXPECT_EQ(picture.pixelColor(980, 100), QColor("#dd3333"));
    EXPECT_EQ(picture.pixelColor(979, 100), QColor(Qt::white)) << "the page is shifted";
}

} // namespace
} // namespace qm::test
