#include <QSet>

#include <gtest/gtest.h>

#include "platform/AppHome.h"
#include "settings/IniDocument.h"
#include "settings/IniStore.h"
#include "settings/SettingKeys.h"
#include "settings/TextFile.h"
#include "tests/foundation/FileHelpers.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

TEST(SettingKeys, MissingKeysCountAsNeitherZeroNorOne)
{
    test::TempHome home;
    const FileSettings settings(home.settingsPath());
    for (const SettingKey* key : AllSettingKeys()) {
        EXPECT_EQ(ReadText(settings, *key), "") << key->name;
        EXPECT_FALSE(ReadFlag(settings, *key)) << key->name;
        EXPECT_FALSE(ReadEquals(settings, *key, 0)) << key->name;
        EXPECT_EQ(ReadNumber(settings, *key), 0.0) << key->name;
    }
}

TEST(SettingKeys, EachKeyIsDeclaredOnceAndFoundUnderItsWrittenName)
{
    test::TempHome home;
    const FileSettings settings(home.settingsPath());
    QSet<QString> seen;
    for (const SettingKey* key : AllSettingKeys()) {
        const QString slot = key->sectionName() + '/' + key->keyName().toLower();
        EXPECT_FALSE(seen.contains(slot)) << "declared twice: " << slot.toStdString();
        seen.insert(slot);
        // What the dialog writes is what the readers find ("Twz" / "twz", "Itransparency " / "Itransparency").
        ASSERT_TRUE(WriteSetting(home.settingsPath(), key->sectionName(), key->writtenName(), "1"));
        EXPECT_TRUE(ReadFlag(settings, *key)) << key->name;
    }
}

TEST(SettingKeys, FlagsAreOnOnlyWhenTheyEqualOne)
{
    test::TempHome home;
    const FileSettings settings(home.settingsPath());
    const struct
    {
        const char* stored;
        bool on;
    } cases[] = { { "1", true }, { "01", true }, { " 1", true }, { "1.0", true }, { "0", false }, { "2", false },
        { "yes", false }, { "1x", false }, { "", false } };
    for (const auto& c : cases) {
        home.set("set", "Thumbnail", c.stored);
        EXPECT_EQ(ReadFlag(settings, keys::Thumbnail), c.on) << '"' << c.stored << '"';
    }
}

TEST(SettingKeys, JobsAndPageTimeoutHaveSafeBounds)
{
    test::TempHome home;
    const FileSettings settings(home.settingsPath());
    const struct
    {
        const char* stored;
        int jobs;
        qint64 seconds;
    } cases[] = {
        { nullptr, 3, 60 }, // automatic: the machine below
        { "", 3, 60 },
        { " Auto ", 3, 60 },
        { "abc", 1, 60 },
        { "0", 1, 60 },
        { "-5", 1, 60 },
        { "3", 3, 3 },
        { "2.5", 2, 2 },
        { "16", 16, 16 },
        { "17", 16, 17 },
        { "3000000", 16, 86400 },
        { "1e12", 16, 86400 },
        { "0.2", 1, 1 },
        { "120 s", 16, 120 },
    };
    for (const auto& c : cases) {
        QFile::remove(home.settingsPath());
        if (c.stored) {
            home.set("set", "jobs", c.stored);
            home.set("set", "timeout", c.stored);
        }
        EXPECT_EQ(ReadJobs(settings, MachineResources { 3, 0 }), c.jobs) << (c.stored ? c.stored : "(missing)");
        EXPECT_EQ(ReadPageTimeout(settings).count(), c.seconds) << (c.stored ? c.stored : "(missing)");
    }
}

TEST(SettingKeys, FirstRunSettingsHoldEveryKeyWithSoundValues)
{
    const Result<QByteArray> bytes = ReadTextFile(AppHome::shareFile("settings.dat"));
    ASSERT_TRUE(bytes.has_value()) << bytes.error().message.toStdString();
    const IniDocument firstRun(*bytes);
    for (const SettingKey* key : AllSettingKeys()) {
        // Passwords are for one run only.
        const bool runOnly = key == &keys::Auth;
        EXPECT_EQ(firstRun.value(key->sectionName(), key->keyName()).has_value(), !runOnly) << key->name;
    }

    test::TempHome home;
    test::writeBytes(home.settingsPath(), *bytes);
    const FileSettings settings(home.settingsPath());
    EXPECT_EQ(ReadText(settings, keys::OutputFormat), "PNG");
    EXPECT_EQ(ReadInteger(settings, keys::Quality), 90);
    EXPECT_TRUE(ReadEquals(settings, keys::ExistingFileRule, 0)) << "new users get numbering, not overwriting";
    EXPECT_FALSE(ReadEquals(settings, keys::NameChoice, 0)) << "new users get names after the site";
    EXPECT_TRUE(ReadFlag(settings, keys::Scripts));
    EXPECT_TRUE(JobsAreAutomatic(ReadText(settings, keys::Jobs)));
    EXPECT_EQ(ReadPageTimeout(settings).count(), 60);
}

TEST(SettingKeys, AutomaticJobsAreOnePerCoreAsFarAsMemoryGoes)
{
    constexpr qint64 GiB = qint64(1) << 30;
    EXPECT_EQ(AutomaticJobs({ 2, 24 * GiB }), 2);
    EXPECT_EQ(AutomaticJobs({ 8, 3 * GiB }), 2) << "a GiB for the browser, then one per page";
    EXPECT_EQ(AutomaticJobs({ 4, GiB / 2 }), 1) << "never none";
    EXPECT_EQ(AutomaticJobs({ 4, 0 }), 4) << "memory unknown";
    EXPECT_EQ(AutomaticJobs({ 64, 256 * GiB }), MostJobs);
}

} // namespace
} // namespace qm
