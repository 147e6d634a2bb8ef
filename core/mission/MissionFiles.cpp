#include "mission/MissionFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <system_error>

#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell {

namespace {

// A series of 100,000 points of about 20 characters each fits with room to spare.
constexpr std::uint64_t kMaxMissionFileBytes = std::uint64_t{16} << 20;

bool IsCsv(const std::filesystem::path& file) {
    std::string extension = PathToUtf8(file.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv";
}

}  // namespace

Result<Mission> ReadMissionFile(const std::filesystem::path& file) {
    Result<std::string> content = ReadDataFile(
        file, kMaxMissionFileBytes, "The file is larger than 16 MiB; a mission file is smaller.");
    if (!content) {
        return content.error();
    }
    if (IsCsv(file)) {
        return ParseMissionCsv(*content, PathToUtf8(file.stem()));
    }
    return ParseMission(*content);
}

MissionSet LoadMissions(const std::filesystem::path& folder, const std::string& shownFolder) {
    MissionSet set;
    std::map<std::string, std::string> claimed;  // mission name -> file that describes it
    for (const std::filesystem::path& file : FilesWithExtension(folder, ".json")) {
        const std::string name = shownFolder + "/" + PathToUtf8(file.filename());
        Result<Mission> mission = ReadMissionFile(file);
        if (!mission) {
            set.messages.push_back(name + ": " + mission.error().message);
            continue;
        }
        const auto [entry, fresh] = claimed.emplace(mission->name, name);
        if (!fresh) {
            set.messages.push_back(name + ": " + entry->second + " already describes \"" +
                                   mission->name + "\"; this file is not used.");
            continue;
        }
        set.missions.push_back(std::move(*mission));
    }
    return set;
}

}  // namespace runwell
