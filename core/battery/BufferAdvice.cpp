#include "battery/BufferAdvice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Numbers.h"
#include "cell/CellCircuit.h"

namespace runwell {

namespace {

constexpr double kSmallestMicrofarads = 1.0;
constexpr double kLargestMicrofarads = 1e7;  // 10 F
constexpr double kEnough = 0.95;             // of the unlimited capacitor's life
constexpr double kWorthIt = 1.01;            // of the life without a capacitor

/// The cell's side of `steps` with `farads` across it: a mode above the period's average
/// draws from the cell the average plus its excess times 1 - exp(-t / (R0 C)), the rest from
/// the capacitor. Infinite farads leave the average alone.
std::vector<LoadStep> Buffered(const std::vector<LoadStep>& steps, double r0, double farads) {
    double charge = 0.0, time = 0.0;
    for (const LoadStep& step : steps) {
        charge += step.amps * step.seconds;
        time += step.seconds;
    }
    const double average = time > 0.0 ? charge / time : 0.0;
    std::vector<LoadStep> buffered = steps;
    for (LoadStep& step : buffered) {
        if (step.amps > average) {
            const double share = std::isinf(farads) || !(r0 > 0.0)
                                     ? (std::isinf(farads) ? 0.0 : 1.0)
                                     : -std::expm1(-step.seconds / (r0 * farads));
            step.amps = average + (step.amps - average) * share;
        }
    }
    return buffered;
}

DeratedLife LifeWith(const BatteryRecord& battery, const BatteryModel& model,
                     DeratingConditions conditions, double r0, double farads,
                     double leakageMicroamps) {
    conditions.steps = Buffered(conditions.steps, r0, farads);
    double peak = 0.0;
    for (const LoadStep& step : conditions.steps) {
        peak = std::max(peak, step.amps);
    }
    conditions.peakCurrent = peak * 1e9;
    conditions.averageCurrent += leakageMicroamps * 1e3;
    return ComputeDeratedLife(battery, &model, conditions);
}

/// The next standard value (E6: 1, 1.5, 2.2, 3.3, 4.7, 6.8 per decade) at or above `value`.
double StandardAtOrAbove(double value) {
    static constexpr double kSeries[] = {1.0, 1.5, 2.2, 3.3, 4.7, 6.8, 10.0};
    const double decade = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : kSeries) {
        if (step * decade >= value * (1.0 - 1e-9)) {
            return step * decade;
        }
    }
    return 10.0 * decade;
}

/// "470 uF", "22 mF", "1.5 F".
std::string CapacitanceText(double microfarads) {
    if (microfarads >= 1e6) {
        return SignificantText(microfarads / 1e6, 3) + " F";
    }
    if (microfarads >= 1e3) {
        return SignificantText(microfarads / 1e3, 3) + " mF";
    }
    return SignificantText(microfarads, 3) + " uF";
}

}  // namespace

double DefaultLeakageMicroamps(double microfarads, double volts) {
    return 0.01 * microfarads * std::max(0.0, volts);
}

std::optional<BufferAdvice> AdviseBuffer(const BatteryRecord& battery, const BatteryModel& model,
                                         const DeratingConditions& conditions,
                                         const DeratedLife& without,
                                         std::optional<double> leakageMicroamps) {
    if (without.limitingFactor != kLimitBrownOut || conditions.steps.empty() ||
        !(without.hours > 0.0)) {
        return std::nullopt;
    }
    const double rated = static_cast<double>(battery.capacityMah);
    const CellCircuit circuit(model, conditions.temperatureC, conditions.averageCurrent * 1e-6,
                              rated, ReadReal(battery.nominalVoltage));
    const DeratedLife unlimited = LifeWith(battery, model, conditions, 0.0, INFINITY, 0.0);
    if (!(unlimited.hours > without.hours * kWorthIt)) {
        return std::nullopt;
    }
    // The resistance where the unlimited capacitor's life ends: deeper, and so larger, than
    // where the dips decide.
    const double depth = circuit.capacityMah() > 0.0
                             ? std::min(1.0, unlimited.usableFraction * rated /
                                                 circuit.capacityMah())
                             : 1.0;
    const double r0 = circuit.R0(depth);
    double low = std::log(kSmallestMicrofarads), high = std::log(kLargestMicrofarads);
    if (LifeWith(battery, model, conditions, r0, kLargestMicrofarads * 1e-6, 0.0).hours <
        unlimited.hours * kEnough) {
        return std::nullopt;
    }
    for (int i = 0; i < 40; ++i) {
        const double middle = (low + high) / 2.0;
        const double hours =
            LifeWith(battery, model, conditions, r0, std::exp(middle) * 1e-6, 0.0).hours;
        (hours >= unlimited.hours * kEnough ? high : low) = middle;
    }
    BufferAdvice advice;
    advice.microfarads = StandardAtOrAbove(std::exp(high));
    advice.leakageGiven = leakageMicroamps.has_value();
    advice.leakageMicroamps = leakageMicroamps.value_or(DefaultLeakageMicroamps(
        advice.microfarads, circuit.hasVoltage() ? circuit.Ocv(0.0) : 0.0));
    const PulseDips dips(conditions.steps, circuit.tauSeconds(), conditions.peakCurrent * 1e-9);
    const double endDepth = std::min(1.0, without.usableFraction * rated /
                                              std::max(circuit.capacityMah(), 1e-12));
    advice.mode = dips.DeepestStep(circuit.R0(endDepth), circuit.R1(endDepth));
    advice.life = LifeWith(battery, model, conditions, r0, advice.microfarads * 1e-6,
                           advice.leakageMicroamps);
    return advice;
}

std::string BufferAdviceText(const BufferAdvice& advice) {
    char text[300];
    std::snprintf(text, sizeof text,
                  "A %s capacitor across the cell carries mode %d: predicted life %s with "
                  "its %s uA leakage%s.",
                  CapacitanceText(advice.microfarads).c_str(), advice.mode + 1,
                  advice.life.lifeText.c_str(), SignificantText(advice.leakageMicroamps, 3).c_str(),
                  advice.leakageGiven ? "" : " (0.01 uA per uF and volt)");
    return text;
}

}  // namespace runwell
