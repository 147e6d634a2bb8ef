#include "mission/MissionFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

#include "platform/FileRead.h"
#include "platform/NamedFiles.h"
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
    NamedFileSet<Mission> set = LoadNamedFiles<Mission>(folder, shownFolder, ReadMissionFile);
    return {std::move(set.items), std::move(set.messages)};
}

MissionSet LoadMissions(const DataLocation& location) {
    NamedFileSet<Mission> set =
        LoadShippedAndOwnFiles<Mission>(location, "Missions", ReadMissionFile);
    return {std::move(set.items), std::move(set.messages)};
}

}  // namespace runwell
