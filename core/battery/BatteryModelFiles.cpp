#include "battery/BatteryModelFiles.h"

#include <cstdint>
#include <iterator>
#include <utility>

#include "platform/FileRead.h"
#include "platform/NamedFiles.h"
#include "platform/Platform.h"

namespace runwell {

namespace {

Result<BatteryModel> ReadModelFile(const std::filesystem::path& file) {
    const Result<std::string> content =
        ReadDataFile(file, std::uint64_t{1} << 20,
                     "The file is larger than 1 MiB; a battery model is a few kilobytes.");
    if (!content) {
        return content.error();
    }
    return ParseBatteryModel(*content);
}

}  // namespace

BatteryModelSet LoadBatteryModels(const std::filesystem::path& folder,
                                  const std::vector<BatteryRecord>& batteries,
                                  const std::string& shownFolder) {
    NamedFileSet<BatteryModel> read =
        LoadNamedFiles<BatteryModel>(folder, shownFolder, ReadModelFile, &BatteryModel::battery);
    BatteryModelSet set;
    set.models.resize(batteries.size());
    set.messages = std::move(read.messages);
    for (const BatteryModel& model : read.items) {
        for (std::size_t i = 0; i < batteries.size(); ++i) {
            if (batteries[i].description == model.battery) {
                set.models[i] = model;
            }
        }
    }
    return set;
}

BatteryModelSet LoadBatteryModels(const DataLocation& location,
                                  const std::vector<BatteryRecord>& batteries) {
    BatteryModelSet set = LoadBatteryModels(location.folder / "BatteryModels", batteries);
    const std::filesystem::path user = UserFolderBeside(location, "BatteryModels");
    if (user.empty()) {
        return set;
    }
    BatteryModelSet own = LoadBatteryModels(user, batteries, "");
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
