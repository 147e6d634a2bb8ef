#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceData.h"
#include "estimate/ModeRecord.h"

namespace runwell {

/// A mode opened in the mode editor at a voltage and temperature and confirmed unchanged.
struct RefreshedMode {
    std::vector<std::string> warnings;  // opening warnings, then the confirmation's
    std::optional<ModeRecord> record;   // empty when the editor refused the confirmation
    std::string refusal;                // why, when refused
};

RefreshedMode RefreshMode(const DeviceData& device, std::string_view voltage,
                          std::string_view temperature, const ModeRecord& mode);

/// Every mode of a profile refreshed so; a refused mode is kept as it was.
struct ProfileRefresh {
    std::vector<ModeRecord> modes;
    /// Every warning in order, and for a refused mode: Mode N ("label") was kept as it was: ...
    std::vector<std::string> messages;
    int refused = 0;
};

ProfileRefresh RefreshProfile(const DeviceData& device, std::string_view voltage,
                              std::string_view temperature, const std::vector<ModeRecord>& modes);

}  // namespace runwell
