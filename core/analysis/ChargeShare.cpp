#include "analysis/ChargeShare.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/Numbers.h"
#include "estimate/Format.h"

namespace runwell {
namespace {

constexpr const char* kNoShare = "-";

/// A charge as the mode list shows one; the sums can outgrow single precision, so they saturate.
std::string ChargeText(double charge) { return FormatCharge(NarrowToFloat(charge)); }

void SetShares(ChargeShareLine& line, double totalCharge, double period) {
    line.chargeText = ChargeText(line.charge);
    if (totalCharge != 0.0 && std::isfinite(totalCharge) && std::isfinite(line.charge)) {
        line.chargeShare = line.charge * 100.0 / totalCharge;
        line.chargeShareText = FormatPercent(line.chargeShare);
    } else {
        line.chargeShareText = kNoShare;
    }
    if (line.mode >= 0 || line.label == kTotalLabel) {
        if (period > 0.0 && std::isfinite(period)) {
            line.timeShareText = FormatPercent(line.timeShare);
        } else {
            line.timeShareText = kNoShare;
        }
    } else {
        // The self-discharge flows all the time, beside every mode.
        line.timeShareText = kNoShare;
    }
}

}  // namespace

std::string FormatPercent(double percent) {
    if (!std::isfinite(percent)) {
        return kNoShare;
    }
    char buffer[400];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, percent,
                                   std::chars_format::fixed, 1).ptr;
    std::string text(buffer, end);
    if (text == "-0.0") {
        text = "0.0";
    }
    return text + " %";
}

std::string ChargeShareTip(const ChargeShareLine& line) {
    std::string tip =
        line.label + ": charge share " + line.chargeShareText + " (" + line.chargeText + "), ";
    if (line.mode < 0 && line.label == kSelfDischargeLabel) {
        return tip + "flows all the time";
    }
    return tip + "time share " + line.timeShareText;
}

AxisRange ChargeShareRange(const ChargeShare& share) {
    AxisRange range{0.0, 100.0};
    const auto widen = [&](const ChargeShareLine& line) {
        for (const double value : {line.chargeShare, line.timeShare}) {
            if (std::isfinite(value)) {
                range.low = std::min(range.low, value);
                range.high = std::max(range.high, value);
            }
        }
    };
    for (const ChargeShareLine& line : share.modes) {
        widen(line);
    }
    if (share.hasSelfDischarge) {
        widen(share.selfDischarge);
    }
    widen(share.total);
    return range;
}

ChargeShare ComputeChargeShare(const std::vector<ModeRecord>& modes,
                               const BatteryRecord* battery) {
    ChargeShare share;
    double period = 0.0;  // us
    double charge = 0.0;  // nA*us
    share.modes.reserve(modes.size());
    for (std::size_t i = 0; i < modes.size(); ++i) {
        ChargeShareLine line;
        line.label = modes[i].label;
        line.mode = static_cast<int>(i);
        const double duration = static_cast<double>(modes[i].duration);
        line.charge = duration * static_cast<double>(modes[i].totalCurrent);
        line.timeShare = duration;  // made a share below
        period += duration;
        charge += line.charge;
        share.modes.push_back(std::move(line));
    }
    share.total.label = kTotalLabel;
    share.total.charge = charge;
    if (battery != nullptr) {
        share.hasSelfDischarge = true;
        share.selfDischarge.label = kSelfDischargeLabel;
        share.selfDischarge.charge = static_cast<double>(battery->selfDischargeCurrent) * period;
        share.total.charge += share.selfDischarge.charge;
    }
    const bool timed = period > 0.0 && std::isfinite(period);
    double timeSum = 0.0;
    double chargeShareSum = 0.0;
    for (ChargeShareLine& line : share.modes) {
        line.timeShare = timed ? line.timeShare * 100.0 / period : 0.0;
        SetShares(line, share.total.charge, period);
        timeSum += line.timeShare;
        chargeShareSum += line.chargeShare;
    }
    if (share.hasSelfDischarge) {
        SetShares(share.selfDischarge, share.total.charge, period);
        chargeShareSum += share.selfDischarge.chargeShare;
    }
    share.total.timeShare = timeSum;
    SetShares(share.total, share.total.charge, period);
    share.total.chargeShare = chargeShareSum;
    if (share.total.chargeShareText != kNoShare) {
        share.total.chargeShareText = FormatPercent(chargeShareSum);
    }
    return share;
}

}  // namespace runwell
