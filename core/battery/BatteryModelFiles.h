#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cell/BatteryModel.h"
#include "estimate/BatteryRecord.h"
#include "platform/DataLocation.h"

namespace runwell {

/// The battery models that belong to a catalogue: entry i is the model of battery i, or nothing
/// ("no model").
struct BatteryModelSet {
    std::vector<std::optional<BatteryModel>> models;
    std::vector<std::string> messages;  // one per file that could not be used, in name order
};

/// Reads every "*.json" in `folder` (the BatteryModels folder beside the battery catalogue) in
/// name order and gives each battery of `batteries` the model whose "battery" equals its
/// description. A file that cannot be read or is malformed is skipped with a message naming it;
/// a second file for the same battery is skipped likewise. A missing folder holds no models.
/// Messages name a file as `shownFolder`/NAME, or by its whole path when `shownFolder` is empty.
BatteryModelSet LoadBatteryModels(const std::filesystem::path& folder,
                                  const std::vector<BatteryRecord>& batteries,
                                  const std::string& shownFolder = "BatteryModels");

/// The models of one run: the shipped ones in `location.folder`/BatteryModels, then the user's in
/// the BatteryModels folder beside CustomBattery.csv when that is another folder. A user's model
/// replaces the shipped model of the same battery, so a user can correct a shipped model with
/// figures of their own; the messages name the shipped folder's files first (as
/// "BatteryModels/NAME"), then the user's by their whole path.
BatteryModelSet LoadBatteryModels(const DataLocation& location,
                                  const std::vector<BatteryRecord>& batteries);

}  // namespace runwell
