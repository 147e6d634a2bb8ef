#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "estimate/ModeRecord.h"
#include "files/Archive.h"

namespace runwell {

/// One mode record exactly as stored: the floats as their bit patterns (so a NaN keeps its
/// payload) and the flag bytes as they are, also those other than 0 and 1.
struct StoredMode {
    ArchiveString label;
    ArchiveString operatingMode;
    ArchiveString frequency;
    std::uint32_t duration = 0;
    std::uint32_t totalCurrent = 0;
    std::uint32_t totalCharge = 0;
    std::uint32_t systemCurrent = 0;
    std::array<std::uint8_t, std::tuple_size_v<PeripheralFlags>> flagBytes{};

    friend bool operator==(const StoredMode&, const StoredMode&) = default;
};

/// A settings file field by field, holding every byte of it: the strings in their stored form,
/// the mode count as written (a count of 0 or less reads no records) and whatever follows the
/// last record, which a load ignores.
struct SettingsImage {
    ArchiveString device;
    ArchiveString voltage;
    ArchiveString temperature;
    std::int32_t battery = 0;
    std::int32_t modeCount = 0;
    std::vector<StoredMode> modes;
    std::string trailing;

    friend bool operator==(const SettingsImage&, const SettingsImage&) = default;
};

/// Reads every field of a settings file. Fails, with the settings reader's own message,
/// exactly where that reader stops: data that ends early or a length that cannot be read.
Result<SettingsImage> ReadSettingsImage(std::string_view bytes);

/// The bytes of the image; ReadSettingsImage of them gives the image back. Every string's
/// length must fit its width (WidthHolds), and a positive mode count must equal the number of
/// records: ImportProfileJson checks both.
std::string WriteSettingsImage(const SettingsImage& image);

}  // namespace runwell
