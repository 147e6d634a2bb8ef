#pragma once

#include <string>
#include <vector>

#include "analysis/ChartAxis.h"
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

/// The read-out of one line of the chart: "radio: charge share 41.2 % (1.5 nAmS), time share
/// 30.0 %"; the self-discharge, which flows beside every mode, "flows all the time" instead.
std::string ChargeShareTip(const ChargeShareLine& line);

/// The share axis (%) of a chart of `share`: from 0 to 100 %, widened to every finite share of a
/// line, which with negative currents can lie below 0 or above 100 %.
AxisRange ChargeShareRange(const ChargeShare& share);

/// A percentage with one decimal and '.' as the decimal point: "41.2 %".
std::string FormatPercent(double percent);

}  // namespace runwell
