#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "settings/IniStore.h"
#include "settings/TextFile.h"
#include "tests/foundation/FileHelpers.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

using namespace Qt::StringLiterals;

using test::readBytes;
using test::writeBytes;

struct ReadCase
{
    const char* name;
    QByteArray file;
    QString section;
    QString key;
    QString expected;
};

TEST(IniStore, ReadsByTheStoreRules)
{
    const QString longValue(200, u'v');
    const ReadCase cases[] = {
        { "key case differs", "[set]\nTwz=3\n", "set", "twz", "3" },
        { "section case differs", "[WaterMark]\nx=1\n", "watermark", "x", "1" },
        { "key written with a trailing blank", "[watermark]\nItransparency =16777215\n", "watermark", "Itransparency",
            "16777215" },
        { "blanks inside the brackets", "[ set\t]\nx=1\n", "set", "x", "1" },
        { "blanks around the asked names", "[set]\nx=1\n", " set ", " x\t", "1" },
        { "blanks around key and value", "[s]\n  k  =  v  \n", "s", "k", "v" },
        { "value trimmed of spaces, tabs stay", "[s]\nk= \tv\t \n", "s", "k", "\tv\t" },
        { "value holding = and [", "[s]\nk=a=[b]\n", "s", "k", "a=[b]" },
        { "value longer than 128 characters", "[s]\nk=" + longValue.toUtf8() + "\n", "s", "k", longValue },
        { "empty value", "[s]\nk=\nj=2\n", "s", "k", "" },
        { "CR line ends", "[s]\ra=1\rb=2", "s", "b", "2" },
        { "CR LF line ends", "[s]\r\na=1\r\nb=2\r\n", "s", "b", "2" },
        { "last line without a line end", "[s]\nk=v", "s", "k", "v" },
        { "UTF-8 byte-order mark", "\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "1" },
        { "doubled byte-order mark", "\xEF\xBB\xBF\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "1" },
        { "UTF-8 value", "[s]\nk=caf\xC3\xA9\n", "s", "k", u"caf\u00e9"_s },
        { "single-byte value", "[s]\nk=caf\xE9\n", "s", "k", u"caf\u00e9"_s },
        { "NUL ends the value", QByteArray("[s]\nk=ab\0cd\n", 11), "s", "k", "ab" },
        { "non-ASCII section name, other case",
            "[\xC3\x9C"
            "ber]\nk=1\n",
            u"\u00fcBER"_s, "k", "1" },
        { "comment after the header", "[s] ; main\nk=1\n", "s", "k", "1" },
        { "first of two equal keys", "[s]\nk=1\nK=2\n", "s", "k", "1" },
        { "first of two equal sections", "[s]\nk=1\n[S]\nk=2\n", "s", "k", "1" },
        { "key found in a later repeat of the section", "[s]\na=1\n[S]\nk=2\n", "s", "k", "" },
        { "key of another section", "[a]\nk=1\n[b]\nj=2\n", "b", "k", "" },
        { "key before any section", "k=1\n[s]\n", "s", "k", "" },
        { "commented-out key", "[s]\n;k=1\n#k=2\n", "s", "k", "" },
        { "unclosed bracket is not a section", "[s]\n[broken\nk=1\n", "s", "k", "1" },
        { "missing section", "[s]\nk=1\n", "t", "k", "" },
        { "binary noise around the key", QByteArray("\x00\x01\xff\n[s]\n\x80\x81=\x82\nk=1\n\x00", 22), "s", "k", "1" },
    };
    test::TempHome home;
    const QString path = home.settingsPath();
    for (const ReadCase& c : cases) {
        writeBytes(path, c.file);
        EXPECT_EQ(ReadSetting(path, c.section, c.key), c.expected) << c.name;
    }
}

TEST(IniStore, MissingOrUnreadableFileReadsEmptyAndIsNotCreated)
{
    test::TempHome home;
    const QString missing = home.settingsPath();
    EXPECT_EQ(ReadSetting(missing, "set", "quality"), "");
    EXPECT_FALSE(QFileInfo::exists(missing));

    ASSERT_TRUE(QDir(home.path()).mkdir("folder"));
    EXPECT_EQ(ReadSetting(home.file("folder"), "set", "quality"), "");
    EXPECT_EQ(ReadSetting(home.file("no/such/folder/settings.dat"), "set", "quality"), "");

    // Opening a pipe for reading would wait for a writer that never comes.
    const QString pipe = home.file("pipe.dat");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(ReadSetting(pipe, "set", "quality"), "");
    EXPECT_FALSE(WriteSetting(pipe, "set", "quality", "90").has_value());
}

struct WriteCase
{
    const char* name;
    std::optional<QByteArray> before; // nullopt: no file
    QString section;
    QString key;
    QString value;
    QByteArray after;
};

TEST(IniStore, WritesInPlaceAndKeepsEverythingElse)
{
    const WriteCase cases[] = {
        { "creates file, section and key", std::nullopt, "set", "quality", "90", "[set]\nquality=90\n" },
        { "replaces in place, keeps spelling, comments and neighbours",
            "; mine\n[set]\nA=1\nQuality = 50\nB=2\n[watermark]\nTwz=3\n", "SET", "quality", "90",
            "; mine\n[set]\nA=1\nQuality =90\nB=2\n[watermark]\nTwz=3\n" },
        { "adds a key at the end of its section, before blank lines", "[set]\na=1\n\n[wm]\nb=2\n", "set", "c", "3",
            "[set]\na=1\nc=3\n\n[wm]\nb=2\n" },
        { "adds a key under a bare header", "[set]\n[wm]\n", "set", "c", "3", "[set]\nc=3\n[wm]\n" },
        { "adds a section after a last line without line end", "[a]\nx=1", "b", "y", "2", "[a]\nx=1\n[b]\ny=2\n" },
        { "adds to a CR LF file with CR LF", "[a]\r\nx=1\r\n", "a", "y", "2", "[a]\r\nx=1\r\ny=2\r\n" },
        { "replaces in a CR-only file", "[a]\rx=1\ry=5", "a", "x", "2", "[a]\rx=2\ry=5" },
        { "finds the key stored with a trailing blank", "[watermark]\nItransparency =1\n", "watermark", "Itransparency",
            "5", "[watermark]\nItransparency =5\n" },
        { "writes a new key as the writer spells it", "[watermark]\n", "watermark", "Itransparency ", "5",
            "[watermark]\nItransparency =5\n" },
        { "keeps invalid UTF-8 and NULs of other lines", QByteArray("[a]\nk=\xff\xfe\x00\n[b]\nz=1\n", 18), "b", "z",
            "2", QByteArray("[a]\nk=\xff\xfe\x00\n[b]\nz=2\n", 18) },
        { "keeps a byte-order mark", "\xEF\xBB\xBF[a]\nx=1\n", "a", "x", "2", "\xEF\xBB\xBF[a]\nx=2\n" },
        { "writes values with = and [", "[a]\n", "a", "x", "p=[q]", "[a]\nx=p=[q]\n" },
        { "writes UTF-8", "[a]\n", "a", "x", u"\u00ff\u4e2d"_s, "[a]\nx=\xC3\xBF\xE4\xB8\xAD\n" },
    };
    for (const WriteCase& c : cases) {
        test::TempHome home;
        const QString path = home.settingsPath();
        if (c.before)
            writeBytes(path, *c.before);
        const Result<void> written = WriteSetting(path, c.section, c.key, c.value);
        ASSERT_TRUE(written.has_value()) << c.name << ": " << written.error().message.toStdString();
        EXPECT_EQ(readBytes(path), c.after) << c.name;
    }
}

TEST(IniStore, WrittenValuesReadBackWhole)
{
    test::TempHome home;
    const QString path = home.settingsPath();
    const QStringList values = { QString(300, u'x'), "a=b", "[c]", "\ttabbed\t", u"\u00ff yuml"_s, "", "0" };
    for (const QString& value : values) {
        ASSERT_TRUE(WriteSetting(path, "watermark", "watertext", value));
        EXPECT_EQ(ReadSetting(path, "watermark", "watertext"), value);
    }
    // One key line, however often it was written.
    EXPECT_EQ(readBytes(path).count("watertext"), 1);
}

TEST(IniStore, RefusedWritesLeaveTheFileAlone)
{
    struct Refused
    {
        const char* name;
        QString section;
        QString key;
        QString value;
    };
    const Refused cases[] = {
        { "line break in value", "set", "filename", "a\nb=c" },
        { "CR in value", "set", "filename", "a\rb" },
        { "= in key", "set", "a=b", "1" },
        { "empty key", "set", "  ", "1" },
        { "key that reads as a section", "set", "[x]", "1" },
        { "] in section", "a]b", "k", "1" },
        { "empty section", "", "k", "1" },
    };
    test::TempHome home;
    const QString path = home.settingsPath();
    const QByteArray before = "[set]\nfilename=old\n";
    writeBytes(path, before);
    for (const Refused& c : cases) {
        const Result<void> written = WriteSetting(path, c.section, c.key, c.value);
        ASSERT_FALSE(written.has_value()) << c.name;
        EXPECT_EQ(written.error().code, Error::Code::Usage) << c.name;
        EXPECT_EQ(readBytes(path), before) << c.name;
    }
}

TEST(IniStore, SeveralValuesAreWrittenAllOrNone)
{
    test::TempHome home;
    const QString path = home.settingsPath();
    writeBytes(path, "[set]\nquality=50\n");
    const Result<void> refused = WriteSettings(path, { { "set", "quality", "90" }, { "set", "filename", "a\nb" } });
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(readBytes(path), "[set]\nquality=50\n");

    ASSERT_TRUE(
        WriteSettings(path, { { "set", "quality", "90" }, { "watermark", "Twz", "3" }, { "set", "jobs", "2" } }));
    EXPECT_EQ(readBytes(path), "[set]\nquality=90\njobs=2\n[watermark]\nTwz=3\n");
}

TEST(IniStore, ReplacesTheFileAtomicallyKeepingPermissionsAndLinks)
{
    test::TempHome home;
    const QString path = home.settingsPath();
    writeBytes(path, "[set]\nquality=50\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QFile::Permissions before = QFile::permissions(path);
    ASSERT_TRUE(WriteSetting(path, "set", "quality", "90"));
    EXPECT_EQ(QFile::permissions(path), before);
    EXPECT_EQ(readBytes(path), "[set]\nquality=90\n");
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "settings.dat" });

    // A settings file that is a link to a file elsewhere stays a link; the target is what changes.
    const QString target = home.file("real.dat");
    const QString link = home.file("linked.dat");
    writeBytes(target, "[set]\nquality=50\n");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(WriteSetting(link, "set", "quality", "70"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readBytes(target), "[set]\nquality=70\n");
}

TEST(IniStore, TooLargeOrOddFilesAreNeverRewritten)
{
    test::TempHome home;
    const QString path = home.settingsPath();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.write("[set]\nquality=50\n"));
        ASSERT_TRUE(file.resize(MaxTextFileSize + 1));
    }
    EXPECT_EQ(ReadSetting(path, "set", "quality"), "");
    const Result<void> written = WriteSetting(path, "set", "quality", "90");
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(QFileInfo(path).size(), MaxTextFileSize + 1);

    ASSERT_TRUE(QDir(home.path()).mkdir("folder"));
    EXPECT_FALSE(WriteSetting(home.file("folder"), "set", "quality", "90").has_value());
    EXPECT_TRUE(QFileInfo(home.file("folder")).isDir());
    EXPECT_FALSE(WriteSetting(home.file("no/such/folder/settings.dat"), "set", "quality", "90").has_value());
}

} // namespace
} // namespace qm
