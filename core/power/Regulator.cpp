#include "power/Regulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace runwell {

namespace {

/// A table's y at `x`, interpolated linearly in log10(x) between points and held flat beyond
/// them: switching losses fall by decades of load, so a curve plotted on a log axis is straight
/// between the points read from it. A curve without points (never one read from a file) is
/// lossless. `spans`, when given, holds log10(next x / x) of each point, as this works it out.
double AtLogX(const InterpolationTable& table, double x, const double* spans = nullptr) {
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
    const double span = spans != nullptr ? spans[lower - points.begin()]
                                          : std::log10(upper->first / lower->first);
    const double share = std::log10(x / lower->first) / span;
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

namespace {

/// Where `cellVolts` falls among a regulator's efficiency curves (rising input voltage, at
/// least one): the curves below and above it and the share between them; beyond the ends both
/// are the nearest curve.
struct CurvePosition {
    std::size_t lower = 0;
    std::size_t upper = 0;
    double share = 0.0;
};

CurvePosition PositionAmong(const std::vector<EfficiencyCurve>& curves, double cellVolts) {
    if (!(cellVolts > curves.front().inputVolts)) {
        return {};
    }
    if (cellVolts >= curves.back().inputVolts) {
        return {curves.size() - 1, curves.size() - 1, 0.0};
    }
    const auto upper = std::upper_bound(
        curves.begin(), curves.end(), cellVolts,
        [](double volts, const EfficiencyCurve& curve) { return volts < curve.inputVolts; });
    const auto lower = upper - 1;
    return {static_cast<std::size_t>(lower - curves.begin()),
            static_cast<std::size_t>(upper - curves.begin()),
            (cellVolts - lower->inputVolts) / (upper->inputVolts - lower->inputVolts)};
}

/// The efficiency at `position` from the efficiencies `at(curve)` of the load on each curve.
template <class AtCurve>
double Between(const CurvePosition& position, AtCurve at) {
    const double low = at(position.lower);
    if (position.lower == position.upper) {
        return low;
    }
    const double high = at(position.upper);
    return low + position.share * (high - low);
}

/// BatteryAmps with the efficiency at the load given by `efficiencyAt(load mA)`.
template <class EfficiencyAt>
double AmpsThrough(const Regulator& regulator, double deviceAmps, double outputVolts,
                   double cellVolts, EfficiencyAt efficiencyAt) {
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
    const double efficiency = efficiencyAt(load * 1e3);
    return std::max(outputVolts, 0.0) * load / (efficiency * cellVolts) + quiescentAmps;
}

}  // namespace

double Efficiency(const Regulator& regulator, double loadMa, double cellVolts) {
    const std::vector<EfficiencyCurve>& curves = regulator.efficiency;
    if (curves.empty()) {
        return 1.0;
    }
    return Between(PositionAmong(curves, cellVolts), [&](std::size_t curve) {
        return AtLogX(curves[curve].efficiencyVsLoadMa, loadMa);
    });
}

double BatteryAmps(const Regulator& regulator, double deviceAmps, double outputVolts,
                   double cellVolts) {
    return AmpsThrough(regulator, deviceAmps, outputVolts, cellVolts,
                       [&](double loadMa) { return Efficiency(regulator, loadMa, cellVolts); });
}

std::vector<std::vector<double>> BatteryAmpsTable(const Regulator& regulator,
                                                  const std::vector<double>& deviceAmps,
                                                  double outputVolts,
                                                  const std::vector<double>& cellVolts) {
    const std::vector<EfficiencyCurve>& curves = regulator.efficiency;
    // Each curve's efficiency at every load, worked out when a voltage first needs the curve.
    std::vector<std::vector<double>> onCurve(curves.size());
    const auto curveAt = [&](std::size_t curve) -> const std::vector<double>& {
        std::vector<double>& at = onCurve[curve];
        if (at.size() != deviceAmps.size()) {
            const auto& points = curves[curve].efficiencyVsLoadMa.points();
            std::vector<double> spans;
            for (std::size_t i = 0; i + 1 < points.size(); ++i) {
                spans.push_back(std::log10(points[i + 1].first / points[i].first));
            }
            at.resize(deviceAmps.size());
            for (std::size_t k = 0; k < deviceAmps.size(); ++k) {
                at[k] = AtLogX(curves[curve].efficiencyVsLoadMa,
                               std::max(deviceAmps[k], 0.0) * 1e3, spans.data());
            }
        }
        return at;
    };
    std::vector<std::vector<double>> table(cellVolts.size(),
                                           std::vector<double>(deviceAmps.size()));
    for (std::size_t v = 0; v < cellVolts.size(); ++v) {
        const CurvePosition position =
            curves.empty() ? CurvePosition{} : PositionAmong(curves, cellVolts[v]);
        for (std::size_t k = 0; k < deviceAmps.size(); ++k) {
            table[v][k] =
                AmpsThrough(regulator, deviceAmps[k], outputVolts, cellVolts[v], [&](double) {
                    return curves.empty() ? 1.0 : Between(position, [&](std::size_t curve) {
                        return curveAt(curve)[k];
                    });
                });
        }
    }
    return table;
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
