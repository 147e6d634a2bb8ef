#include "battery/BatteryModelFiles.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <system_error>

#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell {

BatteryModelSet LoadBatteryModels(const std::filesystem::path& folder,
                                  const std::vector<BatteryRecord>& batteries,
                                  const std::string& shownFolder) {
    BatteryModelSet set;
    set.models.resize(batteries.size());

    std::map<std::string, std::string> claimed;  // battery description -> file that describes it
    for (const std::filesystem::path& file : FilesWithExtension(folder, ".json")) {
        const std::string name = shownFolder + "/" + PathToUtf8(file.filename());
        const Result<std::string> content = ReadDataFile(
            file, std::uint64_t{1} << 20,
            "The file is larger than 1 MiB; a battery model is a few kilobytes.");
        if (!content) {
            set.messages.push_back(name + ": " + content.error().message);
            continue;
        }
        Result<BatteryModel> model = ParseBatteryModel(*content);
        if (!model) {
            set.messages.push_back(name + ": " + model.error().message);
            continue;
        }
        const auto [entry, fresh] = claimed.emplace(model->battery, name);
        if (!fresh) {
            set.messages.push_back(name + ": " + entry->second + " already describes \"" +
                                   model->battery + "\"; this file is not used.");
            continue;
        }
        for (std::size_t i = 0; i < batteries.size(); ++i) {
            if (batteries[i].description == model->battery) {
                set.models[i] = *model;
            }
        }
    }
    return set;
}

BatteryModelSet LoadBatteryModels(const DataLocation& location,
                                  const std::vector<BatteryRecord>& batteries) {
    const std::filesystem::path shipped = location.folder / "BatteryModels";
    BatteryModelSet set = LoadBatteryModels(shipped, batteries);
    if (location.customBatteries.empty()) {
        return set;
    }
    const std::filesystem::path user = location.customBatteries.parent_path() / "BatteryModels";
    // In the portable layout both are one folder, which is read once.
    std::error_code error;
    if (user.lexically_normal() == shipped.lexically_normal() ||
        std::filesystem::equivalent(user, shipped, error)) {
        return set;
    }
    BatteryModelSet own = LoadBatteryModels(user, batteries, PathToUtf8(user));
    set.messages.insert(set.messages.end(), std::make_move_iterator(own.messages.begin()),
                        std::make_move_iterator(own.messages.end()));
    for (std::size_t i = 0; i < set.models.size(); ++i) {
        if (own.models[i]) {
            set.models[i] = std::move(own.models[i]);
        }
    }
    return set;
}

}  // namespace runwell
