// The profile sidecar NAME.set.json: its format, and how saving and loading a settings file
// carry the minimum operating voltage without changing the settings file itself.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "RecordingPrompter.h"
#include "ScratchFolder.h"
#include "TableFile.h"
#include "files/ProfileDocument.h"
#include "files/ProfileExtras.h"
#include "files/SettingsFile.h"
#include "platform/FileRead.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

TEST(ProfileExtras, ContentRoundTripsAndBadContentIsNamed) {
    const ProfileExtras set{2.2, SettingsDigest("bytes"), {}, std::nullopt};
    Result<ProfileExtras> read = ParseProfileExtras(SerializeProfileExtras(set));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read, set);
    read = ParseProfileExtras(SerializeProfileExtras(ProfileExtras{}));
    ASSERT_TRUE(read.ok());
    EXPECT_TRUE(read->empty());
    // Fields a later version adds are ignored.
    read = ParseProfileExtras(
        R"({"format":"runwell-profile-extras","version":1,"minimumVoltage":1.8,"later":true})");
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read->minimumVoltage, 1.8);

    const auto broken = ReadTable(fs::path(RUNWELL_FIXTURES) / "profile/extras_broken.tsv");
    ASSERT_GE(broken.size(), 7u);
    for (const auto& row : broken) {
        ASSERT_EQ(row.size(), 3u) << row[0];
        const Result<ProfileExtras> bad = ParseProfileExtras(row[1]);
        ASSERT_FALSE(bad.ok()) << row[0];
        EXPECT_EQ(bad.error().message, row[2]) << row[0];
    }
}

/// A scratch folder and a workspace started on the settings fixtures' data.
class Sidecar : public ::testing::Test {
protected:
    void SetUp() override {
        Result<Workspace> workspace =
            Workspace::Start(fs::path(RUNWELL_FIXTURES) / "settings" / "data", prompter);
        ASSERT_TRUE(workspace.ok());
        started.emplace(std::move(*workspace));
    }

    const ScratchFolder folder;
    RecordingPrompter prompter;
    std::optional<Workspace> started;
};

// Saves and loads carry the minimum voltage in a sidecar; a broken one is named.
TEST_F(Sidecar, SaveAndLoadCarryTheVoltageBesideTheSameSettingsBytes) {
    Workspace& workspace = *started;
    ModeRecord mode;
    mode.label = "m";
    mode.totalCurrent = 5000.0f;
    workspace.AddMode(mode);
    const std::string classic = SerializeSettings(SettingsOf(workspace));
    EXPECT_FALSE(workspace.SetMinimumVoltage(0.0));
    EXPECT_FALSE(workspace.SetMinimumVoltage(std::nan("")));
    EXPECT_EQ(workspace.minimumVoltage(), std::nullopt);
    ASSERT_TRUE(workspace.SetMinimumVoltage(2.2));

    ASSERT_TRUE(SaveSettings(workspace, folder / "profile").ok());
    EXPECT_EQ(ReadWholeFile(folder / "profile.set"), classic);
    ASSERT_TRUE(fs::exists(folder / "profile.set.json"));

    ASSERT_TRUE(workspace.SetMinimumVoltage(std::nullopt));
    LoadSettings(workspace, folder / "profile.set", prompter);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(workspace.minimumVoltage(), 2.2);

    // Saved again with the default: the stale sidecar goes, so a later load gets the default.
    ASSERT_TRUE(workspace.SetMinimumVoltage(std::nullopt));
    ASSERT_TRUE(SaveSettings(workspace, folder / "profile.set").ok());
    EXPECT_FALSE(fs::exists(folder / "profile.set.json"));
    ASSERT_TRUE(workspace.SetMinimumVoltage(3.0));
    LoadSettings(workspace, folder / "profile.set", prompter);
    EXPECT_EQ(workspace.minimumVoltage(), std::nullopt);

    // A broken sidecar is named and the profile loads with the defaults; a declined load keeps
    // the voltage.
    ASSERT_TRUE(SaveSettings(workspace, folder / "p.set").ok());
    std::ofstream(folder / "p.set.json") << "{\"format\":";
    ASSERT_TRUE(workspace.SetMinimumVoltage(2.7));
    LoadSettings(workspace, folder / "p.set", prompter);
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{"p.set.json: The file is not valid JSON. The default extra "
                                       "settings apply."});
    EXPECT_EQ(workspace.minimumVoltage(), std::nullopt);
    EXPECT_EQ(workspace.modes().size(), 1u);

    std::ofstream(folder / "p.set.json", std::ios::trunc)
        << SerializeProfileExtras({1.9, std::nullopt, {}, std::nullopt});
    ASSERT_TRUE(workspace.SetMinimumVoltage(2.7));
    prompter.answer = false;  // the profile has modes: the load asks first
    LoadSettings(workspace, folder / "p.set", prompter);
    EXPECT_EQ(workspace.minimumVoltage(), 2.7);

    // A sidecar that is a folder cannot be read.
    fs::remove(folder / "p.set.json");
    fs::create_directory(folder / "p.set.json");
    const Result<ProfileExtras> unread = LoadProfileExtras(folder / "p.set");
    ASSERT_FALSE(unread.ok());
    EXPECT_EQ(unread.error().message, "p.set.json: Cannot open file for reading.");
}

