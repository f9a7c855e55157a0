#include "scheduler/ScheduleWindow.h"

#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTreeView>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "scheduler/ScheduleFile.h"
#include "scheduler/ScheduleListModel.h"
#include "scheduler/ScheduleStore.h"
#include "scheduler/SchedulerDialog.h"
#include "tests/scheduler/SchedulerFakes.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

class ScheduleWindowTest : public ::testing::Test
{
protected:
    test::TempHome home;
    QString path = home.file(QStringLiteral("schedule.dat"));
    FixedClock clock { QDateTime(QDate(2026, 12, 6), QTime(21, 30, 15)) };
    test::RecordingDialogs dialogs;
    ScheduleListModel model;
    ScheduleStore store { path, model };
    ScheduleWindow window { model, store, clock, dialogs };

    void writeFile(const QByteArray& bytes) const
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray fileBytes() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList shownRow(int row) const
    {
        QStringList cells;
        QAbstractItemModel* shown = window.list()->model();
        for (int column = 0; column < shown->columnCount(); ++column)
            cells.append(shown->index(row, column).data().toString());
        return cells;
    }
    void click(QWidget* parent, const char* name) const
    {
        auto* button = parent->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
    SchedulerDialog* openDialog()
    {
        click(&window, "add");
        return window.entryDialog();
    }
    void selectRow(int row) const
    {
        window.list()->selectionModel()->select(
            model.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
};

struct LoadCase
{
    const char* name;
    QByteArray file;
    QList<QStringList> rows;
};

class ScheduleLoadTable : public ScheduleWindowTest, public ::testing::WithParamInterface<LoadCase>
{
};

TEST_P(ScheduleLoadTable, ShowsWhatTheFileHolds)
{
    const LoadCase& c = GetParam();
    writeFile(c.file);
    (void)store.load();
    ASSERT_EQ(window.list()->model()->rowCount(), c.rows.size());
    for (int row = 0; row < c.rows.size(); ++row)
        EXPECT_EQ(shownRow(row), c.rows[row]) << "row " << row;
    EXPECT_EQ(fileBytes(), c.file) << "loading alone never rewrites the file";
}

INSTANTIATE_TEST_SUITE_P(Scheduler, ScheduleLoadTable,
    ::testing::Values(LoadCase { "regional_form", "12/6/2026 9:38:00 PM\thttp://example.test/\tWaiting\tnightly\r\n",
                          { { "12/6/2026 9:38:00 PM", "http://example.test/", "Waiting", "nightly" } } },
        LoadCase { "two_fields", "2026-12-06 21:38:00\thttp://example.test/a\r\n",
            { { "2026-12-06 21:38:00", "http://example.test/a", "", "" } } },
        LoadCase { "several_rows_in_order",
            "2026-12-06 21:38:00\thttp://a/\tDone\t\r\n2026-12-07 08:00:00\thttp://b/\tWaiting\tx\r\n",
            { { "2026-12-06 21:38:00", "http://a/", "Done", "" },
                { "2026-12-07 08:00:00", "http://b/", "Waiting", "x" } } },
        LoadCase { "empty_file", "", {} }),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST_F(ScheduleWindowTest, MissingFileIsCreatedEmpty)
{
    ASSERT_FALSE(QFile::exists(path));
    EXPECT_TRUE(store.load().has_value());
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(fileBytes(), QByteArray());
}

TEST_F(ScheduleWindowTest, UnreadableFileIsNeverWrittenOverAndMovedAsideWhenTheListChanges)
{
    const QByteArray unreadable("2026-12-06 21:38:00\thttp://a/\tWaiting\t\r\n\0\0\xff", 43);
    writeFile(unreadable);
    EXPECT_FALSE(store.load().has_value());
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(window.saveAndHide().has_value()); // as on quitting
    EXPECT_EQ(fileBytes(), unreadable);

    SchedulerDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>(QStringLiteral("address"))->setText(QStringLiteral("http://c/"));
    click(dialog, "ok");
    const auto tasks = ReadScheduleFile(path);
    ASSERT_TRUE(tasks.has_value());
    ASSERT_EQ(tasks->size(), 1);
    EXPECT_EQ(tasks->first().url, QStringLiteral("http://c/"));
    ASSERT_EQ(store.keptAside(), path + QStringLiteral(".unreadable"));
    QFile kept(store.keptAside());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), unreadable);
}

TEST_F(ScheduleWindowTest, EveryChangeOfTheListReachesTheFile)
{
    writeFile("2026-12-06 21:38:00\thttp://a/\tWaiting\t\r\n2026-12-06 21:39:00\thttp://b/\tWaiting\t\r\n");
    (void)store.load();
    window.show();

    click(&window, "remove"); // Remove with nothing selected
    EXPECT_EQ(model.rowCount(), 2);

    selectRow(0);
    click(&window, "remove");
    ASSERT_EQ(model.rowCount(), 1);
    auto tasks = ReadScheduleFile(path);
    ASSERT_TRUE(tasks.has_value());
    ASSERT_EQ(tasks->size(), 1);
    EXPECT_EQ(tasks->first().url, QStringLiteral("http://b/"));

    SchedulerDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>(QStringLiteral("address"))->setText(QStringLiteral("http://c/"));
    click(dialog, "ok");
    tasks = ReadScheduleFile(path);
    ASSERT_TRUE(tasks.has_value());
    ASSERT_EQ(tasks->size(), 2);
    EXPECT_EQ(tasks->last().url, QStringLiteral("http://c/"));
    EXPECT_EQ(tasks->last().status, QStringLiteral("Waiting"));

    click(&window, "clear"); // Clear
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(fileBytes(), QByteArray());
}

TEST_F(ScheduleWindowTest, OkSavesAndHidesAndTheCloseBoxOnlyHides)
{
    model.appendTask(ScheduleTask { "2026-12-06 21:38:00", "http://a/", "Waiting", "c" }, clock.now());
    QFile::remove(path); // whatever the change wrote; OK must write it again
    window.show();
    click(&window, "ok");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(fileBytes(), QByteArray("2026-12-06 21:38:00\thttp://a/\tWaiting\tc\r\n"));

    window.bringOnScreen();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.close()) << "the window stays alive for the timer";
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(model.rowCount(), 1);
}

TEST_F(ScheduleWindowTest, DialogStartsAtTheClocksPresentTime)
{
    SchedulerDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->objectName(), QStringLiteral("taskDialog"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Scheduler"));
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->findChild<QDateEdit*>(QStringLiteral("startDate"))->date(), QDate(2026, 12, 6));
    EXPECT_EQ(dialog->findChild<QTimeEdit*>(QStringLiteral("startTime"))->time(), QTime(21, 30, 15));
    auto* label = dialog->findChild<QLabel*>(QLatin1String(ObjectName(kTaskDialogLegacyObjectNames, "clock")));
    EXPECT_EQ(label->text(), QStringLiteral("2026-12-06 21:30:15"));
    clock.advanceSeconds(61);
    dialog->showClock();
    EXPECT_EQ(label->text(), QStringLiteral("2026-12-06 21:31:16"));
    EXPECT_EQ(openDialog(), dialog) << "Add while it is open brings the same dialog forward";
}

struct EntryCase
{
    const char* name;
    QString url;
    bool accepted;
};

class SchedulerDialogTable : public ScheduleWindowTest, public ::testing::WithParamInterface<EntryCase>
{
};

TEST_P(SchedulerDialogTable, OkChecksTheAddress)
{
    const EntryCase& c = GetParam();
    SchedulerDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>(QStringLiteral("address"))->setText(c.url);
    dialog->findChild<QLineEdit*>(QStringLiteral("comment"))->setText(QStringLiteral("weekly report"));
    dialog->findChild<QDateEdit*>(QStringLiteral("startDate"))->setDate(QDate(2026, 12, 7));
    dialog->findChild<QTimeEdit*>(QStringLiteral("startTime"))->setTime(QTime(9, 38, 0));
    click(dialog, "ok");
    if (!c.accepted) {
        EXPECT_EQ(dialogs.messages, QStringList { QStringLiteral("Url is error") });
        EXPECT_EQ(model.rowCount(), 0);
        EXPECT_TRUE(window.entryDialog() && window.entryDialog()->isVisible()) << "the dialog stays open";
        return;
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
    ASSERT_EQ(model.rowCount(), 1);
    const ScheduleTask added = model.task(0);
    EXPECT_EQ(added.url, c.url) << "kept exactly as typed";
    EXPECT_EQ(added.status, QStringLiteral("Waiting"));
    EXPECT_EQ(added.comment, QStringLiteral("weekly report"));
    EXPECT_EQ(ParseStartTime(added.startTime), QDateTime(QDate(2026, 12, 7), QTime(9, 38, 0)));
    EXPECT_EQ(model.dueCandidates().first().addedAt, clock.now());
}

INSTANTIATE_TEST_SUITE_P(Scheduler, SchedulerDialogTable,
    ::testing::Values(EntryCase { "empty", QString(), false },
        EntryCase { "blanks_only", QStringLiteral("   "), false },
        EntryCase { "tab_and_blank", QStringLiteral("\t "), false },
        EntryCase { "address", QStringLiteral("http://example.test/"), true },
        EntryCase { "address_with_blanks_kept", QStringLiteral("  http://example.test/x  "), true }),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

TEST_F(ScheduleWindowTest, CancelAddsNothing)
{
    SchedulerDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>(QStringLiteral("address"))->setText(QStringLiteral("http://example.test/"));
    click(dialog, "cancel");
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

} // namespace
} // namespace qm
