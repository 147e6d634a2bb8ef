// The profile sidecar NAME.set.json: its format, and how saving and loading a settings file
// carry the minimum operating voltage without changing the settings file itself.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
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
    const ProfileExtras set{2.2};
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

// Saves and loads carry the minimum voltage in a sidecar; a broken one is named.
TEST(Sidecar, SaveAndLoadCarryTheVoltageBesideTheSameSettingsBytes) {
    const ScratchFolder folder;
    RecordingPrompter prompter;
    Result<Workspace> started =
        Workspace::Start(fs::path(RUNWELL_FIXTURES) / "settings" / "data", prompter);
    ASSERT_TRUE(started.ok());
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
              std::vector<std::string>{"p.set.json: The file is not valid JSON."});
    EXPECT_EQ(workspace.minimumVoltage(), std::nullopt);
    EXPECT_EQ(workspace.modes().size(), 1u);

    std::ofstream(folder / "p.set.json", std::ios::trunc) << SerializeProfileExtras({1.9});
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

}  // namespace
}  // namespace runwell
