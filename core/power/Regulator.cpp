#include "power/Regulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace runwell {

namespace {

/// A table's y at `x`, interpolated linearly in log10(x) between points and held flat beyond
/// them: switching losses fall by decades of load, so a curve plotted on a log axis is straight
/// between the points read from it. A curve without points (never one read from a file) is
/// lossless.
double AtLogX(const InterpolationTable& table, double x) {
    const auto& points = table.points();
    if (points.empty()) {
        return 1.0;
    }
    if (!(x > points.front().first)) {
        return points.front().second;
    }
    if (x >= points.back().first) {
        return points.back().second;
    }
    const auto upper = std::upper_bound(points.begin(), points.end(), x,
                                        [](double value, const auto& point) {
                                            return value < point.first;
                                        });
    const auto lower = upper - 1;
    const double share = std::log10(x / lower->first) / std::log10(upper->first / lower->first);
    return lower->second + share * (upper->second - lower->second);
}

std::string Volts(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g V", value);
    return text;
}

bool StepsDown(RegulatorKind kind) {
    return kind == RegulatorKind::kLinear || kind == RegulatorKind::kBuck;
}

}  // namespace

std::string_view RegulatorKindName(RegulatorKind kind) {
    switch (kind) {
    case RegulatorKind::kLinear:
        return "linear";
    case RegulatorKind::kBuck:
        return "buck";
    case RegulatorKind::kBoost:
        return "boost";
    case RegulatorKind::kBuckBoost:
        return "buck-boost";
    }
    return "linear";
}

bool HasDropoutTable(RegulatorKind kind) { return StepsDown(kind); }

bool HasEfficiencyCurves(RegulatorKind kind) { return kind != RegulatorKind::kLinear; }

double Efficiency(const Regulator& regulator, double loadMa, double cellVolts) {
    const std::vector<EfficiencyCurve>& curves = regulator.efficiency;
    if (curves.empty()) {
        return 1.0;
    }
    if (!(cellVolts > curves.front().inputVolts)) {
        return AtLogX(curves.front().efficiencyVsLoadMa, loadMa);
    }
    if (cellVolts >= curves.back().inputVolts) {
        return AtLogX(curves.back().efficiencyVsLoadMa, loadMa);
    }
    const auto upper = std::upper_bound(curves.begin(), curves.end(), cellVolts,
                                        [](double volts, const EfficiencyCurve& curve) {
                                            return volts < curve.inputVolts;
                                        });
    const auto lower = upper - 1;
    const double share =
        (cellVolts - lower->inputVolts) / (upper->inputVolts - lower->inputVolts);
    const double low = AtLogX(lower->efficiencyVsLoadMa, loadMa);
    const double high = AtLogX(upper->efficiencyVsLoadMa, loadMa);
    return low + share * (high - low);
}

double BatteryAmps(const Regulator& regulator, double deviceAmps, double outputVolts,
                   double cellVolts) {
    if (!std::isfinite(deviceAmps) || !std::isfinite(outputVolts) || !std::isfinite(cellVolts)) {
        return NAN;
    }
    const double quiescentAmps = regulator.quiescentMicroamps * 1e-6;
    const double load = std::max(deviceAmps, 0.0);
    if (regulator.kind == RegulatorKind::kLinear) {
        return load + quiescentAmps;
    }
    if (!(cellVolts > 0.0)) {
        return NAN;
    }
    if (load == 0.0) {
        return quiescentAmps;
    }
    const double efficiency = Efficiency(regulator, load * 1e3, cellVolts);
    return std::max(outputVolts, 0.0) * load / (efficiency * cellVolts) + quiescentAmps;
}

double MinimumCellVolts(const Regulator& regulator, double outputVolts, double deviceAmps) {
    if (!StepsDown(regulator.kind)) {
        return regulator.minimumInputVolts;
    }
    const double loadMa = std::max(deviceAmps, 0.0) * 1e3;
    const double dropout = regulator.dropoutVsLoadMa.At(loadMa, 0.0);
    return std::max(regulator.minimumInputVolts, outputVolts + dropout);
}

std::optional<std::string> OutputProblem(const Regulator& regulator, double outputVolts) {
    if (!std::isfinite(outputVolts) || outputVolts <= 0.0) {
        return "The output voltage must be above 0 V.";
    }
    if (regulator.fixedOutputVolts && std::abs(*regulator.fixedOutputVolts - outputVolts) > 1e-3) {
        return regulator.name + " gives a fixed " + Volts(*regulator.fixedOutputVolts) +
               "; it cannot give " + Volts(outputVolts) + ".";
    }
    if (StepsDown(regulator.kind) && outputVolts >= regulator.maximumInputVolts) {
        return regulator.name + " steps the voltage down and takes at most " +
               Volts(regulator.maximumInputVolts) + "; it cannot give " + Volts(outputVolts) +
               ".";
    }
    if (regulator.kind == RegulatorKind::kBoost && outputVolts < regulator.minimumInputVolts) {
        return regulator.name + " steps the voltage up from at least " +
               Volts(regulator.minimumInputVolts) + "; it cannot give " + Volts(outputVolts) +
               ".";
    }
    return std::nullopt;
}

}  // namespace runwell
