// PDF documents made by the browser from a page address.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include "capture/PdfCapture.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

class PdfTest : public EngineTest
{
protected:
    qm::Result<void> MakePdf(const QString& address, const QString& path, std::chrono::milliseconds limit = 30s,
        cdp::ScrollerExpansion expand = cdp::ScrollerExpansion::Page, bool tagged = false)
    {
        LoopRunner runner;
        qm::Result<void> result = qm::fail(qm::Error::Code::Timeout, "never called back");
        MakePdfFromPage(*tab, address, path, limit, expand, tagged, [&](qm::Result<void> r) {
            result = r;
            runner.done();
        });
        runner.run(limit + 10s);
        return result;
    }
    QTemporaryDir folder;
};

int PageCount(const QByteArray& pdf)
{
    int pages = 0;
    auto it = QRegularExpression("/Type\\s*/Page[^s]").globalMatch(QString::fromLatin1(pdf));
    for (; it.hasNext(); it.next())
        ++pages;
    return pages;
}

TEST_F(PdfTest, TagsForScreenReadersOnlyWhenAskedFor)
{
    server.page("/tags", "<!doctype html><h1>Heading</h1><p>A paragraph.</p><ul><li>One</li><li>Two</li></ul>");
    for (const bool tagged : { false, true }) {
        SCOPED_TRACE(tagged);
        const QString path = folder.filePath(tagged ? "tagged.pdf" : "plain.pdf");
        ASSERT_TRUE(MakePdf(server.url("/tags"), path, 30s, cdp::ScrollerExpansion::Page, tagged));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().contains("/StructTreeRoot"), tagged);
    }
}

TEST_F(PdfTest, LongPageBecomesSeveralA4PagesWrittenInPlace)
{
    QByteArray html = "<!doctype html><body style='background:rgb(230,230,255)'>";
    for (int i = 0; i < 400; ++i)
        html += "<p>Paragraph " + QByteArray::number(i) + " of a long page.</p>";
    server.page("/long", html);
    const QString path = folder.filePath("long.pdf");
    ASSERT_TRUE(MakePdf(server.url("/long"), path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_GT(PageCount(pdf), 5);
    const auto box = QRegularExpression("/MediaBox\\s*\\[0 0 ([0-9.]+) ([0-9.]+)\\]").match(QString::fromLatin1(pdf));
    ASSERT_TRUE(box.hasMatch());
    EXPECT_NEAR(box.captured(1).toDouble(), 595.3, 1.5); // A4 in points
    EXPECT_NEAR(box.captured(2).toDouble(), 841.9, 1.5);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList { "long.pdf" }) << "a temporary file was left";
}

TEST_F(PdfTest, PageTheTabAlreadyShowsIsNotLoadedAgain)
{
    LoadPage("/shown", "<p>one page</p>");
    ASSERT_TRUE(MakePdf(server.url("/shown"), folder.filePath("shown.pdf")));
    EXPECT_EQ(server.hits("/shown"), 1);
    QFile file(folder.filePath("shown.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(PageCount(file.readAll()), 1);
}

TEST_F(PdfTest, FailuresWriteNothing)
{
    server.stall("/stall");
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
    probe.close();
    server.page("/fine", "<p>fine</p>");
    struct Case
    {
        const char* name;
        QString address;
        QString path;
        std::chrono::milliseconds limit;
        qm::Error::Code code;
    };
    const std::vector<Case> cases {
        { "refused", refused, folder.filePath("a.pdf"), 20s, qm::Error::Code::Navigation },
        { "unknown host", "http://nonexistent.invalid/", folder.filePath("b.pdf"), 20s, qm::Error::Code::Navigation },
        { "stalled", server.url("/stall"), folder.filePath("c.pdf"), 2s, qm::Error::Code::Timeout },
        { "missing folder", server.url("/fine"), folder.filePath("no/such/folder/d.pdf"), 20s, qm::Error::Code::Io },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = MakePdf(c.address, c.path, c.limit);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().code, c.code) << result.error().message.toStdString();
        EXPECT_FALSE(result.error().message.isEmpty());
    }
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
} // namespace qm::test
