#include "trace/TraceProfile.h"

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

}  // namespace

std::vector<ModeRecord> TraceModes(const std::vector<TraceLevel>& levels,
                                   std::uint32_t sleepCurrent) {
    std::vector<ModeRecord> modes;
    modes.reserve(levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        ModeRecord mode;
        mode.label = "Trace " + std::to_string(i + 1);
        mode.operatingMode = "SLEEP";
        mode.frequency = "0";
        mode.duration = NarrowToFloat(levels[i].duration * 1e6);
        mode.systemCurrent = NarrowToFloat(levels[i].current - static_cast<double>(sleepCurrent));
        // As the mode editor adds them: system current plus the SLEEP row's base value.
        mode.totalCurrent =
            NarrowToFloat(static_cast<double>(mode.systemCurrent) + static_cast<double>(sleepCurrent));
        mode.totalCharge = NarrowToFloat(static_cast<double>(mode.duration) *
                                         static_cast<double>(mode.totalCurrent));
        modes.push_back(std::move(mode));
    }
    return modes;
}

TraceBatteryFigures TraceFiguresOn(const TraceStatistics& statistics, const BatteryRecord& battery,
                                   const BatteryModel* model, const TraceDerating& derating) {
    const ProfileResults atAverage = ComputeProfileResults(OneMode(statistics.average), {}, &battery);
    const ProfileResults atPeak = ComputeProfileResults(OneMode(statistics.peak), {}, &battery);
    TraceBatteryFigures figures;
    figures.description = battery.description;
    figures.capacity = std::to_string(battery.capacityMah) + " mAh";
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
    figures.deratedText = DeratedLifeFieldText(ComputeDeratedLife(battery, model, conditions));
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
