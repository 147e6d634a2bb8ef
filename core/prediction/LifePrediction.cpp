#include "prediction/LifePrediction.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "base/Numbers.h"
#include "battery/ModelRange.h"
#include "mission/CapacitySpread.h"

namespace runwell {

namespace {

/// One corner of the spreads: every mode's current and the capacity scaled.
struct Corner {
    std::string name;
    bool highCurrents = false;
    double capacityFactor = 1.0;
};

/// What every corner shares.
struct Plan {
    const BatteryRecord& battery;
    const BatteryModel& model;
    const PredictionInput& input;
    const PredictionOptions& options;
    double limitVolts = 0.0;
    double highVolts = 0.0;
    bool regulatorLimits = false;  // the regulator's input, not the cell's end, is the limit
    std::vector<double> temperatures;  // of the year's spans
    ModeTable table;                   // the period's kinds of mode
};

std::string Percent(double value) { return SignificantText(value, 3) + " %"; }

CellLoad LoadAt(const Plan& plan, double temperatureC, bool highCurrents, bool& outside) {
    const std::vector<double> amps = KindAmpsAt(plan.table, temperatureC, highCurrents, outside);
    const Regulator* regulator = plan.options.regulator ? &*plan.options.regulator : nullptr;
    CellLoad load = LoadThroughPath(plan.table, amps, regulator, plan.input.outputVolts,
                                    plan.limitVolts, plan.highVolts, temperatureC);
    if (regulator == nullptr && plan.input.conditions.steps.empty()) {
        load.peakAmps = std::max(load.peakAmps, plan.input.conditions.peakCurrent * 1e-9);
    }
    return load;
}

/// The spread of each mode: its own, or the profile's.
std::vector<double> ModeSpreads(const PredictionOptions& options, std::size_t modes) {
    std::vector<double> spreads(modes, options.currentSpreadPercent);
    for (std::size_t i = 0; i < modes && i < options.modeSpreadPercent.size(); ++i) {
        if (options.modeSpreadPercent[i]) {
            spreads[i] = *options.modeSpreadPercent[i];
        }
    }
    return spreads;
}

DeratedLife PredictCorner(const Plan& plan, const Corner& corner, bool& outside) {
    PathWalkInput walk;
    walk.limitVolts = plan.limitVolts;
    walk.voltageLimit = plan.regulatorLimits ? kLimitRegulator : kLimitBrownOut;
    walk.capacityFactor = corner.capacityFactor;
    std::map<double, int> loadOf;
    for (const double temperature : plan.temperatures) {
        loadOf[temperature] = static_cast<int>(walk.loads.size());
        walk.loads.push_back(LoadAt(plan, temperature, corner.highCurrents, outside));
    }
    const std::optional<Mission>& mission = plan.options.mission;
    if (!mission) {
        walk.year.push_back({8760.0, 0});
    } else {
        for (const TemperatureSpan& span : YearSpans(*mission)) {
            walk.year.push_back({span.hours, loadOf[span.temperatureC]});
        }
        if (mission->storageMonths > 0.0) {
            CellLoad storage;
            storage.temperatureC = mission->storageC;
            storage.capacityDrainMa = walk.loads.front().capacityDrainMa;
            walk.storage.push_back({mission->storageMonths * kHoursPerMonth,
                                    static_cast<int>(walk.loads.size())});
            walk.loads.push_back(std::move(storage));
        }
    }
    return WalkPath(plan.battery, plan.model, walk);
}

/// The device currents' corner: the profile's spread and the modes whose own differs from it,
/// "device currents +20 %, mode 2 +50 %", or "device currents of mode 2 +50 %" when only modes
/// of their own are raised.
std::string CurrentCornerName(const PredictionOptions& options,
                              const std::vector<double>& spreads) {
    std::string own;
    for (std::size_t i = 0; i < spreads.size(); ++i) {
        if (spreads[i] != options.currentSpreadPercent) {
            own += (own.empty() ? "mode " : ", mode ") + std::to_string(i + 1) + " +" +
                   Percent(spreads[i]);
        }
    }
    if (options.currentSpreadPercent <= 0.0) {
        return own.empty() ? std::string("device currents") : "device currents of " + own;
    }
    const std::string name = "device currents +" + Percent(options.currentSpreadPercent);
    return own.empty() ? name : name + ", " + own;
}

/// The corners the spreads give (`spreads` by mode), the typical one first.
std::vector<Corner> CornersOf(const PredictionOptions& options, const std::vector<double>& spreads,
                              double capacitySpread) {
    std::vector<Corner> corners{{"typical", false, 1.0}};
    if (!options.worstCase) {
        return corners;
    }
    const bool currents = std::any_of(spreads.begin(), spreads.end(),
                                      [](double spread) { return spread > 0.0; });
    const std::string currentName = CurrentCornerName(options, spreads);
    const std::string capacityName = "capacity -" + Percent(capacitySpread);
    const double low = 1.0 - capacitySpread / 100.0;
    if (currents) {
        corners.push_back({currentName, true, 1.0});
    }
    if (capacitySpread > 0.0) {
        corners.push_back({capacityName, false, low});
    }
    if (currents && capacitySpread > 0.0) {
        corners.push_back({currentName + ", " + capacityName, true, low});
    }
    return corners;
}

void SetRangeLimits(Plan& plan, LifePrediction& prediction) {
    const DeratingConditions& conditions = plan.input.conditions;
    const BatteryRecord& battery = plan.battery;
    const std::optional<Regulator>& regulator = plan.options.regulator;
    const double peakDevice = conditions.peakCurrent * 1e-9;
    plan.limitVolts = conditions.minimumVoltage.value_or(plan.model.cutoffVoltage);
    if (regulator) {
        // Below the cell's own end voltage the model knows nothing: a regulator that runs lower
        // still ends there.
        const double input = MinimumCellVolts(*regulator, plan.input.outputVolts, peakDevice);
        plan.regulatorLimits = input >= plan.model.cutoffVoltage;
        plan.limitVolts = std::max(input, plan.model.cutoffVoltage);
    }
    const CellCircuit circuit(plan.model, conditions.temperatureC,
                              conditions.averageCurrent * 1e-6,
                              static_cast<double>(battery.capacityMah),
                              ReadReal(battery.nominalVoltage));
    plan.highVolts = std::max(plan.limitVolts, circuit.hasVoltage() ? circuit.Ocv(0.0) : 0.0);
    prediction.limitVolts = plan.limitVolts;
}

/// The spread of the cell's capacity the worst case takes: the one given, the model's, or the
/// chemistry's.
void SetCapacitySpread(const BatteryRecord& battery, const BatteryModel& model,
                       const PredictionOptions& options, LifePrediction& prediction) {
    if (options.worstCase) {
        const std::optional<double> given = options.capacitySpreadPercent;
        if (given) {
            prediction.capacitySpreadPercent = *given;
            prediction.capacitySpreadSource = "given";
        } else if (model.capacitySpreadPercent) {
            prediction.capacitySpreadPercent = *model.capacitySpreadPercent;
            prediction.capacitySpreadSource = model.capacitySpreadSource;
        } else if (const auto spread =
                       DefaultCapacitySpread(battery.description + " " + battery.notes)) {
            prediction.capacitySpreadPercent = spread->percent;
            prediction.capacitySpreadSource = spread->source;
        }
    }
}

/// The battery's average and peak at the selected temperature, and whether the profile lies
/// within the model's data on the battery's side at the mission's coldest and warmest.
void SetBatterySide(const Plan& plan, LifePrediction& prediction) {
    const DeratingConditions& conditions = plan.input.conditions;
    const PredictionOptions& options = plan.options;
    const PredictionInput& input = plan.input;
    const BatteryModel* model = &plan.model;
    bool selectedOutside = false;
    const CellLoad selected = LoadAt(plan, conditions.temperatureC, false, selectedOutside);
    prediction.batteryAverage = selected.capacityDrainMa * 1e6;
    prediction.batteryPeak = selected.peakAmps * 1e9;
    prediction.cellVolts = (plan.limitVolts + plan.highVolts) / 2.0;
    if (options.regulator) {  // at the cell's middle voltage, as the average
        double peak = 0.0;
        for (const double amps :
             KindAmpsAt(plan.table, conditions.temperatureC, false, selectedOutside)) {
            peak = std::max(peak, BatteryAmps(*options.regulator, amps, input.outputVolts,
                                              (plan.limitVolts + plan.highVolts) / 2.0));
        }
        prediction.batteryPeak = peak * 1e9;
    }

    DeratingConditions cellSide = conditions;
    cellSide.averageCurrent = prediction.batteryAverage;
    cellSide.peakCurrent = prediction.batteryPeak;
    cellSide.steps = selected.steps;
    const auto [lowest, highest] = options.mission
                                       ? TemperatureRange(*options.mission)
                                       : std::pair{conditions.temperatureC, conditions.temperatureC};
    const double ratedMa = plan.battery.maxContinuousCurrent / 1e6;
    std::string range = OutsideData(*model, cellSide, lowest, plan.limitVolts, ratedMa);
    if (range.empty()) {
        range = OutsideData(*model, cellSide, highest, plan.limitVolts, ratedMa);
    }
    prediction.typical.outsideData = range;
    prediction.typical.rangeStated = StatesMeasuredRange(*model);
    if (prediction.worst) {
        prediction.worst->outsideData = range;
        prediction.worst->rangeStated = prediction.typical.rangeStated;
    }
}

}  // namespace

LifePrediction PredictLife(const BatteryRecord& battery, const BatteryModel* model,
                           const PredictionInput& input, const PredictionOptions& options) {
    LifePrediction prediction;
    const DeratingConditions& conditions = input.conditions;
    prediction.batteryAverage = conditions.averageCurrent;
    prediction.batteryPeak = conditions.peakCurrent;
    if (model == nullptr || !options.Active()) {
        prediction.typical = ComputeDeratedLife(battery, model, conditions);
        prediction.limitVolts = prediction.typical.minimumVoltage;
        return prediction;
    }
    if (options.regulator) {
        if (std::optional<std::string> problem =
                OutputProblem(*options.regulator, input.outputVolts)) {
            prediction.typical = ComputeDeratedLife(battery, model, DeratingConditions{});
            prediction.problem = *problem;
            return prediction;
        }
    }
    Plan plan{battery, *model, input, options, 0.0, 0.0, false, {}, {}};
    const std::vector<LoadStep> steps =
        conditions.steps.empty() && input.characterised.empty()
            ? std::vector<LoadStep>{{conditions.averageCurrent * 1e-9, 1.0}}  // the average only
            : conditions.steps;
    const std::vector<double> spreads = ModeSpreads(
        options,
        input.characterised.empty() ? steps.size() : input.characterised.front().steps.size());
    plan.table = ModeTableOf(steps, input.characterised, spreads);
    SetRangeLimits(plan, prediction);
    if (!options.mission) {
        plan.temperatures = {conditions.temperatureC};
    } else {
        // Storage gets a load of its own: the year's temperatures only.
        for (const TemperatureSpan& span : YearSpans(*options.mission)) {
            if (std::find(plan.temperatures.begin(), plan.temperatures.end(),
                          span.temperatureC) == plan.temperatures.end()) {
                plan.temperatures.push_back(span.temperatureC);
            }
        }
    }
    SetCapacitySpread(battery, *model, options, prediction);
    bool outside = false;
    for (const Corner& corner : CornersOf(options, spreads, prediction.capacitySpreadPercent)) {
        DeratedLife life = PredictCorner(plan, corner, outside);
        if (corner.name == "typical") {
            prediction.typical = std::move(life);
        } else if (!prediction.worst || life.hours < prediction.worst->hours) {
            prediction.worst = std::move(life);
            prediction.worstCorner = corner.name;
        }
    }
    SetBatterySide(plan, prediction);
    if (outside) {
        prediction.note = "device currents held at the nearest characterised temperature "
                          "beyond the device's data";
    }
    return prediction;
}

std::string PredictionRangeText(const LifePrediction& prediction) {
    if (!prediction.problem.empty()) {
        return "? (" + prediction.problem + ")";
    }
    const auto trimmed = [](std::string text) {
        return text.erase(0, text.find_first_not_of(' '));
    };
    const std::string typical = DeratedLifeFieldText(prediction.typical);
    if (!prediction.worst) {
        return typical;
    }
    return "typical " + trimmed(typical) + ", worst case " + trimmed(prediction.worst->lifeText) +
           " (" + prediction.worstCorner + ")";
}

CheckOutcome CheckPredictedLife(ProfileResults results, const LifePrediction& prediction,
                                const CheckLimits& limits) {
    const DeratedLife& life = prediction.worst ? *prediction.worst : prediction.typical;
    results.lifeHours = life.hours > 0.0 ? SaturateToInt64(life.hours) : 0;
    results.lifeText = life.lifeText;
    CheckOutcome outcome = CheckResults(results, limits);
    const std::string_view classic = "battery life ";
    std::string lead = prediction.worst ? "worst-case life " : "predicted life ";
    std::string line = outcome.line.substr(classic.size());
    if (prediction.worst) {
        const std::size_t average = line.find(", average ");
        line.insert(average == std::string::npos ? line.size() : average,
                    " [" + prediction.worstCorner + "]");
    }
    outcome.line = lead + line;
    return outcome;
}

}  // namespace runwell
