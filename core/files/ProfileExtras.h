#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "prediction/LifePrediction.h"

namespace runwell {

/// Settings of a profile that the binary settings file has no room for. They live in a sidecar
/// beside it, NAME.set.json, so a settings file stays byte for byte what older versions write
/// and read, and a version that knows no sidecar simply never opens it.
struct ProfileExtras {
    /// The device's minimum operating voltage for the derated life; nothing: the cell's cut-off.
    std::optional<double> minimumVoltage;
    /// SettingsDigest of the settings file the sidecar was saved with; a sidecar written by an
    /// earlier version has none.
    std::optional<std::string> settingsDigest;
    /// The power path, mission and spreads of the predicted life; none set by default.
    PredictionOptions prediction;
    /// The buffer capacitor's leakage, uA; nothing: the default.
    std::optional<double> bufferLeakage;

    /// True when there is no setting to keep (the digest alone is none).
    bool empty() const;
    friend bool operator==(const ProfileExtras& a, const ProfileExtras& b);
};

/// The sidecar of the settings file at `settingsPath`: the same path with ".json" appended.
std::filesystem::path ProfileExtrasPath(const std::filesystem::path& settingsPath);

/// {"format": "runwell-profile-extras", "version": 1, "minimumVoltage": V, "prediction": {...},
/// "bufferLeakage": uA, "settingsDigest": D} (each only when set), ended by a line feed.
std::string SerializeProfileExtras(const ProfileExtras& extras);

/// Reads a sidecar's content. Unknown fields are ignored so that later versions can add some;
/// a wrong format, a newer version or a voltage that is not a number above 0 and at most 100 V
/// fails with a message.
Result<ProfileExtras> ParseProfileExtras(std::string_view content);

/// The digest that ties a sidecar to the settings file it was saved with: "fnv1a64:" and the
/// 16 hex digits of the 64-bit FNV-1a hash of the file's bytes. It tells a sidecar that was left
/// beside another version of the file; it is no protection against deliberate change.
std::string SettingsDigest(std::string_view settingsBytes);

/// The largest sidecar a load reads: a profile's extras are a few lines, or a mission's series of
/// temperatures.
inline constexpr std::size_t kMaxProfileExtrasBytes = std::size_t{8} << 20;

}  // namespace runwell
