#pragma once

#include <string>
#include <vector>

#include "estimate/BatteryRecord.h"
#include "estimate/ModeRecord.h"

namespace runwell {

/// One line of the charge share: a mode, the battery's self-discharge, or the sums.
struct ChargeShareLine {
    std::string label;       // the mode's label; "Self-discharge" or "Total" for the others
    int mode = -1;           // the mode's index; -1 for the other lines
    double charge = 0.0;     // nA*us per period: duration x current
    double chargeShare = 0.0;  // % of the period's charge, signed; 0 when there is none
    double timeShare = 0.0;    // % of the period's time
    std::string chargeText;       // as the mode list shows a charge: "1.5 nAmS"
    std::string chargeShareText;  // "41.2 %", or "-" when the period draws no charge
    std::string timeShareText;    // "41.2 %", or "-" (a period of no time, self-discharge)
};

/// Where the period's charge goes. Shares are of the sum of all charges, self-discharge included;
/// with negative currents a share can be negative or above 100 %, and they still add up to
/// 100 %.
struct ChargeShare {
    std::vector<ChargeShareLine> modes;  // profile order
    /// The current battery's self-discharge current over the period; only with a battery.
    bool hasSelfDischarge = false;
    ChargeShareLine selfDischarge;
    ChargeShareLine total;  // the sums
};

inline constexpr const char* kSelfDischargeLabel = "Self-discharge";
inline constexpr const char* kTotalLabel = "Total";

/// The charge share of `modes` on `battery` (nullptr: no self-discharge line).
ChargeShare ComputeChargeShare(const std::vector<ModeRecord>& modes,
                               const BatteryRecord* battery);

/// A percentage with one decimal and '.' as the decimal point: "41.2 %".
std::string FormatPercent(double percent);

}  // namespace runwell
