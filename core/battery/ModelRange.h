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

}  // namespace runwell
