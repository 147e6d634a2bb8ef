#include "prediction/PathLoad.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "mission/TemperatureCurrent.h"

namespace runwell {

std::vector<LoadStep> StepsAtTemperature(const std::vector<TemperatureModes>& characterised,
                                         double temperatureC, bool& outside) {
    outside = false;
    if (characterised.empty()) {
        return {};
    }
    std::vector<LoadStep> steps = characterised.front().steps;
    if (characterised.size() == 1) {
        outside = characterised.front().temperatureC != temperatureC;
        return steps;
    }
    std::vector<std::pair<double, double>> points(characterised.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        for (std::size_t t = 0; t < characterised.size(); ++t) {
            const std::vector<LoadStep>& at = characterised[t].steps;
            points[t] = {characterised[t].temperatureC, i < at.size() ? at[i].amps : 0.0};
        }
        const CurrentAtTemperature current = CurrentAt(points, temperatureC);
        steps[i].amps = current.current;
        outside = outside || current.outside;
    }
    return steps;
}

double AverageAmps(const std::vector<LoadStep>& steps) {
    double charge = 0.0, time = 0.0;
    for (const LoadStep& step : steps) {
        charge += step.amps * step.seconds;
        time += step.seconds;
    }
    return time > 0.0 ? charge / time : 0.0;
}

namespace {

/// The battery's steps through `regulator` from a cell at `volts`.
std::vector<LoadStep> BatterySteps(const std::vector<LoadStep>& deviceSteps,
                                   const Regulator& regulator, double outputVolts, double volts) {
    std::vector<LoadStep> steps = deviceSteps;
    for (LoadStep& step : steps) {
        step.amps = BatteryAmps(regulator, step.amps, outputVolts, volts);
    }
    return steps;
}

/// The cell voltages the regulator's average is reckoned at: the range's ends and every
/// efficiency curve's input voltage between them.
std::vector<double> AnchorVolts(const Regulator& regulator, double low, double high) {
    std::vector<double> volts{low};
    if (regulator.kind != RegulatorKind::kLinear) {
        for (const EfficiencyCurve& curve : regulator.efficiency) {
            if (curve.inputVolts > low && curve.inputVolts < high) {
                volts.push_back(curve.inputVolts);
            }
        }
        if (high > low) {
            volts.push_back(high);
        }
    }
    return volts;
}

}  // namespace

CellLoad LoadThroughPath(const std::vector<LoadStep>& deviceSteps, const Regulator* regulator,
                         double outputVolts, double lowVolts, double highVolts,
                         double temperatureC) {
    CellLoad load;
    load.temperatureC = temperatureC;
    if (regulator == nullptr) {
        load.steps = deviceSteps;
        load.fixedMa = AverageAmps(deviceSteps) * 1e3;
    } else {
        load.steps = BatterySteps(deviceSteps, *regulator, outputVolts, lowVolts);
        if (regulator->kind == RegulatorKind::kLinear) {
            load.fixedMa = AverageAmps(load.steps) * 1e3;
        } else {
            // The power drawn is smooth in the cell's voltage where the current is not (it
            // grows as 1 / V): the power is interpolated and the current follows from it.
            load.fixedMa = regulator->quiescentMicroamps * 1e-3;
            for (const double volts : AnchorVolts(*regulator, lowVolts, highVolts)) {
                const double average =
                    AverageAmps(BatterySteps(deviceSteps, *regulator, outputVolts, volts));
                load.powerMwVsVolts.emplace_back(volts, (average * 1e3 - load.fixedMa) * volts);
            }
        }
    }
    for (const LoadStep& step : load.steps) {
        load.peakAmps = std::max(load.peakAmps, step.amps);
    }
    // The capacity is reckoned at the drain of the cell's middle voltage.
    const double middle = (lowVolts + highVolts) / 2.0;
    load.capacityDrainMa = load.fixedMa;
    if (!load.powerMwVsVolts.empty() && middle > 0.0) {
        load.capacityDrainMa += InterpolationTable(load.powerMwVsVolts).At(middle, 0.0) / middle;
    }
    return load;
}

}  // namespace runwell
