#include <QFile>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "settings/SettingsSource.h"
#include "tests/foundation/FileHelpers.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

// Rewrites the file in place (same inode) and gives it back the modification time it had.
void rewriteKeepingTime(const QString& path, const QByteArray& bytes, const timespec& modified)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    const timespec times[2] = { modified, modified };
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

TEST(FileSettings, ReadsTheFileAgainOnlyAfterItsSizeOrTimeChanged)
{
    test::TempHome home;
    const QString path = home.settingsPath();
    test::writeBytes(path, "[set]\nquality=50\n");
    FileSettings settings(path);
    EXPECT_EQ(settings.read("set", "quality"), "50");

    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    rewriteKeepingTime(path, "[set]\nquality=60\n", info.st_mtim);
    EXPECT_EQ(settings.read("set", "quality"), "50") << "an unchanged file was read again";

    timespec later = info.st_mtim;
    later.tv_sec += 2;
    rewriteKeepingTime(path, "[set]\nquality=60\n", later);
    EXPECT_EQ(settings.read("set", "quality"), "60") << "a newer file was not read";

    rewriteKeepingTime(path, "[set]\nquality=700\n", later);
    EXPECT_EQ(settings.read("set", "quality"), "700") << "a file of another size was not read";

    QFile::remove(path);
    EXPECT_EQ(settings.read("set", "quality"), "");
}

TEST(FileSettings, UnreadableFileIsReportedOnceAndReadsAsEmpty)
{
    test::TempHome home;
    const QString path = home.settingsPath();
    test::writeBytes(path, QByteArray("[set]\nquality=50\n\0\0\0", 20));
    FileSettings settings(path);
    QStringList told;
    settings.setProblemHandler([&told](const QString& reason) { told.append(reason); });
    ASSERT_EQ(told.size(), 1) << "the problem was not told when the handler was set";
    EXPECT_TRUE(told.first().contains(path));
    EXPECT_EQ(settings.read("set", "quality"), "");
    test::writeBytes(path, QByteArray("[set]\nquality=50\n\0\0\0\0", 21));
    EXPECT_EQ(settings.read("set", "quality"), "");
    EXPECT_EQ(told.size(), 1) << "told more than once";

    test::writeBytes(path, "[set]\nquality=70\n");
    EXPECT_EQ(settings.read("set", "quality"), "70");
    EXPECT_TRUE(settings.problem().isEmpty());
}

} // namespace
} // namespace qm
