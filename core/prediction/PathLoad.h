#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "battery/PathWalk.h"
#include "cell/CellCircuit.h"
#include "power/Regulator.h"

namespace runwell {

/// The device's period at its characterised temperatures, each mode's current in amps.
struct TemperatureModes {
    double temperatureC = 25.0;
    std::vector<LoadStep> steps;
};

/// A period's modes with each distinct kind counted once: modes of equal current at every
/// characterised temperature and of equal spread are one kind, so a long profile built from a
/// few kinds of mode costs what those few cost at every temperature.
struct ModeTable {
    std::vector<std::uint32_t> kindOf;  // per mode
    std::vector<double> seconds;        // per mode
    std::vector<double> kindSeconds;    // per kind: its modes' time in a period
    /// The characterised temperatures, rising and distinct; empty when the selected
    /// temperature's currents hold at every temperature.
    std::vector<double> temperatures;
    /// Per kind: its amps at each of the temperatures (one figure without them).
    std::vector<std::vector<double>> currents;
    /// Per kind: log(b / a) of its currents a and b at each pair of neighbouring temperatures
    /// where both are above 0, worked out once for the log-linear steps between them.
    std::vector<std::vector<double>> logSteps;
    std::vector<double> spreadPercent;  // per kind: typical to maximum
};

/// The table of `steps` (at the selected temperature, holding at every temperature), or of
/// `characterised` when it is not empty (each entry with the same modes); `spreadPercent`
/// holds each mode's spread (shorter: 0 for the rest).
ModeTable ModeTableOf(const std::vector<LoadStep>& steps,
                      const std::vector<TemperatureModes>& characterised,
                      const std::vector<double>& spreadPercent);

/// Each kind's current at `temperatureC` (log-linear between the characterised temperatures,
/// linear where a current is 0, the nearest beyond them), raised by its spread when
/// `highCurrents`; `outside` is set when the temperature lies beyond the characterised ones.
std::vector<double> KindAmpsAt(const ModeTable& table, double temperatureC, bool highCurrents,
                               bool& outside);

/// The battery's side of the period whose kinds draw `kindAmps` at `temperatureC`. Without a
/// regulator the battery carries the device's currents. Through one, each mode's battery
/// current is the regulator's at the cell's voltage: a switching regulator's power is given at
/// the voltages where its efficiency is measured (within `lowVolts` to `highVolts`, the cell's
/// range), and the steps at `lowVolts`, where a brown-out happens.
CellLoad LoadThroughPath(const ModeTable& table, const std::vector<double>& kindAmps,
                         const Regulator* regulator, double outputVolts, double lowVolts,
                         double highVolts, double temperatureC);

}  // namespace runwell
