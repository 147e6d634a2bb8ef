#pragma once

#include <vector>

#include "cell/CellCircuit.h"
#include "power/Regulator.h"
#include "battery/PathWalk.h"

namespace runwell {

/// The device's period at its characterised temperatures, each mode's current in amps.
struct TemperatureModes {
    double temperatureC = 25.0;
    std::vector<LoadStep> steps;
};

/// The device's period at `temperatureC`: each mode's current between the characterised
/// temperatures, log-linear in current between neighbouring ones (linear where a current is 0)
/// and held at the nearest beyond them. Every entry of `characterised` must have the same modes;
/// `outside` is set when `temperatureC` lies beyond them.
std::vector<LoadStep> StepsAtTemperature(const std::vector<TemperatureModes>& characterised,
                                         double temperatureC, bool& outside);

/// The battery's side of `deviceSteps` at `temperatureC`. Without a regulator the battery
/// carries the device's currents. Through one, each mode's battery current is the regulator's
/// at the cell's voltage: a switching regulator's power is given at the voltages where its
/// efficiency is measured (within `lowVolts` to `highVolts`, the cell's range), and the steps
/// at `lowVolts`, where a brown-out happens.
CellLoad LoadThroughPath(const std::vector<LoadStep>& deviceSteps, const Regulator* regulator,
                         double outputVolts, double lowVolts, double highVolts,
                         double temperatureC);

/// The period's time-weighted average current of `steps`, A; 0 for a period of no time.
double AverageAmps(const std::vector<LoadStep>& steps);

}  // namespace runwell
