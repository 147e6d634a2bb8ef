#pragma once

#include <vector>

#include "battery/DeratedLife.h"
#include "prediction/LifePrediction.h"
#include "session/Workspace.h"

namespace runwell {

/// The profile's modes as load steps at every temperature of the loaded device at the selected
/// voltage where each mode can be computed, in the device's order; a temperature whose label
/// holds no number, or where a mode cannot be computed, is left out.
std::vector<TemperatureModes> CharacterisedModes(const Workspace& workspace);

/// What the workspace's profile asks of a battery under `conditions` (its device's side): the
/// supply voltage, and the modes at the characterised temperatures when `withTemperatures`.
PredictionInput PredictionInputOf(const Workspace& workspace, DeratingConditions conditions,
                                  bool withTemperatures);

}  // namespace runwell
