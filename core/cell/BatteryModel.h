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

    bool operator==(const InterpolationTable&) const = default;

private:
    std::vector<std::pair<double, double>> points_;
};

/// The tables of one cell measured at one temperature (version 2): a table left empty takes the
/// reference tables' (the model's top-level ones).
struct TemperatureTables {
    double temperatureC = 20.0;
    std::string source;                               // where these tables were measured
    std::optional<double> capacityMah;                // delivered at this temperature
    InterpolationTable openCircuitVoltageVsDepth;     // depth 0..1 -> V
    InterpolationTable resistanceVsDepth;             // depth 0..1 -> ohm, seen at once (R0)
    InterpolationTable polarisationVsDepth;           // depth 0..1 -> ohm, built up with tau (R1)
    std::optional<double> polarisationSeconds;        // tau
};

/// The conditions a model's figures were measured under: a prediction outside them says so.
/// Each bound is optional; a missing one is not checked.
struct MeasuredRange {
    std::string source;
    std::optional<double> lowestCurrentMa, highestCurrentMa;
    std::optional<double> longestPulseSeconds;
    std::optional<double> lowestTemperatureC, highestTemperatureC;
    std::optional<double> lowestEndVoltage;  // per pack, V
};

/// Where a model fitted from a discharge log came from.
struct FitRecord {
    std::string log;        // the log's file name
    std::string date;       // YYYY-MM-DD
    double lowestCurrentMa = 0.0, highestCurrentMa = 0.0;
};

/// What a battery model file says about one battery of the catalogue. Every table is optional;
/// a missing table takes the neutral default named beside it (docs/battery-models.md).
/// Version 2 adds the pulse-aware equivalent circuit: a polarisation resistance that builds up
/// with a time constant, tables per temperature, cells in series and parallel, the measured
/// range and the record of a fit. Resistances, voltages and capacities are per cell.
struct BatteryModel {
    int version = 1;
    std::string battery;   // the catalogue description this model belongs to
    std::string sources;   // datasheets and test conditions the figures come from
    std::string comment;
    double cutoffVoltage = 0.0;  // V, end voltage of the rated-capacity test (per pack)
    InterpolationTable capacityVsCurrent;              // mA -> mAh at 20-25 C; default: rated
    InterpolationTable capacityFactorVsTemperature;    // C -> factor; default 1
    InterpolationTable openCircuitVoltageVsDepth;      // depth 0..1 -> V; default: nominal V
    InterpolationTable resistanceVsDepth;              // depth 0..1 -> ohm; default 0
    InterpolationTable resistanceFactorVsTemperature;  // C -> factor; default 1
    std::optional<double> selfDischargePercentPerYear;  // at 20 C; default: the catalogue's
    double selfDischargeDoublingC = 10.0;  // the rate doubles for every this many degrees
    std::optional<double> shelfLifeYears;  // calendar life at 20 C; default: none

    // Version 2.
    int cellsInSeries = 1;
    int cellsInParallel = 1;
    double referenceTemperatureC = 20.0;  // of the top-level tables
    InterpolationTable polarisationVsDepth;  // depth 0..1 -> ohm (R1); default 0
    double polarisationSeconds = 0.0;        // tau of R1
    std::vector<TemperatureTables> temperatures;  // rising temperature, beside the reference
    MeasuredRange range;
    std::optional<FitRecord> fit;
    /// How far below typical one cell of this battery may deliver, percent, and where that
    /// comes from; the worst case takes it before the chemistry's default.
    std::optional<double> capacitySpreadPercent;
    std::string capacitySpreadSource;
};

/// Reads a battery model file's content (JSON, format "runwell-battery-model" version 1 or 2).
/// Anything malformed, out of range or of the wrong type fails with a message naming the field
/// and, for tables, the point.
Result<BatteryModel> ParseBatteryModel(std::string_view content);

/// The model as a version 2 file's content, which ParseBatteryModel reads back to the same model
/// (numbers to 6 significant digits). Every table gets the model's first source as its source.
std::string WriteBatteryModel(const BatteryModel& model);

}  // namespace runwell
