// The report's files: pages of cards, and what a report reopened after a kill holds.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "capture/PageRunner.h"
#include "report/BatchReport.h"
#include "report/ReportThumbnail.h"

namespace qm {
namespace {

QStringList Addresses(int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out.append(QStringLiteral("https://www.example.org/a/rather/long/path/to/article-number-%1.html").arg(i));
    return out;
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(BatchReport, PagesOfTwoHundredCardsLinkEachOtherAndASmallerReportRemovesTheRest)
{
    QTemporaryDir folder;
    ASSERT_TRUE(BatchReport::create(folder.path(), Addresses(401)));
    const QStringList pages { "report-2.html", "report-3.html", "report.html" };
    EXPECT_EQ(QDir(folder.path()).entryList({ "report*.html" }), pages);
    const QByteArray last = Read(folder.filePath("report-3.html"));
    EXPECT_EQ(last.count("<article"), 1);
    EXPECT_TRUE(last.contains("href=\"report.html\"") && last.contains("href=\"report-2.html\""));
    EXPECT_EQ(Read(folder.filePath("report.html")).count("<article"), 200);

    ASSERT_TRUE(BatchReport::create(folder.path(), Addresses(3)));
    EXPECT_EQ(QDir(folder.path()).entryList({ "report*.html" }), QStringList { "report.html" });
}

// A full page is often taller than Qt reads by default; the card shows the top of it, not all of it squeezed.
TEST(BatchReport, ThumbnailOfATallPngShowsTheTopOfThePage)
{
    QTemporaryDir folder;
    QImage page(1280, 30000, QImage::Format_RGB32);
    page.fill(Qt::blue);
    for (int y = 0; y < 960; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(page.scanLine(y)), page.width(), qRgb(255, 0, 0));
    ASSERT_TRUE(page.save(folder.filePath("tall.png")));
    ASSERT_TRUE(WriteReportThumbnail(folder.filePath("tall.png"), folder.filePath("tile.jpg")));
    const QImage tile(folder.filePath("tile.jpg"));
    ASSERT_EQ(tile.size(), ReportThumbnailSize);
    for (const QPoint at : { QPoint(4, 4), QPoint(316, 236) })
        EXPECT_GT(qRed(tile.pixel(at)), 200) << "the top band, red: " << at.x() << "," << at.y();
}

TEST(BatchReport, LargeReportReopenedAfterAKillHoldsEveryRecordedPage)
{
    QTemporaryDir folder;
    const int rows = 6000; // report.json beyond the size written again after each page
    {
        auto report = BatchReport::create(folder.path(), Addresses(rows));
        ASSERT_TRUE(report);
        for (int index : { 10, 4000, rows - 1 })
            ASSERT_TRUE((*report)->record(
                index, PageOutcome { fail(Error::Code::Navigation, QStringLiteral("refused %1").arg(index)) }, 2));
        // Killed here: no finish().
    }
    QFile journal(folder.filePath(BatchReport::JournalName));
    ASSERT_GT(journal.size(), 0) << "this many rows go to the journal";
    ASSERT_TRUE(journal.open(QIODevice::Append));
    journal.write("{\"number\":12,\"address\":\"https://www.exa"); // a line cut by the kill
    journal.close();

    auto reopened = BatchReport::open(folder.path());
    ASSERT_TRUE(reopened);
    ASSERT_EQ((*reopened)->rowCount(), rows);
    for (int index : { 10, 4000, rows - 1 }) {
        EXPECT_EQ((*reopened)->row(index).state, ReportRow::State::Failed) << index;
        EXPECT_EQ((*reopened)->row(index).reason(), QStringLiteral("refused %1").arg(index));
        EXPECT_EQ((*reopened)->row(index).tries, 2);
    }
    EXPECT_EQ((*reopened)->summary().failed, 3);
    // Written again in full when opened: report.json alone holds every row.
    const QJsonObject json = QJsonDocument::fromJson(Read(folder.filePath("report.json"))).object();
    EXPECT_EQ(json["summary"]["failed"].toInt(), 3);
    EXPECT_EQ(json["rows"].toArray().size(), rows);
}

} // namespace
} // namespace qm
