#include "estimate/ProfileResults.h"

#include <algorithm>
#include <cmath>

#include "base/HugePages.h"
#include "base/Numbers.h"
#include "base/Text.h"
#include "estimate/Format.h"

namespace runwell {
namespace {

/// The sum of all durations in profile order, rounded to single precision after each step.
float TotalTime(const std::vector<ModeRecord>& modes) {
    float total = 0.0f;
    for (const ModeRecord& mode : modes) {
        total = NarrowToFloat(static_cast<double>(total) + static_cast<double>(mode.duration));
    }
    return total;
}

/// A mode's whole-percent share of the profile's time: "<1" below one percent. A profile whose
/// durations add up to 0 has no shares to give; every mode then shows "0".
std::string ShareText(float duration, float totalTime) {
    if (totalTime == 0.0f) {
        return "0";
    }
    const float share =
        NarrowToFloat(static_cast<double>(duration) * 100.0 / static_cast<double>(totalTime));
    const std::int32_t whole = SaturateToInt32(share);
    return whole == 0 ? std::string("<1") : std::to_string(whole);
}

/// "%d year" / "%d years" and the like; empty when the count is 0 and `keepZero` is not set.
std::string CountText(std::int64_t count, const char* unit, bool keepZero) {
    if (count == 0 && !keepZero) {
        return {};
    }
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

/// The shown name of every value column: markers 'd'/'t' and "[source]" dropped, and leading
/// '[' characters skipped. Computed once per profile, not once per mode.
std::vector<std::string_view> ShownNames(const std::vector<std::string>& columnNames) {
    std::vector<std::string_view> names;
    names.reserve(columnNames.size());
    for (std::string_view caption : columnNames) {
        if (!caption.empty() && (caption.front() == 'd' || caption.front() == 't')) {
            caption.remove_prefix(1);
        }
        const std::size_t start = caption.find_first_not_of('[');
        if (start == std::string_view::npos) {
            names.emplace_back();
            continue;
        }
        const std::string_view rest = caption.substr(start);
        names.push_back(rest.substr(0, rest.find('[')));
    }
    return names;
}

std::string JoinPeripherals(const PeripheralFlags& flags,
                            const std::vector<std::string_view>& shownNames) {
    std::string text;
    const std::size_t count = std::min(shownNames.size(), flags.size());
    for (std::size_t k = 1; k < count; ++k) {
        if (flags[k] != 0) {
            text.append(shownNames[k]).push_back(',');
        }
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

ModeCells MakeCells(const ModeRecord& mode, float totalTime,
                    const std::vector<std::string_view>& shownNames) {
    std::string time = FormatTime(mode.duration);
    time += '/';
    time += ShareText(mode.duration, totalTime);
    time += '%';
    return {
        mode.label,
        mode.operatingMode,
        mode.frequency,
        std::move(time),
        FormatCurrent(mode.totalCurrent),
        FormatCharge(mode.totalCharge),
        JoinPeripherals(mode.peripheralFlags, shownNames),
    };
}

}  // namespace

std::string PeripheralsText(const PeripheralFlags& flags,
                            const std::vector<std::string>& columnNames) {
    return JoinPeripherals(flags, ShownNames(columnNames));
}

ModeCells MakeModeCells(const ModeRecord& mode, float totalTime,
                        const std::vector<std::string>& columnNames) {
    return MakeCells(mode, totalTime, ShownNames(columnNames));
}

std::string FormatBatteryLife(std::int64_t hours) {
    if (hours == 0) {
        return "?";
    }
    // Division truncates toward zero, so a negative life gives negative parts.
    const std::int64_t days = hours / 24;
    const std::int64_t years = days / 365;
    const std::int64_t daysLeft = days - 365 * years;
    const std::int64_t hoursLeft = hours - 24 * days;
    // One blank between the parts, also around an empty one: "  1 hour", " 1 day 0 hours".
    return CountText(years, "year", false) + " " + CountText(daysLeft, "day", false) + " " +
           CountText(hoursLeft, "hour", true);
}

std::int64_t BatteryLifeHours(const BatteryRecord& battery, float average) {
    if (average == 0.0f) {
        return 0;
    }
    const float capacityNah = NarrowToFloat(static_cast<double>(battery.capacityMah) * 1000000.0);
    const double load =
        static_cast<double>(average) + static_cast<double>(battery.selfDischargeCurrent);
    // A self-discharge that cancels a negative average leaves no load to divide by.
    if (load == 0.0 || !std::isfinite(load)) {
        return 0;
    }
    return SaturateToInt64(static_cast<double>(capacityNah) / load);
}

void ProfileLoadSum::Add(float duration, float current) {
    // Compared as real numbers; NaN never exceeds, and a huge current saturates.
    if (static_cast<double>(current) > static_cast<double>(peak_)) {
        peak_ = SaturateToUint32(current);
    }
    // Weighted by the duration here; the stored totalCharge is not used.
    chargeSum_ = NarrowToFloat(static_cast<double>(chargeSum_) +
                               static_cast<double>(duration) * static_cast<double>(current));
    timeSum_ = NarrowToFloat(static_cast<double>(timeSum_) + static_cast<double>(duration));
}

ProfileLoad ProfileLoadSum::Result() const {
    ProfileLoad load;
    load.peak = peak_;
    load.average =
        timeSum_ != 0.0f
            ? NarrowToFloat(static_cast<double>(chargeSum_) / static_cast<double>(timeSum_))
            : chargeSum_;
    return load;
}

ProfileLoad ComputeProfileLoad(const std::vector<ModeRecord>& modes) {
    ProfileLoadSum sum;
    for (const ModeRecord& mode : modes) {
        sum.Add(mode.duration, mode.totalCurrent);
    }
    return sum.Result();
}

ProfileResults ComputeProfileResults(const std::vector<ModeRecord>& modes,
                                     const std::vector<std::string>& columnNames,
                                     const BatteryRecord* battery) {
    ProfileResults results;
    const float totalTime = TotalTime(modes);
    const std::vector<std::string_view> shownNames = ShownNames(columnNames);
    ReserveLarge(results.rows, modes.size());
    for (const ModeRecord& mode : modes) {
        results.rows.push_back(MakeCells(mode, totalTime, shownNames));
    }
    const ProfileLoad load = ComputeProfileLoad(modes);
    results.average = load.average;
    results.peak = load.peak;

    const float peak = static_cast<float>(results.peak);
    results.averageWarning = battery != nullptr && battery->maxContinuousCurrent != 0.0f &&
                             results.average > battery->maxContinuousCurrent;
    results.peakWarning =
        battery != nullptr && battery->maxPulseCurrent != 0.0f && peak > battery->maxPulseCurrent;
    results.averageText = FormatCurrent(results.average);
    if (results.averageWarning) {
        results.averageText += " (> cont. battery current)";
    }
    results.peakText = FormatCurrent(peak);
    if (results.peakWarning) {
        results.peakText += " (> pulse battery current)";
    }
    results.lifeHours = battery != nullptr ? BatteryLifeHours(*battery, results.average) : 0;
    results.lifeText = battery != nullptr ? FormatBatteryLife(results.lifeHours) : "?";
    return results;
}

}  // namespace runwell
