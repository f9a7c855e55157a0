#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "capture/NameReservation.h"
#include "capture/output/OutputFile.h"
#include "capture/output/TemporaryFiles.h"
#include "tests/foundation/FileHelpers.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

// A finished output holding `content`, landed by ClaimName; "failed" when it did not land.
QString Claim(
    const QString& first, const QString& base, const QString& extension, bool numbering, const QByteArray& content)
{
    auto file = OutputFile::create(first);
    if (!file || !(*file)->writeAll(content))
        return QStringLiteral("failed");
    const Result<QString> claimed = ClaimName(**file, first, base, extension, numbering);
    return claimed ? *claimed : QStringLiteral("failed");
}

QStringList Hidden(const QString& folder)
{
    return QDir(folder).entryList({ ".*" }, QDir::Files | QDir::Hidden);
}

TEST(NameReservation, ClaimsTheFirstFreeNameInNumberingOrder)
{
    test::TempHome home;
    const QString folder = home.file("out/deeper");
    const QString base = folder + "/x";
    ASSERT_TRUE(HeldName::hold(base + ".BMP", base, "bmp", true)); // creates the folder
    const QStringList expected = { base + ".BMP", base + "_0.bmp", base + "_1.bmp" };
    for (const QString& name : expected) {
        EXPECT_EQ(Claim(base + ".BMP", base, "bmp", true, name.toUtf8()), name);
        EXPECT_EQ(test::readBytes(name), name.toUtf8()); // complete, never an empty claim
    }
    // Anything at a name takes it: a folder, a link that leads nowhere.
    ASSERT_TRUE(QDir(folder).mkdir("y.BMP"));
    EXPECT_EQ(Claim(folder + "/y.BMP", folder + "/y", "bmp", true, "y"), folder + "/y_0.bmp");
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(folder + "/z.png").constData()), 0);
    EXPECT_EQ(Claim(folder + "/z.png", folder + "/z", "png", true, "z"), folder + "/z_0.png");
    EXPECT_TRUE(Hidden(folder).isEmpty());

    // An intermediate name held by a capture still running is skipped, and free again once let go.
    const QString w = folder + "/w";
    auto first = HeldName::hold(w + ".BMP", w, "bmp", true);
    auto second = HeldName::hold(w + ".BMP", w, "bmp", true);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->path(), w + ".BMP");
    EXPECT_EQ(second->path(), w + "_0.bmp");
    *first = HeldName();
    EXPECT_EQ(HeldName::hold(w + ".BMP", w, "bmp", true)->path(), w + ".BMP");
    EXPECT_EQ(HeldName::hold(base + ".BMP", base, "bmp", true)->path(), base + "_2.bmp");
    EXPECT_EQ(QDir(folder).entryList({ "w*" }, QDir::Files | QDir::Hidden), QStringList()); // holding writes nothing
}

TEST(NameReservation, WithoutNumberingTheNameIsReplaced)
{
    test::TempHome home;
    const QString path = home.file("new/x.png");
    auto held = HeldName::hold(path, home.file("new/x"), "png", false);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->path(), path);
    EXPECT_TRUE(QFileInfo(home.file("new")).isDir());
    EXPECT_FALSE(QFileInfo::exists(path));

    test::writeBytes(path, "previous output");
    EXPECT_EQ(Claim(path, home.file("new/x"), "png", false, "new output"), path);
    EXPECT_EQ(test::readBytes(path), "new output");
    EXPECT_EQ(QDir(home.file("new")).entryList(QDir::Files | QDir::Hidden), QStringList { "x.png" });
}

TEST(NameReservation, ParallelWritersNeverShareAName)
{
    test::TempHome home;
    const QString base = home.file("shot");
    constexpr int threads = 8;
    constexpr int each = 25;
    std::vector<QStringList> names(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < each; ++i)
                names[t].append(Claim(base + ".png", base, "png", true, QByteArray::number(t * each + i)));
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    QSet<QString> distinct;
    for (const QStringList& list : names)
        for (const QString& name : list)
            distinct.insert(name);
    EXPECT_FALSE(distinct.contains("failed"));
    EXPECT_EQ(distinct.size(), threads * each);
    EXPECT_EQ(QDir(home.path()).entryList({ "shot*.png" }, QDir::Files).size(), threads * each);
    EXPECT_TRUE(Hidden(home.path()).isEmpty());
}

TEST(NameReservation, FailuresAreErrorsNamingTheOutputAndLeaveNothing)
{
    test::TempHome home;
    test::writeBytes(home.file("blocker"), "");
    const auto underFile = HeldName::hold(home.file("blocker/x.BMP"), home.file("blocker/x"), "bmp", true);
    ASSERT_FALSE(underFile.has_value());
    EXPECT_EQ(underFile.error().code, Error::Code::Io);

    const QString tooLong = home.file(QString(300, u'n'));
    auto file = OutputFile::create(tooLong + ".jpg");
    ASSERT_TRUE(file && (*file)->writeAll("picture"));
    const Result<QString> longName = ClaimName(**file, tooLong + ".jpg", tooLong, "jpg", true);
    ASSERT_FALSE(longName.has_value());
    EXPECT_EQ(longName.error().code, Error::Code::Io);
    EXPECT_TRUE(longName.error().message.contains("File name too long")) << longName.error().message.toStdString();
    EXPECT_TRUE(longName.error().message.contains(tooLong + ".jpg"));
    file->reset();
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "blocker" });
}

TEST(NameReservation, OnlyStaleTemporaryFilesOfOursAreSwept)
{
    test::TempHome home;
    // Our own name pattern, for this process (running) and for a process id no system hands out.
    const QString mine = NewTemporaryFileName();
    QString gone = mine;
    gone.replace(QStringLiteral("-%1-").arg(::getpid()), QStringLiteral("-2147483647-"));
    ASSERT_NE(gone, mine);
    const QStringList kept
        = { mine, ".quillmark-notes.tmp", ".quillmark-12-zz-host.tmp", "quillmark-1-00000000-x.tmp" };
    for (const QString& name : kept + QStringList { gone })
        test::writeBytes(home.file(name), "x");
    SweepStaleTemporaryFiles(home.path());
    for (const QString& name : kept)
        EXPECT_TRUE(QFileInfo::exists(home.file(name))) << name.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.file(gone)));
}

} // namespace
} // namespace qm
