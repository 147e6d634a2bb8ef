// The missions of a run's Missions folder and a mission file the user chose: the shipped files
// load, bad files are skipped by name, a CSV is read by its extension.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "mission/MissionFiles.h"
#include "platform/Platform.h"

namespace runwell {
namespace {

std::string Monthly(const std::string& name) {
    Mission mission;
    mission.name = name;
    mission.kind = MissionKind::kMonthly;
    mission.monthlyC = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    return WriteMission(mission);
}

TEST(MissionFiles, EveryShippedMissionLoadsInNameOrder) {
    const MissionSet set = LoadMissions(std::filesystem::path(RUNWELL_BIN_DIR) / "Missions");
    EXPECT_EQ(set.messages, std::vector<std::string>{});
    ASSERT_EQ(set.missions.size(), 3u);
    // hong-kong-july-day-night, hong-kong-monthly, indoor-after-storage
    EXPECT_EQ(set.missions[0].kind, MissionKind::kDayNight);
    EXPECT_EQ(set.missions[1].kind, MissionKind::kMonthly);
    EXPECT_EQ(set.missions[1].monthlyC[7], 29.5);  // August 1998
    EXPECT_EQ(set.missions[2].storageMonths, 6.0);
}

TEST(MissionFiles, BadAndRepeatedFilesAreSkippedByNameAndOthersKept) {
    const ScratchFolder folder;
    folder.Put("Missions/a.json", Monthly("Yard"));
    folder.Put("Missions/b-broken.json", "{\"format\": \"runwell-mission\"");
    folder.Put("Missions/c-same.json", Monthly("Yard"));
    folder.Put("Missions/d-range.json",
               Monthly("Hot").replace(Monthly("Hot").find("12"), 2, "900"));
    folder.Put("Missions/e.json", Monthly("Shed"));
    folder.Put("Missions/notes.txt", "not a mission");
    std::filesystem::create_directory(folder / "Missions" / "folder.json");

    const MissionSet set = LoadMissions(folder / "Missions");
    ASSERT_EQ(set.missions.size(), 2u) << ::testing::PrintToString(set.messages);
    EXPECT_EQ(set.missions[0].name, "Yard");
    EXPECT_EQ(set.missions[1].name, "Shed");
    ASSERT_EQ(set.messages.size(), 4u);
    EXPECT_EQ(set.messages[0].substr(0, 24), "Missions/b-broken.json: ");
    EXPECT_EQ(set.messages[1],
              "Missions/c-same.json: Missions/a.json already describes \"Yard\"; "
              "this file is not used.");
    EXPECT_NE(set.messages[2].find("Missions/d-range.json: "), std::string::npos);
    EXPECT_NE(set.messages[2].find("December"), std::string::npos) << set.messages[2];
    EXPECT_EQ(set.messages[3], "Missions/folder.json: The file cannot be read.");
    EXPECT_TRUE(LoadMissions(folder / "missing").missions.empty());
    EXPECT_TRUE(LoadMissions(folder / "missing").messages.empty());
}

TEST(MissionFiles, UserMissionsReplaceShippedOnesOfTheSameNameAndOthersFollow) {
    const ScratchFolder folder;
    folder.Put("Data/Missions/a.json", Monthly("Yard"));
    folder.Put("Data/Missions/b.json", Monthly("Shed"));
    std::string own = Monthly("Yard");
    own.replace(own.find("12"), 2, "-40");
    folder.Put("User/Missions/own-yard.json", own);
    folder.Put("User/Missions/own-new.json", Monthly("Roof"));
    folder.Put("User/Missions/z-broken.json", "{");

    const MissionSet set = LoadMissions(
        DataLocation{folder / "Data", folder / "User" / "CustomBattery.csv", false});
    ASSERT_EQ(set.missions.size(), 3u) << ::testing::PrintToString(set.messages);
    EXPECT_EQ(set.missions[0].name, "Yard");
    EXPECT_EQ(set.missions[0].monthlyC[11], -40.0);  // the user's, in the shipped place
    EXPECT_EQ(set.missions[1].name, "Shed");
    EXPECT_EQ(set.missions[2].name, "Roof");
    ASSERT_EQ(set.messages.size(), 1u);
    EXPECT_EQ(set.messages[0].rfind(PathToUtf8(folder / "User" / "Missions" / "z-broken.json"), 0),
              0u)
        << set.messages[0];

    // In the portable layout the user's folder is the shipped one, read once.
    EXPECT_EQ(LoadMissions(PortableDataLocation(folder / "Data")).missions.size(), 2u);
}

TEST(MissionFiles, AChosenFileIsReadAsCsvByItsExtensionInAnyCase) {
    const ScratchFolder folder;
    folder.Put("Yard log.CSV", "hours,temperature\n0,10\n4380,30\n");
    Result<Mission> csv = ReadMissionFile(folder / "Yard log.CSV");
    ASSERT_TRUE(csv.ok()) << csv.error().message;
    EXPECT_EQ(csv->kind, MissionKind::kSeries);
    EXPECT_EQ(csv->name, "Yard log");
    ASSERT_EQ(csv->series.size(), 2u);
    EXPECT_EQ(csv->series[1], std::make_pair(4380.0, 30.0));

    folder.Put("yard.json", Monthly("Yard"));
    Result<Mission> json = ReadMissionFile(folder / "yard.json");
    ASSERT_TRUE(json.ok());
    EXPECT_EQ(json->monthlyC[11], 12.0);

    // A CSV under a JSON name is read as JSON and refused; a missing file is named as such.
    folder.Put("log.json", "hours,temperature\n0,10\n");
    EXPECT_FALSE(ReadMissionFile(folder / "log.json").ok());
    Result<Mission> missing = ReadMissionFile(folder / "none.csv");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, "The file cannot be read.");
}

TEST(MissionFiles, AFileOverSixteenMebibytesIsNotRead) {
    const ScratchFolder folder;
    folder.Put("Missions/big.json", std::string((std::size_t{16} << 20) + 1, ' '));
    const MissionSet set = LoadMissions(folder / "Missions");
    ASSERT_EQ(set.messages.size(), 1u);
    EXPECT_EQ(set.messages[0],
              "Missions/big.json: The file is larger than 16 MiB; a mission "
              "file is smaller.");
}

}  // namespace
}  // namespace runwell
