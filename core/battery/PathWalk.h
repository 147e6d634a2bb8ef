#pragma once

#include <utility>
#include <vector>

#include "battery/DeratedLife.h"
#include "cell/BatteryModel.h"
#include "cell/CellCircuit.h"
#include "estimate/BatteryRecord.h"

namespace runwell {

/// What the battery delivers at one temperature, on its side of the power path.
struct CellLoad {
    double temperatureC = 25.0;
    /// The battery's average current at a cell voltage V is fixedMa + P(V) / V: a current that
    /// does not depend on the voltage (the device's own without a regulator or through a linear
    /// one, a switching regulator's quiescent current), and the power a switching regulator
    /// draws (mW against rising volts, linear between points, held beyond them). Storage has
    /// neither.
    double fixedMa = 0.0;
    std::vector<std::pair<double, double>> powerMwVsVolts;
    /// The drain the capacity is reckoned at (mA): the use's average, also while in storage.
    double capacityDrainMa = 0.0;
    /// One period of the battery's currents near the end of life (at the limit voltage).
    std::vector<LoadStep> steps;
    double peakAmps = 0.0;  // the largest of the steps
};

/// A stretch of time at one of the walk's loads.
struct LoadSpan {
    double hours = 0.0;
    int load = 0;  // index into PathWalkInput::loads
};

struct PathWalkInput {
    std::vector<CellLoad> loads;
    std::vector<LoadSpan> storage;  // spent first, once, with no current drawn
    std::vector<LoadSpan> year;     // repeated until the life ends; at least one span
    double limitVolts = 0.0;        // the loaded cell voltage the life ends below
    const char* voltageLimit = kLimitBrownOut;  // what ended the life when it crosses
    double capacityFactor = 1.0;    // a cell below typical delivers less
};

/// The life of `battery` (with `model`) through the spans of `input`: storage first, then the
/// year over and over. The charge drawn is kept across temperatures, so a cold month that
/// holds less capacity, or a higher resistance, can end the life in that month. Within a span
/// the charge is drawn with the battery's average at the cell's open-circuit voltage and lost to
/// self-discharge of the remaining charge, solved exactly, in steps of 1/200 of the capacity;
/// the loaded voltage is checked after each step. The life ends when the charge is spent
/// ("capacity"), the loaded voltage crosses the limit (`voltageLimit`), or the model's shelf
/// life ends, storage included ("self-discharge").
DeratedLife WalkPath(const BatteryRecord& battery, const BatteryModel& model,
                     const PathWalkInput& input);

}  // namespace runwell
