#include "battery/ModelRange.h"

#include <cstdio>
#include <vector>

#include "base/Numbers.h"

namespace runwell {

namespace {

constexpr double kNearbyC = 5.0;

std::string Figure(double value) { return SignificantText(value, 3); }

}  // namespace

std::string OutsideData(const BatteryModel& model, const DeratingConditions& conditions,
                        double temperatureC, double minimumVoltage, double ratedContinuousMa) {
    const MeasuredRange& range = model.range;
    const double parallel = model.cellsInParallel;
    const double peakMa = conditions.peakCurrent / 1e6 / parallel;
    const double averageMa = conditions.averageCurrent / 1e6 / parallel;
    std::vector<std::string> reasons;
    if (range.highestCurrentMa && peakMa > *range.highestCurrentMa * (1.0 + 1e-9)) {
        reasons.push_back("drain above " + Figure(*range.highestCurrentMa) + " mA");
    }
    if (range.lowestCurrentMa && averageMa < *range.lowestCurrentMa * (1.0 - 1e-9)) {
        reasons.push_back("drain below " + Figure(*range.lowestCurrentMa) + " mA");
    }
    const double batteryMa = conditions.averageCurrent / 1e6;  // the whole battery's
    if (ratedContinuousMa > 0.0 && batteryMa > ratedContinuousMa * (1.0 + 1e-9)) {
        reasons.push_back("average drain above the battery's rated " +
                          Figure(ratedContinuousMa) + " mA continuous");
    }
    if (range.longestPulseSeconds) {
        const double averageAmps = conditions.averageCurrent / 1e9;
        double longest = 0.0;
        for (const LoadStep& step : conditions.steps) {
            if (step.amps > averageAmps && step.seconds > longest) {
                longest = step.seconds;
            }
        }
        if (longest > *range.longestPulseSeconds * (1.0 + 1e-9)) {
            reasons.push_back("pulse longer than " + Figure(*range.longestPulseSeconds) + " s");
        }
    }
    // Near room temperature a cell changes little: a measurement holds within a few degrees.
    if (range.lowestTemperatureC && temperatureC < *range.lowestTemperatureC - kNearbyC) {
        reasons.push_back("temperature below " + Figure(*range.lowestTemperatureC) + " C");
    }
    if (range.highestTemperatureC && temperatureC > *range.highestTemperatureC + kNearbyC) {
        reasons.push_back("temperature above " + Figure(*range.highestTemperatureC) + " C");
    }
    if (range.lowestEndVoltage && minimumVoltage < *range.lowestEndVoltage * (1.0 - 1e-9)) {
        reasons.push_back("end voltage below " + Figure(*range.lowestEndVoltage) + " V");
    }
    std::string text;
    for (const std::string& reason : reasons) {
        text += (text.empty() ? "outside the model's data: " : "; ") + reason;
    }
    return text;
}

bool StatesMeasuredRange(const BatteryModel& model) {
    const MeasuredRange& r = model.range;
    return model.fit || r.lowestCurrentMa || r.highestCurrentMa || r.longestPulseSeconds ||
           r.lowestTemperatureC || r.highestTemperatureC || r.lowestEndVoltage;
}

}  // namespace runwell
