#include "analysis/BatteryComparison.h"

#include <algorithm>

#include "estimate/ProfileResults.h"
#include "session/PredictionRun.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

/// The verdict of a profile figure against a battery limit; a limit of 0 is not given.
const char* Verdict(float value, float limit, bool& over) {
    over = limit != 0.0f && value > limit;
    if (limit == 0.0f) {
        return kVerdictNoLimit;
    }
    return over ? kVerdictOver : kVerdictOk;
}

}  // namespace

BatteryComparison CompareBatteries(const std::vector<ModeRecord>& modes,
                                   const std::vector<BatteryRecord>& batteries,
                                   const std::vector<const BatteryModel*>& models,
                                   const PredictionInput& prediction,
                                   const PredictionOptions& options) {
    BatteryComparison comparison;
    const ProfileLoad load = ComputeProfileLoad(modes);
    comparison.average = load.average;
    comparison.peak = load.peak;
    PredictionInput input = prediction;
    DeratingConditions& profile = input.conditions;
    profile.averageCurrent = load.average;
    profile.peakCurrent = static_cast<double>(load.peak);
    profile.steps = LoadStepsOf(modes);
    const float peak = static_cast<float>(load.peak);

    comparison.rows.reserve(batteries.size());
    for (std::size_t i = 0; i < batteries.size(); ++i) {
        const BatteryRecord& battery = batteries[i];
        BatteryComparisonRow row;
        row.index = static_cast<int>(i);
        row.description = battery.description;
        row.lifeHours = BatteryLifeHours(battery, load.average);
        row.lifeText = FormatBatteryLife(row.lifeHours);
        row.averageVerdict = Verdict(load.average, battery.maxContinuousCurrent, row.averageOver);
        row.peakVerdict = Verdict(peak, battery.maxPulseCurrent, row.peakOver);
        const BatteryModel* model = i < models.size() ? models[i] : nullptr;
        LifePrediction predicted = PredictLife(battery, model, input, options);
        const DeratedLife& derated = predicted.typical;
        row.hasModel = derated.hasModel;
        row.deratedHours = derated.hours;
        row.deratedLifeText = derated.lifeText;
        row.limitingFactor = derated.limitingFactor;
        row.worst = std::move(predicted.worst);
        row.worstCorner = std::move(predicted.worstCorner);
        row.problem = std::move(predicted.problem);
        comparison.rows.push_back(std::move(row));
    }
    return comparison;
}

BatteryComparison CompareBatteries(const Workspace& workspace) {
    const std::vector<BatteryRecord>& batteries = workspace.batteries();
    std::vector<const BatteryModel*> models(batteries.size());
    for (std::size_t i = 0; i < batteries.size(); ++i) {
        models[i] = workspace.batteryModel(static_cast<int>(i));
    }
    DeratingConditions conditions;
    conditions.temperatureC = NumberOfLabel(workspace.temperature()).value_or(25.0);
    conditions.minimumVoltage = workspace.minimumVoltage();
    const PredictionOptions& options = workspace.predictionOptions();
    return CompareBatteries(
        workspace.modes(), batteries, models,
        PredictionInputOf(workspace, conditions, options.mission.has_value()), options);
}

void SortByLife(std::vector<BatteryComparisonRow>& rows, bool longestFirst) {
    std::stable_sort(rows.begin(), rows.end(),
                     [longestFirst](const BatteryComparisonRow& a, const BatteryComparisonRow& b) {
                         const bool aKnown = a.lifeHours != 0;
                         const bool bKnown = b.lifeHours != 0;
                         if (aKnown != bKnown) {
                             return aKnown;
                         }
                         return longestFirst ? a.lifeHours > b.lifeHours
                                             : a.lifeHours < b.lifeHours;
                     });
}

}  // namespace runwell
