#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "mission/Mission.h"
#include "platform/DataLocation.h"

namespace runwell {

/// The missions one run offers, in the order they are shown.
struct MissionSet {
    std::vector<Mission> missions;
    std::vector<std::string> messages;  // one per file that could not be used, in name order
};

/// Reads every "*.json" in `folder` in name order with ParseMission. A file that cannot be
/// read, is larger than 16 MiB or is malformed is skipped with a message naming it as
/// `shownFolder`/NAME; so is a second file of a mission name already read. A missing folder
/// holds no missions.
MissionSet LoadMissions(const std::filesystem::path& folder,
                        const std::string& shownFolder = "Missions");

/// The missions of one run: the shipped ones in `location.folder`/Missions, then the user's in
/// the Missions folder beside CustomBattery.csv when that is another folder. A user's mission
/// replaces the shipped one of the same name in its place; the others follow. The messages name
/// the shipped folder's files first (as "Missions/NAME"), then the user's by their whole path.
MissionSet LoadMissions(const DataLocation& location);

/// A mission file the user chose: JSON (ParseMission), or a CSV of time and temperature
/// (ParseMissionCsv, named after the file) when its name ends in ".csv" in any case. The
/// message says why it cannot be used.
Result<Mission> ReadMissionFile(const std::filesystem::path& file);

}  // namespace runwell
