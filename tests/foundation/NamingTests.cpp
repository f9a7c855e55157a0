#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <gtest/gtest.h>

#include "capture/NameReservation.h"
#include "capture/Naming.h"
#include "settings/IniStore.h"
#include "tests/foundation/FileHelpers.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

using namespace Qt::StringLiterals;

TEST(Naming, SiteNameFromAddressAppliesEachReplacementEverywhere)
{
    const struct
    {
        QString address;
        QString expected;
        const char* why = "";
    } cases[] = {
        { "http://intranet/page.html", "intranetpage_html" },
        { "https://intranet/a?b=c", "intraneta_b=c" },
        { "file:///C:/web/index.htm", "fileCwebindex_htm" },
        { "file:///tmp/my%20d%23ir/%C3%A9t%C3%A9.html", "filetmpmy d#irété_html" },
        { "HTTP://INTRANET", "HTTPINTRANET" },
        { "myhttpbox", "mybox", "legacy quirk, kept: scheme words go wherever they stand" },
        { "myhttpsite", "myite", "legacy quirk, kept: \"https\" goes before \"http\"" },
        { "a\\b*c?d>e<f|g", "a_b_c_d_e_f_g" },
        { "say\"hi\"", "say\"hi\"", "legacy quirk, kept: quotes are not replaced" },
        { "http://x/%20 y#z", "x%20 y#z" },
        { "", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(SiteNameFromAddress(c.address), c.expected) << c.address.toStdString() << ' ' << c.why;
}

TEST(Naming, DateTimeStampIsMonthDayYearHourMinuteSecond)
{
    EXPECT_EQ(DateTimeStamp(QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7))), "120626090507");
    EXPECT_EQ(DateTimeStamp(QDateTime(QDate(2031, 1, 2), QTime(23, 59, 58))), "010231235958");
}

TEST(Naming, OutputNamingFollowsTheSettings)
{
    struct Case
    {
        const char* name;
        QHash<QString, QString> set; // keys of section "set"; absent keys stay missing
        QString folder; // "@HOME" for the app home
        QString baseName;
        bool numbering;
    };
    const QString site = "intranetpage_html";
    const Case cases[] = {
        { "nothing set: site name, home, overwrite", {}, "@HOME", site, false },
        { "custom name with stamp",
            { { "fileoption", "0" }, { "filename", "webimage" }, { "datetime", "1" }, { "existedfile", "0" } }, "@HOME",
            "webimage120626090507", true },
        { "custom name, stamp off", { { "fileoption", " 0" }, { "filename", "shot" }, { "datetime", "0" } }, "@HOME",
            "shot", false },
        { "empty custom name", { { "fileoption", "0" } }, "@HOME", "", false },
        { "fileoption other than 0 names by site", { { "fileoption", "2" }, { "filename", "shot" } }, "@HOME", site,
            false },
        { "fileoption as a word names by site", { { "fileoption", "custom" } }, "@HOME", site, false },
        { "output folder 0 is the home", { { "outputfolder", "0" } }, "@HOME", site, false },
        { "empty output folder is the home, not the root", { { "outputfolder", "" } }, "@HOME", site, false },
        { "output folder used as written", { { "outputfolder", "/data/shots/" } }, "/data/shots/", site, false },
        { "existedfile 1 overwrites", { { "existedfile", "1" } }, "@HOME", site, false },
        { "existedfile 00 numbers", { { "existedfile", "00" } }, "@HOME", site, true },
    };
    const QDateTime now(QDate(2026, 12, 6), QTime(9, 5, 7));
    for (const Case& c : cases) {
        test::TempHome home;
        for (auto it = c.set.cbegin(); it != c.set.cend(); ++it)
            home.set("set", it.key(), it.value());
        const FileSettings settings(home.settingsPath());
        const OutputNaming naming = ReadOutputNaming(settings, home.path(), "http://intranet/page.html", now);
        EXPECT_EQ(naming.folder, c.folder == "@HOME" ? home.path() : c.folder) << c.name;
        EXPECT_EQ(naming.baseName, c.baseName) << c.name;
        EXPECT_EQ(naming.numbering, c.numbering) << c.name;
    }
}

