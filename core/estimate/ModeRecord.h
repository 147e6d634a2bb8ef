#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "device/DeviceData.h"

namespace runwell {

/// Byte k is 1 when the peripheral of value column k is on. Byte 0 (the base value) is never set.
using PeripheralFlags = std::array<std::uint8_t, kMaxEntries>;

/// One operational mode of the profile. Currents in nA, durations in us, charges in nA*us.
struct ModeRecord {
    std::string label;
    std::string operatingMode;
    std::string frequency;
    PeripheralFlags peripheralFlags{};
    float duration = 10.0f;
    float totalCurrent = 0.0f;
    float totalCharge = 0.0f;
    float systemCurrent = 0.0f;

    friend bool operator==(const ModeRecord&, const ModeRecord&) = default;
};

}  // namespace runwell
