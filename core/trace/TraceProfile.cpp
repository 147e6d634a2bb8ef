#include "trace/TraceProfile.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Numbers.h"
#include "battery/DeratedLife.h"
#include "estimate/ProfileResults.h"

namespace runwell {
namespace {

/// A profile of one mode at `current`. Its duration is 1 us so that the charge sum and the
/// division by the time sum give the current back unrounded.
std::vector<ModeRecord> OneMode(double current) {
    ModeRecord mode;
    mode.duration = 1.0f;
    mode.totalCurrent = NarrowToFloat(current);
    mode.totalCharge = mode.totalCurrent;
    return {mode};
}

/// The mode on the SLEEP row for `current` (nA) over `seconds`, its figures as the mode editor
/// computes them: system current plus the SLEEP row's base value, and duration x that.
ModeRecord LevelMode(const std::string& label, double seconds, double current,
                     std::uint32_t sleepCurrent) {
    ModeRecord mode;
    mode.label = label;
    mode.operatingMode = "SLEEP";
    mode.frequency = "0";
    mode.duration = NarrowToFloat(seconds * 1e6);
    mode.systemCurrent = NarrowToFloat(current - static_cast<double>(sleepCurrent));
    mode.totalCurrent =
        NarrowToFloat(static_cast<double>(mode.systemCurrent) + static_cast<double>(sleepCurrent));
    mode.totalCharge = NarrowToFloat(static_cast<double>(mode.duration) *
                                     static_cast<double>(mode.totalCurrent));
    return mode;
}

/// Raises `mode`'s system current by the last units of single precision that the sum with the
/// SLEEP current may have lost, until its total current is not below `peak` as a float: the
/// profile's peak is never under the measured one that the pulse limit is checked against.
void RaiseTo(ModeRecord& mode, double peak, std::uint32_t sleepCurrent) {
    const float target = NarrowToFloat(peak);
    for (int step = 0; step < 8 && mode.totalCurrent < target; ++step) {
        mode.systemCurrent =
            std::nextafter(mode.systemCurrent, std::numeric_limits<float>::infinity());
        mode.totalCurrent = NarrowToFloat(static_cast<double>(mode.systemCurrent) +
                                          static_cast<double>(sleepCurrent));
    }
    mode.totalCharge = NarrowToFloat(static_cast<double>(mode.duration) *
                                     static_cast<double>(mode.totalCurrent));
}

}  // namespace

std::vector<ModeRecord> TraceModes(const std::vector<TraceLevel>& levels,
                                   std::uint32_t sleepCurrent) {
    std::vector<ModeRecord> modes;
    modes.reserve(2 * levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const TraceLevel& level = levels[i];
        const std::string label = "Trace " + std::to_string(i + 1);
        // The level's mean lies below its peak; the peak sample becomes a mode of its own, taken
        // out of the level, whose remaining samples keep the rest of the charge. A level at or
        // below zero (a probe's offset) draws no pulse from the battery and stays whole.
        const bool split = level.peak > 0.0 &&
                           NarrowToFloat(level.peak) > NarrowToFloat(level.current) &&
                           level.peakDuration > 0.0 && level.peakDuration < level.duration;
        if (!split) {
            modes.push_back(LevelMode(label, level.duration, level.current, sleepCurrent));
            // A level of one value, or of one sample: its peak is its mean but for rounding.
            if (level.peak > 0.0 || NarrowToFloat(level.peak) <= NarrowToFloat(level.current)) {
                RaiseTo(modes.back(), level.peak, sleepCurrent);
            }
            continue;
        }
        const double restDuration = level.duration - level.peakDuration;
        // Never above the peak, whatever the cancellation of a rest much shorter than the level.
        const double restCurrent = std::min(
            (level.current * level.duration - level.peak * level.peakDuration) / restDuration,
            level.peak);
        modes.push_back(LevelMode(label, restDuration, restCurrent, sleepCurrent));
        modes.push_back(
            LevelMode(label + " peak", level.peakDuration, level.peak, sleepCurrent));
        RaiseTo(modes.back(), level.peak, sleepCurrent);
    }
    return modes;
}

TraceBatteryFigures TraceFiguresOn(const TraceStatistics& statistics, const BatteryRecord& battery,
                                   const BatteryModel* model, const TraceDerating& derating) {
    const ProfileResults atAverage = ComputeProfileResults(OneMode(statistics.average), {}, &battery);
    const ProfileResults atPeak = ComputeProfileResults(OneMode(statistics.peak), {}, &battery);
    TraceBatteryFigures figures;
    figures.description = battery.description;
    figures.capacityMah = battery.capacityMah;
    figures.capacity = std::to_string(battery.capacityMah) + " mAh";
    figures.lifeHours = atAverage.lifeHours;
    figures.lifeText = atAverage.lifeText;
    figures.averageText = atAverage.averageText;
    figures.averageWarning = atAverage.averageWarning;
    figures.peakText = atPeak.peakText;
    figures.peakWarning = atPeak.peakWarning;
    DeratingConditions conditions;
    conditions.averageCurrent = static_cast<double>(atAverage.average);
    conditions.peakCurrent = static_cast<double>(atPeak.peak);
    conditions.temperatureC = derating.temperatureC;
    conditions.minimumVoltage = derating.minimumVoltage;
    const DeratedLife derated = ComputeDeratedLife(battery, model, conditions);
    figures.hasModel = derated.hasModel;
    figures.deratedHours = derated.hours;
    figures.limitingFactor = derated.limitingFactor;
    figures.deratedText = DeratedLifeFieldText(derated);
    return figures;
}

std::vector<TraceBatteryFigures> TraceFiguresOnEvery(
    const TraceStatistics& statistics, const std::vector<BatteryRecord>& batteries,
    const std::vector<std::optional<BatteryModel>>& models, const TraceDerating& derating) {
    std::vector<TraceBatteryFigures> rows;
    rows.reserve(batteries.size());
    for (std::size_t i = 0; i < batteries.size(); ++i) {
        const BatteryModel* model = i < models.size() && models[i] ? &*models[i] : nullptr;
        rows.push_back(TraceFiguresOn(statistics, batteries[i], model, derating));
    }
    return rows;
}

}  // namespace runwell
