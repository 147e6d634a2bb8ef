#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/Result.h"
#include "cell/BatteryModel.h"

namespace runwell {

/// What steady discharges of single cells (a constant current or a resistor, no current step)
/// delivered to an end voltage, on average over the logs.
struct SteadyDischarge {
    double drainMa = 0.0;       // the average current over the discharge
    double deliveredMah = 0.0;  // to the end voltage
    double endVolts = 0.0;
    double lowestMa = 0.0, highestMa = 0.0;  // the currents the logs saw
    std::vector<std::string> logs;           // the logs' file names
};

/// Reads the steady discharge log of a single cell at `path` (the discharge log's format) to
/// its first sample below `endVolts`. Fails when the log cannot be read, holds a current step,
/// or never falls below the end voltage (it then does not give the capacity to it).
Result<SteadyDischarge> ReadSteadyDischarge(const std::filesystem::path& path, double endVolts);

/// The discharges of several cells to one end voltage as one: the mean drain and capacity, the
/// currents of them all, every log's name.
SteadyDischarge AverageOf(const std::vector<SteadyDischarge>& discharges);

/// The model with a point of its capacity table at the discharge's drain, chosen so that the
/// model's own predicted life under that steady drain, to the discharge's end voltage, delivers
/// the discharge's capacity. The measured capacity itself would not do: measured under load to
/// an end voltage it already holds the drop across the cell's resistance, which the model's
/// resistance then takes again. The point is the reference temperature's, the current range
/// grows to the discharge's currents, and the sources and comment say where the point comes
/// from (`citation`). Fails when the model cannot reach the capacity: its loaded voltage at that
/// drain lies below the end voltage from the start.
Result<BatteryModel> WithSteadyCapacity(BatteryModel model, const SteadyDischarge& discharge,
                                        const std::string& citation);

}  // namespace runwell
