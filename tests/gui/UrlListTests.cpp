#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "GuiFixture.h"
#include "batch/SelectedFiles.h"
#include "batch/UrlListWidget.h"

namespace qm::test {
namespace {

using UrlListTest = WindowTest;

QStringList Addresses(const UrlListModel& list)
{
    QStringList out;
    for (int i = 0; i < list.rowCount(); ++i)
        out.append(list.address(i));
    return out;
}

QStringList Formats(const UrlListModel& list)
{
    QStringList out;
    for (int i = 0; i < list.rowCount(); ++i)
        out.append(list.format(i));
    return out;
}

struct AddUrlCase
{
    const char* name;
    QString typed;
    QStringList rows;
};

TEST_F(UrlListTest, AddUrlDialogAddsEveryNonBlankLineAsTyped)
{
    const AddUrlCase cases[] = {
        { "blank line between addresses", "http://a.test/\r\n\r\nhttp://b.test/",
            { "http://a.test/", "http://b.test/" } },
        { "spaces kept, whitespace-only line skipped", "  http://a.test/ \n   \nc:\\web\\index.htm\n",
            { "  http://a.test/ ", "c:\\web\\index.htm" } },
        { "same address twice", "http://a.test/\nhttp://a.test/", { "http://a.test/", "http://a.test/" } },
        { "only blank lines", "\n\n", {} },
    };
    home.set("set", "outputformat", "JPG");
    app::MainWindow* window = makeWindow();
    window->show();
    for (const AddUrlCase& c : cases) {
        SCOPED_TRACE(c.name);
        window->list().clearAll();
        window->findChild<QAction*>(QStringLiteral("addUrl"))->trigger();
        QWidget* dialog = find<QWidget>(QStringLiteral("addUrlDialog"));
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QPlainTextEdit*>(QStringLiteral("addresses"))->setPlainText(c.typed);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(Addresses(window->list()), c.rows);
        EXPECT_EQ(Formats(window->list()), QStringList(c.rows.size(), QStringLiteral("JPG")));
        EXPECT_EQ(find<QWidget>(QStringLiteral("addUrlDialog")), nullptr);
    }

    // Cancel adds nothing, and the next opening starts empty.
    window->list().clearAll();
    window->findChild<QAction*>(QStringLiteral("addUrl"))->trigger();
    QWidget* dialog = find<QWidget>(QStringLiteral("addUrlDialog"));
    dialog->findChild<QPlainTextEdit*>(QStringLiteral("addresses"))->setPlainText("http://c.test/");
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->list().rowCount(), 0);
    window->findChild<QAction*>(QStringLiteral("addUrl"))->trigger();
    EXPECT_TRUE(find<QWidget>(QStringLiteral("addUrlDialog"))
                    ->findChild<QPlainTextEdit*>("addresses")
                    ->toPlainText()
                    .isEmpty());
}

struct DropCase
{
    const char* name;
    QStringList files;
    QStringList rows;
    bool message;
};

TEST_F(UrlListTest, DroppedFilesMustBeHtmlAndTheFirstOtherFileStopsTheDrop)
{
    const DropCase cases[] = {
        { "text file first adds nothing", { "/tmp/notes.txt", "/tmp/a.htm" }, {}, true },
        { "htm then text keeps the htm", { "/tmp/a.htm", "/tmp/notes.txt", "/tmp/b.html" }, { "/tmp/a.htm" }, true },
        { "shtml and xhtm end in HTML and HTM", { "/tmp/c.shtml", "/tmp/D.XHTM" }, { "/tmp/c.shtml", "/tmp/D.XHTM" },
            false },
    };
    home.set("set", "outputformat", "PNG");
    app::MainWindow* window = makeWindow();
    window->show();
    auto* list = window->findChild<UrlListWidget*>(MainName("urlList"));
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.name);
        window->list().clearAll();
        const qsizetype before = dialogs.messages().size();
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : c.files)
            urls.append(QUrl::fromLocalFile(file));
        data.setUrls(urls);
        const QPoint at = list->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
        EXPECT_EQ(Addresses(window->list()), c.rows);
        // Dropped rows have no output format until the settings or a list load give them one.
        EXPECT_EQ(Formats(window->list()), QStringList(c.rows.size(), QString()));
        if (c.message) {
            ASSERT_EQ(dialogs.messages().size(), before + 1);
            EXPECT_EQ(dialogs.messages().last().text, QStringLiteral("Only HTML files are allowed!"));
            EXPECT_EQ(dialogs.messages().last().icon, UserDialogs::Icon::Information);
        } else {
            EXPECT_EQ(dialogs.messages().size(), before);
        }
    }
}

