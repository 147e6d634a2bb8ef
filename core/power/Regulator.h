#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "cell/BatteryModel.h"

namespace runwell {

/// How a regulator turns the cell's voltage into the device's: a linear regulator passes the
/// device current through, a switching one passes the power at its efficiency.
enum class RegulatorKind { kLinear, kBuck, kBoost, kBuckBoost };

/// The kind as the file names it: "linear", "buck", "boost", "buck-boost".
std::string_view RegulatorKindName(RegulatorKind kind);

/// Whether a regulator of `kind` may have a dropout table (a linear one must): linear and buck.
bool HasDropoutTable(RegulatorKind kind);
/// Whether a regulator of `kind` has efficiency curves (and needs one at least): the switching
/// kinds.
bool HasEfficiencyCurves(RegulatorKind kind);

/// Efficiency against load at one input voltage.
struct EfficiencyCurve {
    double inputVolts = 0.0;
    InterpolationTable efficiencyVsLoadMa;  // load mA -> efficiency in (0, 1]

    bool operator==(const EfficiencyCurve&) const = default;
};

/// One regulator between the battery and the device, as its file describes it
/// (docs/regulators.md).
struct Regulator {
    std::string name;     // shown in the window's choice and in results
    std::string part;     // the maker's part and output option
    std::string sources;  // the datasheet(s): maker, document number, revision
    RegulatorKind kind = RegulatorKind::kLinear;
    double quiescentMicroamps = 0.0;      // input current with no load (typical)
    InterpolationTable dropoutVsLoadMa;   // linear (and buck in 100 % mode): load mA -> V
    double minimumInputVolts = 0.0;       // the lowest input it regulates from (boost: the
                                          // running minimum, not the start-up voltage)
    double maximumInputVolts = 0.0;
    std::vector<EfficiencyCurve> efficiency;  // switching kinds only; rising input voltage
    std::optional<double> fixedOutputVolts;   // a fixed-output part; otherwise adjustable

    bool operator==(const Regulator&) const = default;
};

/// Reads a regulator file's content (JSON, format "runwell-regulator" version 1). Anything
/// malformed, out of range or of the wrong type fails with a message naming the field and, for
/// tables, the point.
Result<Regulator> ParseRegulator(std::string_view content);

/// The regulator as a file's content, which ParseRegulator reads back to the same value (every
/// number in its shortest exact form). Every table gets the regulator's sources as its source.
std::string WriteRegulator(const Regulator& regulator);

/// The efficiency at a load of `loadMa` from a cell at `cellVolts`: interpolated linearly in
/// log10(load) between a curve's points (held flat beyond them) and linearly in input voltage
/// between curves (the nearest curve beyond them). 1 for a regulator without curves.
double Efficiency(const Regulator& regulator, double loadMa, double cellVolts);

/// The battery current (A) the regulator draws from a cell at `cellVolts` to give `deviceAmps`
/// at `outputVolts`. Linear: device current + quiescent. Switching:
/// outputVolts * deviceAmps / (Efficiency * cellVolts) + quiescent. A device current at or
/// below 0 draws the quiescent current alone. NaN when an argument is not finite or, for a
/// switching kind, the cell voltage is not above 0.
double BatteryAmps(const Regulator& regulator, double deviceAmps, double outputVolts,
                   double cellVolts);

/// BatteryAmps of every `deviceAmps` at every `cellVolts`, as table[voltage][load]: the same
/// figures, each efficiency curve interpolated once per load however many voltages use it.
std::vector<std::vector<double>> BatteryAmpsTable(const Regulator& regulator,
                                                  const std::vector<double>& deviceAmps,
                                                  double outputVolts,
                                                  const std::vector<double>& cellVolts);

/// The lowest loaded cell voltage at which the output still holds at `deviceAmps`: linear and
/// buck: max(minimumInputVolts, outputVolts + dropout(load)), the dropout 0 without a table;
/// boost and buck-boost: minimumInputVolts.
double MinimumCellVolts(const Regulator& regulator, double outputVolts, double deviceAmps);

/// Why the regulator cannot give `outputVolts` at all (not a voltage, a fixed output other than
/// it, a step-down asked for its highest input or more, a boost asked for less than its lowest
/// input), or nothing.
std::optional<std::string> OutputProblem(const Regulator& regulator, double outputVolts);

}  // namespace runwell
