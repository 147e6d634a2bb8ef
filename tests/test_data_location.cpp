// Where the programs find their data: the portable layout (Data/ beside the executable) and the
// installed one (share/runwell beside bin/, CustomBattery.csv in the user's data folder).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "RecordingPrompter.h"
#include "ScratchFolder.h"
#include "battery/BatteryCatalogue.h"
#include "platform/DataLocation.h"
#include "platform/FileRead.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

TEST(DataLocation, UserDataFolderFollowsTheXdgRules) {
    struct Case {
        const char* xdgDataHome;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/x/data", "/home/u", "/x/data"},
        {nullptr, "/home/u", "/home/u/.local/share"},
        {"", "/home/u", "/home/u/.local/share"},        // set but empty: as if unset
        {"rel/data", "/home/u", "/home/u/.local/share"},  // relative: ignored
        {"/x/data", nullptr, "/x/data"},
        {nullptr, "relative", ""},
        {nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UserDataFolder(c.xdgDataHome, c.home), fs::path(c.expected))
            << (c.xdgDataHome ? c.xdgDataHome : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}

TEST(DataLocation, PortableOnlyWhenTheProgramFolderHoldsADataFolder) {
    const ScratchFolder root;
    const fs::path bin = root / "bin", user = root / "user";
    fs::create_directories(bin);

    const DataLocation installed = FindDataLocation(bin, user);
    EXPECT_EQ(installed.folder, root / "share/runwell");
    EXPECT_EQ(installed.customBatteries, user / "runwell/CustomBattery.csv");
    EXPECT_TRUE(installed.createCustomFolder);
    EXPECT_EQ(FindDataLocation(bin, {}).customBatteries, fs::path());  // nowhere to keep it

    std::ofstream(bin / "Data") << "a file, not the folder";
    EXPECT_EQ(FindDataLocation(bin, user).folder, root / "share/runwell");

    fs::remove(bin / "Data");
    fs::create_directory(bin / "Data");
    const DataLocation portable = FindDataLocation(bin, user);
    EXPECT_EQ(portable.folder, bin);
    EXPECT_EQ(portable.customBatteries, bin / "CustomBattery.csv");
    EXPECT_FALSE(portable.createCustomFolder);
}

/// An installed tree under a scratch root: bin/ empty, share/runwell with the shipped data.
struct InstalledTree : ScratchFolder {
    fs::path bin = path() / "bin";
    InstalledTree() {
        const fs::path share = path() / "share/runwell";
        fs::create_directories(bin);
        fs::create_directories(share);
        fs::copy(fs::path(RUNWELL_SOURCE_DIR) / "Data", share / "Data");
        fs::copy_file(fs::path(RUNWELL_SOURCE_DIR) / "StandardBattery.csv",
                      share / "StandardBattery.csv");
    }
    std::size_t StandardCount() const {
        std::vector<BatteryRecord> records;
        EXPECT_EQ(LoadBatteryFile(path() / "share/runwell/StandardBattery.csv", records),
                  std::nullopt);
        return records.size();
    }
};

TEST(DataLocation, InstalledLayoutKeepsCustomBatteriesInTheUsersFolderOrGivesOneNotice) {
    const InstalledTree tree;
    const fs::path user = tree / "home/.local/share";  // none of it exists yet
    const fs::path custom = user / "runwell/CustomBattery.csv";
    {
        RecordingPrompter prompter;
        const Result<Workspace> started = Workspace::Start(FindDataLocation(tree.bin, user), prompter);
        ASSERT_TRUE(started.ok());
        EXPECT_EQ(prompter.messages, std::vector<std::string>{});
        EXPECT_EQ(started->batteries().size(), tree.StandardCount());
    }
    EXPECT_EQ(ReadWholeFile(custom), std::string(CustomBatteryHeader()));
    EXPECT_TRUE(fs::is_empty(tree.bin));
    for (const fs::path& created : {tree / "home", user, user / "runwell"}) {
        EXPECT_EQ(fs::status(created).permissions() & fs::perms::all, fs::perms::owner_all)
            << created;
    }

    std::ofstream(custom, std::ios::app | std::ios::binary) << "Mine,100\r\n";
    RecordingPrompter prompter;
    const Result<Workspace> again = Workspace::Start(FindDataLocation(tree.bin, user), prompter);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(prompter.messages, std::vector<std::string>{});
    ASSERT_EQ(again->batteries().size(), tree.StandardCount() + 1);
    EXPECT_EQ(again->batteries().back().description, "Mine");

    // A user folder that cannot take the custom file is one notice.
    const fs::path blocked = tree / "not-a-folder";
    std::ofstream(blocked) << "x";
    for (const fs::path& unusable : {blocked, blocked / "deeper", fs::path()}) {
        RecordingPrompter notices;
        const Result<Workspace> started =
            Workspace::Start(FindDataLocation(tree.bin, unusable), notices);
        ASSERT_TRUE(started.ok()) << unusable;
        EXPECT_EQ(notices.messages, std::vector<std::string>{"Cannot open file for writing."})
            << unusable;
        EXPECT_EQ(notices.kinds, std::vector<MessageKind>{MessageKind::Notice}) << unusable;
        EXPECT_EQ(started->batteries().size(), tree.StandardCount()) << unusable;
    }
    EXPECT_TRUE(fs::is_regular_file(blocked));
}

}  // namespace
}  // namespace runwell
