#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "capture/NameReservation.h"
#include "tests/foundation/FileHelpers.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

TEST(NameReservation, ClaimsTheFirstFreeNameInNumberingOrder)
{
    test::TempHome home;
    const QString folder = home.file("out/deeper");
    const QString base = folder + "/x";
    const QStringList expected = { base + ".BMP", base + "_0.bmp", base + "_1.bmp" };
    for (const QString& name : expected) {
        const Result<QString> reserved = ReserveName(base + ".BMP", base, "bmp", true);
        ASSERT_TRUE(reserved.has_value()) << reserved.error().message.toStdString();
        EXPECT_EQ(*reserved, name);
        EXPECT_TRUE(QFileInfo(name).isFile());
        EXPECT_EQ(QFileInfo(name).size(), 0);
    }
    // Anything at a name takes it, a folder too (a write there would fail).
    ASSERT_TRUE(QDir(folder).mkdir("y.BMP"));
    EXPECT_EQ(ReserveName(folder + "/y.BMP", folder + "/y", "bmp", true), folder + "/y_0.bmp");
}

TEST(NameReservation, WithoutNumberingTheNameIsKeptAndNothingCreated)
{
    test::TempHome home;
    const QString path = home.file("new/x.png");
    EXPECT_EQ(ReserveName(path, home.file("new/x"), "png", false), path);
    EXPECT_TRUE(QFileInfo(home.file("new")).isDir());
    EXPECT_FALSE(QFileInfo::exists(path));

    test::writeBytes(path, "previous output");
    EXPECT_EQ(ReserveName(path, home.file("new/x"), "png", false), path);
    EXPECT_EQ(test::readBytes(path), "previous output");
}

TEST(NameReservation, ParallelCallersNeverShareAName)
{
    test::TempHome home;
    const QString base = home.file("shot");
    constexpr int threads = 8;
    constexpr int each = 25;
    std::vector<QStringList> names(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < each; ++i) {
                const Result<QString> reserved = ReserveName(base + ".png", base, "png", true);
                names[t].append(reserved ? *reserved : QStringLiteral("failed"));
            }
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
}

TEST(NameReservation, FailuresAreErrorsNotEndlessLoops)
{
    test::TempHome home;
    test::writeBytes(home.file("blocker"), "");
    const Result<QString> underFile = ReserveName(home.file("blocker/x.BMP"), home.file("blocker/x"), "bmp", true);
    ASSERT_FALSE(underFile.has_value());
    EXPECT_EQ(underFile.error().code, Error::Code::Io);

    const QString tooLong = home.file(QString(300, u'n'));
    const Result<QString> longName = ReserveName(tooLong + ".BMP", tooLong, "bmp", true);
    ASSERT_FALSE(longName.has_value());
    EXPECT_EQ(longName.error().code, Error::Code::Io);
}

} // namespace
} // namespace qm
