#include "power/RegulatorFiles.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <system_error>

#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell {

namespace {

constexpr std::uint64_t kMaxRegulatorFileBytes = std::uint64_t{1} << 20;

}  // namespace

Result<Regulator> ReadRegulatorFile(const std::filesystem::path& file) {
    Result<std::string> content =
        ReadDataFile(file, kMaxRegulatorFileBytes,
                     "The file is larger than 1 MiB; a regulator file is a few kilobytes.");
    if (!content) {
        return content.error();
    }
    return ParseRegulator(*content);
}

RegulatorSet LoadRegulators(const std::filesystem::path& folder, const std::string& shownFolder) {
    RegulatorSet set;
    std::map<std::string, std::string> claimed;  // regulator name -> file that describes it
    for (const std::filesystem::path& file : FilesWithExtension(folder, ".json")) {
        const std::string name = shownFolder + "/" + PathToUtf8(file.filename());
        Result<Regulator> regulator = ReadRegulatorFile(file);
        if (!regulator) {
            set.messages.push_back(name + ": " + regulator.error().message);
            continue;
        }
        const auto [entry, fresh] = claimed.emplace(regulator->name, name);
        if (!fresh) {
            set.messages.push_back(name + ": " + entry->second + " already describes \"" +
                                   regulator->name + "\"; this file is not used.");
            continue;
        }
        set.regulators.push_back(std::move(*regulator));
    }
    return set;
}

RegulatorSet LoadRegulators(const DataLocation& location) {
    const std::filesystem::path shipped = location.folder / "Regulators";
    RegulatorSet set = LoadRegulators(shipped);
    if (location.customBatteries.empty()) {
        return set;
    }
    const std::filesystem::path user = location.customBatteries.parent_path() / "Regulators";
    // In the portable layout both are one folder, which is read once.
    std::error_code error;
    if (user.lexically_normal() == shipped.lexically_normal() ||
        std::filesystem::equivalent(user, shipped, error)) {
        return set;
    }
    RegulatorSet own = LoadRegulators(user, PathToUtf8(user));
    set.messages.insert(set.messages.end(), std::make_move_iterator(own.messages.begin()),
                        std::make_move_iterator(own.messages.end()));
    for (Regulator& regulator : own.regulators) {
        const auto same =
            std::find_if(set.regulators.begin(), set.regulators.end(),
                         [&](const Regulator& other) { return other.name == regulator.name; });
        if (same != set.regulators.end()) {
            *same = std::move(regulator);
        } else {
            set.regulators.push_back(std::move(regulator));
        }
    }
    return set;
}

}  // namespace runwell
