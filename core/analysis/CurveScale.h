#pragma once

#include <string>
#include <vector>

namespace runwell {

/// One labelled mark on a chart axis: where it stands (in the axis's own unit) and its text.
struct AxisTick {
    double value = 0.0;
    std::string text;
};

/// About five round marks from 0 to `maxHours` (1, 2 or 5 times a power of ten), labelled in
/// hours up to two days ("12 h"), days up to two years ("30 d") and years beyond ("2.5 y"); the
/// values stay in hours. Nothing for a range that is not positive and finite.
std::vector<AxisTick> HourTicks(double maxHours);

/// Round marks from `low` to `high` volts, labelled "2.5 V". Nothing for an empty range.
std::vector<AxisTick> VoltTicks(double low, double high);

}  // namespace runwell