TEST_F(UrlListTest, SavedListHasExactBytesAndLoadsBackWithTheCurrentFormat)
{
    app::MainWindow* window = makeWindow();
    window->list().appendUrl("http://www.example.com/", "JPG");
    window->list().appendUrl("/home/u/page.htm", "PDF");
    window->list().setStatus(0, "OK");
    const QString file = home.file("projects.ulf");

    dialogs.setNextFiles({ file });
    window->findChild<QAction*>(QStringLiteral("saveList"))->trigger();
    ASSERT_EQ(dialogs.fileRequests().size(), 1);
    EXPECT_EQ(dialogs.fileRequests()[0].title, QStringLiteral("Save converting project file"));
    EXPECT_EQ(dialogs.fileRequests()[0].filter, QStringLiteral("Url List Files(*.ulf)"));
    EXPECT_TRUE(dialogs.fileRequests()[0].save);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].text, QStringLiteral("Url List File is saved!"));
    EXPECT_EQ(dialogs.messages()[0].icon, UserDialogs::Icon::Information);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("http://www.example.com/\tJPG\r\n/home/u/page.htm\tPDF\r\n"));
    saved.close();

    home.set("set", "outputformat", "PNG");
    window->list().clearAll();
    window->list().appendUrl("http://stays-until-load.test/", "GIF");
    dialogs.setNextFiles({ file });
    window->findChild<QAction*>(QStringLiteral("openProject"))->trigger();
    EXPECT_EQ(dialogs.fileRequests().last().title, QStringLiteral("Select a converting project file"));
    // The last chosen list file is offered again by the next dialog.
    EXPECT_EQ(dialogs.fileRequests().last().fileName, file);
    EXPECT_EQ(Addresses(window->list()), QStringList({ "http://www.example.com/", "/home/u/page.htm" }));
    EXPECT_EQ(Formats(window->list()), QStringList({ "PNG", "PNG" }));
    EXPECT_TRUE(window->list().status(0).isEmpty());
}

TEST_F(UrlListTest, CancelledDialogsAndUnreadableFiles)
{
    app::MainWindow* window = makeWindow();
    window->list().appendUrl("http://keep.test/", "PNG");

    window->findChild<QAction*>(QStringLiteral("saveProject"))->trigger(); // cancelled
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].text, QStringLiteral("Save Url List File Error!"));
    EXPECT_EQ(dialogs.messages()[0].icon, UserDialogs::Icon::Error);

    dialogs.setNextFiles({ home.file("no/such/folder/list.ulf") });
    window->findChild<QAction*>(QStringLiteral("saveList"))->trigger();
    EXPECT_EQ(dialogs.messageTexts().last(), QStringLiteral("Save Url List File Error!"));

    window->findChild<QAction*>(QStringLiteral("loadList"))->trigger(); // cancelled
    dialogs.setNextFiles({ home.file("missing.ulf") });
    window->findChild<QAction*>(QStringLiteral("loadList"))->trigger();
    EXPECT_EQ(Addresses(window->list()), QStringList({ "http://keep.test/" }));
    EXPECT_EQ(dialogs.messages().size(), 2); // a missing file says nothing

    // A binary file is refused out loud, and the list stays as it was.
    QFile binary(home.file("picture.ulf"));
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    binary.close();
    dialogs.setNextFiles({ binary.fileName() });
    window->findChild<QAction*>(QStringLiteral("loadList"))->trigger();
    EXPECT_EQ(Addresses(window->list()), QStringList({ "http://keep.test/" }));
    ASSERT_EQ(dialogs.messages().size(), 3);
    EXPECT_TRUE(dialogs.messages().last().text.contains("not a list of addresses"));
    EXPECT_EQ(dialogs.messages().last().icon, UserDialogs::Icon::Error);

    // A list file with an empty line loads all its other lines, and the window stays open.
    QFile gappy(home.file("gappy.ulf"));
    ASSERT_TRUE(gappy.open(QIODevice::WriteOnly));
    gappy.write("http://a.test/\tJPG\r\n\r\nhttp://b.test/\n");
    gappy.close();
    window->show();
    dialogs.setNextFiles({ gappy.fileName() });
    window->findChild<QAction*>(QStringLiteral("loadList"))->trigger();
    EXPECT_EQ(Addresses(window->list()), QStringList({ "http://a.test/", "http://b.test/" }));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(UrlListTest, AddHtmlFilesAppendsFullPathsAndKeepsTheListDialogTitle)
{
    home.set("set", "outputformat", "TIFF");
    app::MainWindow* window = makeWindow();
    dialogs.setNextFiles({ "/data/site/a.htm", "/data/site/b.html", "/data/site/c.htm" });
    window->findChild<QAction*>(QStringLiteral("addHtmlFiles"))->trigger();
    EXPECT_EQ(Addresses(window->list()), QStringList({ "/data/site/a.htm", "/data/site/b.html", "/data/site/c.htm" }));
    EXPECT_EQ(Formats(window->list()), QStringList(3, QStringLiteral("TIFF")));
    EXPECT_TRUE(dialogs.fileRequests()[0].multiple);
    EXPECT_TRUE(dialogs.fileRequests()[0].title.isEmpty());

    // After a list dialog, the HTML dialog keeps its title but not its file name.
    dialogs.setNextFiles({ home.file("x.ulf") });
    window->findChild<QAction*>(QStringLiteral("saveList"))->trigger();
    window->findChild<QAction*>(QStringLiteral("listAddHtmlFiles"))->trigger(); // cancelled
    EXPECT_EQ(dialogs.fileRequests().last().title, QStringLiteral("Save converting project file"));
    EXPECT_EQ(window->list().rowCount(), 3);
}

