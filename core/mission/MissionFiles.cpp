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

std::vector<std::filesystem::path> JsonFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().extension() == ".json") {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool IsCsv(const std::filesystem::path& file) {
    std::string extension = PathToUtf8(file.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv";
}

}  // namespace

Result<Mission> ReadMissionFile(const std::filesystem::path& file) {
    // Only regular files (or links to them) are opened: a pipe or device would block or never
    // end.
    std::error_code typeError;
    if (!std::filesystem::is_regular_file(file, typeError)) {
        return Error{"The file cannot be read."};
    }
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(file, sizeError);
    if (!sizeError && size > kMaxMissionFileBytes) {
        return Error{"The file is larger than 16 MiB; a mission file is smaller."};
    }
    Result<std::string> content =
        ReadFileContent(file, "The file cannot be read.", kMaxMissionFileBytes);
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
    for (const std::filesystem::path& file : JsonFiles(folder)) {
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
