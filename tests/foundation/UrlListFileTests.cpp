#include <QDir>

#include <gtest/gtest.h>

#include "batch/UrlListFile.h"
#include "tests/foundation/FileHelpers.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

using namespace Qt::StringLiterals;

TEST(UrlListFile, WritesAddressTabFormatCrLfPerRow)
{
    test::TempHome home;
    const QString path = home.file("list.ulf");
    const QList<UrlListEntry> rows = { { "http://example.test/a", "JPG" }, { u"/home/\u00fc/page.html"_s, "PDF" } };
    ASSERT_TRUE(WriteUrlListFile(path, rows));
    EXPECT_EQ(test::readBytes(path), "http://example.test/a\tJPG\r\n/home/\xC3\xBC/page.html\tPDF\r\n");
    EXPECT_EQ(ReadUrlListFile(path), (QStringList { "http://example.test/a", u"/home/\u00fc/page.html"_s }));

    ASSERT_TRUE(WriteUrlListFile(path, {}));
    EXPECT_EQ(test::readBytes(path), "");
    EXPECT_EQ(ReadUrlListFile(path), QStringList {});
}

TEST(UrlListFile, ReadsEveryLineEndAndSkipsOnlyEmptyLines)
{
    const struct
    {
        const char* name;
        QByteArray bytes;
        QStringList addresses;
    } cases[] = {
        { "CR LF", "a\tJPG\r\nb\tPNG\r\n", { "a", "b" } },
        { "CR only", "a\tJPG\rb\tPNG\r", { "a", "b" } },
        { "LF only", "a\nb\n", { "a", "b" } },
        { "last line without end", "a\r\nb", { "a", "b" } },
        { "no tabs: the whole line", "http://x.test/?q=1 2\r\n", { "http://x.test/?q=1 2" } },
        { "extra columns ignored", "a\tJPG\tOK\textra\r\n", { "a" } },
        { "empty second line keeps the rest", "a\r\n\r\nc\r\n", { "a", "c" } },
        { "blank and tab-led lines skipped", "a\r\n   \r\n\tPNG\r\nd", { "a", "d" } },
        { "byte-order mark",
            "\xEF\xBB\xBF"
            "a\r\n",
            { "a" } },
        { "marks left where files were joined",
            "\n\xEF\xBB\xBF\xEF\xBB\xBF"
            "a\r\n\xEF\xBB\xBF\r\n",
            { "a" } },
        { "single-byte line", "caf\xE9\r\n", { u"caf\u00e9"_s } },
        { "UTF-16 little endian",
            QByteArray("\xff\xfe"
                       "a\0\t\0P\0\r\0\n\0\xfc\0",
                14),
            { "a", u"\u00fc"_s } },
        { "UTF-16 big endian",
            QByteArray("\xfe\xff"
                       "\0a\0\r\0\n\0\xfc",
                10),
            { "a", u"\u00fc"_s } },
        { "empty file", "", {} },
    };
    test::TempHome home;
    const QString path = home.file("list.ulf");
    for (const auto& c : cases) {
        test::writeBytes(path, c.bytes);
        const Result<QStringList> read = ReadUrlListFile(path);
        ASSERT_TRUE(read.has_value()) << c.name;
        EXPECT_EQ(*read, c.addresses) << c.name;
    }
}

TEST(UrlListFile, FailuresLoseNothing)
{
    test::TempHome home;
    const QString path = home.file("list.ulf");
    EXPECT_EQ(ReadUrlListFile(path).error().code, Error::Code::NotFound);
    ASSERT_TRUE(QDir(home.path()).mkdir("folder.ulf"));
    EXPECT_FALSE(ReadUrlListFile(home.file("folder.ulf")).has_value());
    // Binary data is not read as rows of junk.
    for (const QByteArray& binary : { QByteArray("\x00\x01\r\n\xff\xfe\tx\r\nok", 12),
             QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x0e\x0fhello\r\n") }) {
        test::writeBytes(path, binary);
        const Result<QStringList> read = ReadUrlListFile(path);
        ASSERT_FALSE(read.has_value());
        EXPECT_TRUE(read.error().message.contains("not a list of addresses"));
    }

    // A row that would not read back as one row is refused; the old file stays.
    test::writeBytes(path, "old\tPNG\r\n");
    for (const UrlListEntry& bad :
        { UrlListEntry { "a\tb", "PNG" }, UrlListEntry { "a\nb", "PNG" }, UrlListEntry { "a", "P\rNG" } }) {
        const Result<void> written = WriteUrlListFile(path, { { "fine", "JPG" }, bad });
        ASSERT_FALSE(written.has_value());
        EXPECT_EQ(written.error().code, Error::Code::Usage);
        EXPECT_TRUE(written.error().message.contains("row 2"));
        EXPECT_EQ(test::readBytes(path), "old\tPNG\r\n");
    }
    EXPECT_FALSE(WriteUrlListFile(home.file("missing/list.ulf"), { { "a", "PNG" } }).has_value());
}

} // namespace
} // namespace qm
