#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Result.h"

namespace runwell {

/// A table of (x, y) points with strictly rising x, read by linear interpolation between points
/// and held constant beyond the first and the last point. An empty table has no value.
class InterpolationTable {
public:
    InterpolationTable() = default;
    explicit InterpolationTable(std::vector<std::pair<double, double>> points)
        : points_(std::move(points)) {}

    bool empty() const { return points_.empty(); }
    const std::vector<std::pair<double, double>>& points() const { return points_; }
    /// The interpolated y at `x`, or `fallback` when the table is empty.
    double At(double x, double fallback) const;

private:
    std::vector<std::pair<double, double>> points_;
};

/// What a battery model file says about one battery of the catalogue. Every table is optional;
/// a missing table takes the neutral default named beside it (docs/battery-models.md).
struct BatteryModel {
    std::string battery;   // the catalogue description this model belongs to
    std::string sources;   // datasheets and test conditions the figures come from
    double cutoffVoltage = 0.0;  // V, end voltage of the rated-capacity test
    InterpolationTable capacityVsCurrent;              // mA -> mAh at 20-25 C; default: rated
    InterpolationTable capacityFactorVsTemperature;    // C -> factor; default 1
    InterpolationTable openCircuitVoltageVsDepth;      // depth 0..1 -> V; default: nominal V
    InterpolationTable resistanceVsDepth;              // depth 0..1 -> ohm; default 0
    InterpolationTable resistanceFactorVsTemperature;  // C -> factor; default 1
    std::optional<double> selfDischargePercentPerYear;  // at 20 C; default: the catalogue's
    double selfDischargeDoublingC = 10.0;  // the rate doubles for every this many degrees
    std::optional<double> shelfLifeYears;  // calendar life at 20 C; default: none
};

/// Reads a battery model file's content (JSON, format "runwell-battery-model" version 1).
/// Anything malformed, out of range or of the wrong type fails with a message naming the field
/// and, for tables, the point.
Result<BatteryModel> ParseBatteryModel(std::string_view content);

}  // namespace runwell