// A sidecar belongs to the settings bytes it was saved with: one left beside another version of
// the file (a save stopped between the two files, a copy of one of them) is named and ignored;
// a sidecar that cannot be written is reported as what it is, after the settings were saved.
TEST_F(Sidecar, TiesToItsSettingsBytesAndFailuresAreToldTruly) {
    Workspace& workspace = *started;
    ASSERT_TRUE(workspace.SetMinimumVoltage(2.2));
    ASSERT_TRUE(SaveSettings(workspace, folder / "a.set").ok());
    const std::string oldSidecar = *ReadWholeFile(folder / "a.set.json");

    ModeRecord mode;
    mode.label = "m";
    workspace.AddMode(mode);
    ASSERT_TRUE(workspace.SetMinimumVoltage(1.9));
    ASSERT_TRUE(SaveSettings(workspace, folder / "a.set").ok());
    std::ofstream(folder / "a.set.json", std::ios::trunc) << oldSidecar;  // as a killed save
    prompter.answer = true;
    EXPECT_TRUE(LoadSettings(workspace, folder / "a.set", prompter));
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{"a.set.json: these extra settings were saved with another "
                                       "version of a.set and are ignored; the defaults apply."});
    EXPECT_EQ(workspace.minimumVoltage(), std::nullopt);
    EXPECT_EQ(workspace.modes().size(), 1u);

    // A sidecar of an earlier version, without a digest, still applies.
    std::ofstream(folder / "a.set.json", std::ios::trunc)
        << R"({"format":"runwell-profile-extras","version":1,"minimumVoltage":2.5})";
    prompter.messages.clear();
    EXPECT_TRUE(LoadSettings(workspace, folder / "a.set", prompter));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(workspace.minimumVoltage(), 2.5);

    // A folder that holds something where the sidecar goes: the settings are saved, and the
    // failure says so.
    fs::remove(folder / "a.set.json");
    fs::create_directories(folder / "a.set.json" / "inside");
    ASSERT_TRUE(workspace.SetMinimumVoltage(2.0));
    const Status saved = SaveSettings(workspace, folder / "a.set");
    ASSERT_FALSE(saved.ok());
    EXPECT_TRUE(SettingsWereSaved(saved));
    EXPECT_TRUE(saved.error().message.starts_with(
        "The settings were saved; the extras could not be written: a.set.json: "))
        << saved.error().message;
    EXPECT_EQ(ReadWholeFile(folder / "a.set"), SerializeSettings(workspace));
    const Status failed = SaveSettings(workspace, folder / "no-such-folder" / "b.set");
    EXPECT_FALSE(SettingsWereSaved(failed));

    // Without extras an empty folder of the sidecar's name is left alone, not deleted.
    fs::remove_all(folder / "a.set.json");
    fs::create_directory(folder / "a.set.json");
    ASSERT_TRUE(workspace.SetMinimumVoltage(std::nullopt));
    EXPECT_TRUE(SaveSettings(workspace, folder / "a.set").ok());
    EXPECT_TRUE(fs::is_directory(folder / "a.set.json"));
}

// A save killed at any moment, a thousand times: the settings file is always one of the two
// profiles whole, its sidecar either belongs to it (the same digest and that profile's voltage)
// or is one a load recognises as another version's; and the next save leaves no temporary file.
TEST_F(Sidecar, KilledSavesNeverPairASettingsFileWithAnotherOnesExtras) {
    Workspace one = *started;
    ASSERT_TRUE(one.SetMinimumVoltage(2.2));
    Workspace two = *started;
    ModeRecord mode;
    mode.label = "m";
    two.AddMode(mode);
    ASSERT_TRUE(two.SetMinimumVoltage(1.9));
    const std::string oneBytes = SerializeSettings(one);
    const std::string twoBytes = SerializeSettings(two);
    const fs::path target = folder / "p.set";
    ASSERT_TRUE(SaveSettings(one, target).ok());

    std::mt19937 random(7);
    std::uniform_int_distribution<int> delay(0, 3000);  // microseconds
    for (int kill = 0; kill < 1000; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                (void)SaveSettings(i % 2 == 0 ? two : one, target);
            }
        }
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::optional<std::string> bytes = ReadWholeFile(target);
        ASSERT_TRUE(bytes == oneBytes || bytes == twoBytes) << "kill " << kill;
        const Result<ProfileExtras> extras = LoadProfileExtras(target);
        ASSERT_TRUE(extras.ok()) << "kill " << kill << ": " << extras.error().message;
        ASSERT_TRUE(extras->settingsDigest.has_value());
        if (*extras->settingsDigest == SettingsDigest(*bytes)) {
            EXPECT_EQ(extras->minimumVoltage, *bytes == oneBytes ? 2.2 : 1.9) << "kill " << kill;
        }
    }
    // The next save is made by a later process in real use: the killed writers' temporary
    // files are dated before it started.
    const auto before = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.path())) {
        fs::last_write_time(entry.path(), before);
    }
    ASSERT_TRUE(SaveSettings(one, target).ok());
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".runwell-"), std::string::npos)
            << entry.path();
    }
}

}  // namespace
}  // namespace runwell
