#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace runwell {

/// Settings of a profile that the binary settings file has no room for. They live in a sidecar
/// beside it, NAME.set.json, so a settings file stays byte for byte what older versions write
/// and read, and a version that knows no sidecar simply never opens it.
struct ProfileExtras {
    /// The device's minimum operating voltage for the derated life; nothing: the cell's cut-off.
    std::optional<double> minimumVoltage;

    bool empty() const { return !minimumVoltage; }
    friend bool operator==(const ProfileExtras&, const ProfileExtras&) = default;
};

/// The sidecar of the settings file at `settingsPath`: the same path with ".json" appended.
std::filesystem::path ProfileExtrasPath(const std::filesystem::path& settingsPath);

/// {"format": "runwell-profile-extras", "version": 1, "minimumVoltage": V} (the voltage only
/// when set), ended by a line feed.
std::string SerializeProfileExtras(const ProfileExtras& extras);

/// Reads a sidecar's content. Unknown fields are ignored so that later versions can add some;
/// a wrong format, a newer version or a voltage that is not a number above 0 and at most 100 V
/// fails with a message.
Result<ProfileExtras> ParseProfileExtras(std::string_view content);

/// The largest sidecar a load reads: a profile's extras are a few lines.
inline constexpr std::size_t kMaxProfileExtrasBytes = std::size_t{1} << 16;

}  // namespace runwell
