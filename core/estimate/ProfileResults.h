#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "estimate/BatteryRecord.h"
#include "estimate/ModeRecord.h"

namespace runwell {

/// The seven cells of a mode row: label, mode, frequency, time with its share, current, charge,
/// peripherals.
using ModeCells = std::array<std::string, 7>;

/// Everything the main window shows for a profile, as text.
struct ProfileResults {
    std::vector<ModeCells> rows;
    float average = 0.0f;         // nA
    std::uint32_t peak = 0;       // whole nA
    std::string averageText;      // with " (> cont. battery current)" when over the limit
    bool averageWarning = false;  // shown red when set, green otherwise
    std::string peakText;         // with " (> pulse battery current)" when over the limit
    bool peakWarning = false;
    std::string lifeText;
    std::int64_t lifeHours = 0;  // whole hours, truncated; 0 when the life is "?"
};

/// The two figures every life is computed from.
struct ProfileLoad {
    float average = 0.0f;    // nA, time-weighted; the charge sum itself when no time passes
    std::uint32_t peak = 0;  // whole nA, the largest mode current
};

/// Sums modes one by one into their ProfileLoad, in single precision after every step.
class ProfileLoadSum {
public:
    void Add(float duration, float current);
    ProfileLoad Result() const;

private:
    std::uint32_t peak_ = 0;
    float chargeSum_ = 0.0f;  // nA*us
    float timeSum_ = 0.0f;    // us
};

/// The profile's average and peak, exactly as ComputeProfileResults gives them.
ProfileLoad ComputeProfileLoad(const std::vector<ModeRecord>& modes);

/// The life in whole hours of `battery` under `average` (truncated toward zero, saturated), or
/// 0 when it cannot be told; FormatBatteryLife gives its text.
std::int64_t BatteryLifeHours(const BatteryRecord& battery, float average);

/// Computes the mode rows, the time-weighted average current, the peak current and the battery
/// life for `modes`. `columnNames` are the loaded device's value column captions. Without a
/// battery the currents carry no warning and the life is "?"; so is a life whose load (average
/// plus self-discharge) is 0 or not a number.
ProfileResults ComputeProfileResults(const std::vector<ModeRecord>& modes,
                                     const std::vector<std::string>& columnNames,
                                     const BatteryRecord* battery);

/// The cells of one mode row; `totalTime` is the sum of all durations in profile order.
ModeCells MakeModeCells(const ModeRecord& mode, float totalTime,
                        const std::vector<std::string>& columnNames);

/// The names of the peripherals that are on, joined by ',': markers 'd'/'t' and "[source]"
/// dropped.
std::string PeripheralsText(const PeripheralFlags& flags,
                            const std::vector<std::string>& columnNames);

/// "Y years D days H hours" with its blanks, or "?" for 0 hours (under an hour, or unknown). A
/// negative life, from negative currents, gives negative parts.
std::string FormatBatteryLife(std::int64_t hours);

}  // namespace runwell