TEST(Naming, PathsAreJoinedAsWritten)
{
    const OutputNaming trailing { "/data/shots/", "x", true };
    EXPECT_EQ(IntermediatePath(trailing), "/data/shots//x.BMP");
    const OutputNaming empty { "/h", "", false };
    EXPECT_EQ(IntermediatePath(empty), "/h/.BMP");
    EXPECT_EQ(PathStem("/h/x.BMP"), "/h/x");
    EXPECT_EQ(PathStem("/h/x.tiff"), "/h/x.");
    EXPECT_EQ(ThumbnailPath("/h/x_2.bmp"), "/h/x_2_Thumbnail.jpg");
}

// The numbering the capture holds and claims names with, and that submit plans names with.
QString FirstVacant(const QString& first, const QString& base, const QString& extension)
{
    return NumberedName(first, base, extension, [](const QString& path) -> Result<bool> {
        return NothingAt(path);
    }).value_or(QStringLiteral("<none>"));
}

TEST(Naming, NumberingSkipsWhateverIsThere)
{
    test::TempHome home;
    const QString x = home.file("x");
    for (const QString name : { "x.BMP", "x_0.bmp", "x_1.bmp" })
        test::writeBytes(home.file(name), "");
    const QString intermediate = FirstVacant(x + ".BMP", x, "bmp");
    EXPECT_EQ(intermediate, x + "_2.bmp");
    EXPECT_EQ(FirstVacant(PathStem(intermediate) + ".jpg", x, "jpg"), x + "_2.jpg");

    // .tiff outputs number from the same base as the others.
    test::writeBytes(home.file("y.tiff"), "");
    EXPECT_EQ(FirstVacant(home.file("y.tiff"), home.file("y"), "tiff"), home.file("y_0.tiff"));

    // A folder of that name takes it, and so does a link.
    ASSERT_TRUE(QDir(home.path()).mkdir("d.BMP"));
    EXPECT_EQ(FirstVacant(home.file("d.BMP"), home.file("d"), "bmp"), home.file("d_0.bmp"));
    ASSERT_TRUE(QFile::link(home.file("x.BMP"), home.file("l.BMP")));
    EXPECT_EQ(FirstVacant(home.file("l.BMP"), home.file("l"), "bmp"), home.file("l_0.bmp"));
}

TEST(Naming, LongNamesAreShortenedKeepingThemApart)
{
    const QString longTail = QString(400, u'a');
    const QString first = ShortenedBaseName(longTail + "1");
    const QString second = ShortenedBaseName(longTail + "2");
    EXPECT_NE(first, second);
    EXPECT_LE(first.toUtf8().size(), MaxBaseNameBytes);
    EXPECT_TRUE(first.startsWith(QString(150, u'a')));
    EXPECT_EQ(ShortenedBaseName(longTail + "1"), first) << "the same name must shorten the same way";

    const QString fits(MaxBaseNameBytes, u'b');
    EXPECT_EQ(ShortenedBaseName(fits), fits);
    EXPECT_NE(ShortenedBaseName(fits + "b"), fits + "b");

    // Multi-byte characters are counted in bytes and never cut in half.
    for (const QString& unit : { u"\u4e2d"_s, u"\U0001F600"_s, u"\u00e9"_s }) {
        QString many;
        for (int i = 0; i < 150; ++i)
            many += unit;
        const QString shortened = ShortenedBaseName(many);
        EXPECT_LE(shortened.toUtf8().size(), MaxBaseNameBytes);
        EXPECT_EQ(QString::fromUtf8(shortened.toUtf8()), shortened);
        EXPECT_FALSE(shortened.contains(QChar::ReplacementCharacter));
    }

    // Only the last component of a custom name with folders is one file name.
    const QString nested = "sub/" + longTail;
    EXPECT_TRUE(ShortenedBaseName(nested).startsWith("sub/aaa"));
}

TEST(Naming, ShortenedNamesFitTheFileSystemWithEverySuffix)
{
    test::TempHome home;
    home.set("set", "fileoption", "1");
    const FileSettings settings(home.settingsPath());
    const QString address = "https://example.test/" + QString(300, u'p') + "?q=" + QString(300, u'\u00e9');
    const OutputNaming naming = ReadOutputNaming(settings, home.path(), address, QDateTime::currentDateTime());
    const QString intermediate = IntermediatePath(naming);
    const QString base = PathStem(intermediate);
    // Each of these, plus a writer's temporary suffix, must be a creatable file.
    for (const QString& path :
        { intermediate, ThumbnailPath(intermediate), base + "_2147483647.tiff", base + "_2147483647.tiff.XXXXXXXX" }) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << file.errorString().toStdString();
    }
}

} // namespace
} // namespace qm