// A name typed without an extension is saved with the list's, so that Load's filter shows it; a name
// with an extension of its own keeps it.
TEST_F(UrlListTest, SavedListNamedWithoutExtensionGetsUlf)
{
    app::MainWindow* window = makeWindow();
    window->list().appendUrl("http://www.example.com/", "PNG");
    for (const auto& [typed, written] :
        { std::pair { "my list", "my list.ulf" }, std::pair { "pages.txt", "pages.txt" } }) {
        dialogs.setNextFiles({ home.file(typed) });
        window->findChild<QAction*>(QStringLiteral("saveList"))->trigger();
        EXPECT_EQ(dialogs.messages().last().text, QStringLiteral("Url List File is saved!"));
        EXPECT_TRUE(QFileInfo(home.file(written)).isFile()) << written;
    }
    EXPECT_FALSE(QFileInfo::exists(home.file("my list")));
    // The next dialog offers the name the list was saved under.
    window->findChild<QAction*>(QStringLiteral("openProject"))->trigger();
    EXPECT_EQ(dialogs.fileRequests().last().fileName, home.file("pages.txt"));
}

TEST(SelectedFiles, FolderEndsInOneSlashAndNamesKeepTheDialogsOrder)
{
    const SelectedFiles root = ParseSelectedFiles({ "/index.htm" });
    EXPECT_EQ(root.count, 1);
    EXPECT_EQ(root.folder + root.names[0], QStringLiteral("/index.htm"));
    const SelectedFiles three = ParseSelectedFiles({ "/w/c.htm", "/w/a.htm", "/w/b.html" });
    EXPECT_EQ(three.count, 3);
    EXPECT_EQ(three.folder, QStringLiteral("/w/"));
    EXPECT_EQ(three.names, QStringList({ "c.htm", "a.htm", "b.html" }));
    EXPECT_EQ(ParseSelectedFiles({}).count, 0);
}

TEST_F(UrlListTest, RemoveAndVisitNeedASelectedRow)
{
    app::MainWindow* window = makeWindow();
    window->findChild<QAction*>(QStringLiteral("visitSelected"))->trigger(); // empty list
    window->list().appendUrl("http://a.test/", "PNG");
    window->list().appendUrl("http://b.test/", "PNG");
    window->findChild<QAction*>(QStringLiteral("removeSelected"))->trigger(); // nothing selected
    window->findChild<QAction*>(QStringLiteral("listOpenSelected"))->trigger();
    EXPECT_EQ(window->list().rowCount(), 2);
    EXPECT_TRUE(miniBrowserAddresses.isEmpty());

    auto* list = window->findChild<UrlListWidget*>(MainName("urlList"));
    list->setCurrentIndex(window->list().index(0, 0));
    window->findChild<QAction*>(QStringLiteral("listOpenSelected"))->trigger();
    EXPECT_EQ(miniBrowserAddresses, QStringList({ "http://a.test/" }));
    EXPECT_EQ(hooks.browserStartAddress, QStringLiteral("http://a.test/"));
    window->findChild<QAction*>(QStringLiteral("listRemoveSelected"))->trigger();
    EXPECT_EQ(Addresses(window->list()), QStringList({ "http://b.test/" }));
    window->findChild<QAction*>(QStringLiteral("newProject"))->trigger();
    EXPECT_EQ(window->list().rowCount(), 0);
}

} // namespace
} // namespace qm::test
