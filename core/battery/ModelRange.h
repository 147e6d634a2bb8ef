#pragma once

#include <string>

#include "cell/BatteryModel.h"
#include "battery/DeratedLife.h"

namespace runwell {

/// Where `conditions` (at `temperatureC`, down to `minimumVoltage`) leave the measured range of
/// `model`: "outside the model's data: drain above 40 mA; temperature below -10 C", or empty
/// inside it. The drain is the peak per parallel cell against the highest measured current and
/// the average against the lowest; a pulse is a mode above the average current, against the
/// longest measured pulse. An average above `ratedContinuousMa`, the battery's maximum
/// continuous current (0: none stated), is outside too: no maker characterises a cell there, and
/// a pulsed measurement says nothing of a sustained drain that high.
std::string OutsideData(const BatteryModel& model, const DeratingConditions& conditions,
                        double temperatureC, double minimumVoltage, double ratedContinuousMa);

/// Whether `model` states any condition it was measured under (a bound of its range, or the
/// record of a fit). A model that states none, such as a version 1 file holding a cut-off only,
/// has no data a profile could be found within or outside of.
bool StatesMeasuredRange(const BatteryModel& model);

}  // namespace runwell
