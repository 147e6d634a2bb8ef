#pragma once

#include <cstdint>
#include <string>

namespace runwell {

/// One battery of the catalogue. Currents in nA; capacity in whole mAh.
struct BatteryRecord {
    std::string description;
    std::uint32_t capacityMah = 0;
    float selfDischargePercent = 0.0f;  // % of the capacity per month
    float selfDischargeCurrent = 0.0f;  // the constant current that drains it, nA
    std::string nominalVoltage;         // shown only, never computed with
    float maxContinuousCurrent = 0.0f;  // 0: not given
    float maxPulseCurrent = 0.0f;       // 0: not given
    std::string notes;

    friend bool operator==(const BatteryRecord&, const BatteryRecord&) = default;
};

}  // namespace runwell
