#pragma once

#include "base/Prompter.h"
#include "base/Result.h"
#include "session/Workspace.h"

namespace runwell {

/// The workspace's profile at voltage `voltageIndex` and temperature `temperatureIndex` of the
/// loaded device: the same device, battery, current row and minimum voltage, every mode
/// recomputed there as the mode editor's confirmation does (as `runwell-cli refresh` does).
/// Fails, naming every mode that cannot be computed at that point, or when an index is not one
/// of the device's lists.
Result<ProfileState> StateAtOperatingPoint(const Workspace& workspace, int voltageIndex,
                                           int temperatureIndex);

/// Moves the workspace to that state and marks it modified; unlike picking another voltage or
/// temperature, the profile is kept, recomputed. The workspace's own point changes nothing and
/// returns false. On failure nothing changes and the error says why.
Result<bool> MoveToOperatingPoint(Workspace& workspace, int voltageIndex, int temperatureIndex,
                                  Prompter& prompter);

}  // namespace runwell
