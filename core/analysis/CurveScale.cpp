#include "analysis/CurveScale.h"

#include <cmath>
#include <cstdio>

namespace runwell {

namespace {

/// A round step (1, 2 or 5 x 10^n) that cuts `range` into about five parts.
double RoundStep(double range) {
    const double rough = range / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double scaled = rough / power;
    return (scaled < 1.5 ? 1.0 : scaled < 3.5 ? 2.0 : scaled < 7.5 ? 5.0 : 10.0) * power;
}

std::vector<AxisTick> Ticks(double low, double high, double unit, const char* suffix) {
    std::vector<AxisTick> ticks;
    if (!(high > low) || !std::isfinite(low) || !std::isfinite(high)) {
        return ticks;
    }
    const double step = RoundStep((high - low) / unit);
    const double first = std::ceil(low / unit / step - 1e-9);
    for (double n = first; n * step <= high / unit * (1.0 + 1e-9) && ticks.size() < 20; ++n) {
        const double value = n * step;
        char text[48];
        std::snprintf(text, sizeof text, "%g %s", value == 0.0 ? 0.0 : value, suffix);
        ticks.push_back({value * unit, text});
    }
    return ticks;
}

}  // namespace

std::vector<AxisTick> HourTicks(double maxHours) {
    constexpr double kDay = 24.0;
    constexpr double kYear = 8760.0;
    if (maxHours <= 2.0 * kDay) {
        return Ticks(0.0, maxHours, 1.0, "h");
    }
    if (maxHours <= 2.0 * kYear) {
        return Ticks(0.0, maxHours, kDay, "d");
    }
    return Ticks(0.0, maxHours, kYear, "y");
}

std::vector<AxisTick> VoltTicks(double low, double high) { return Ticks(low, high, 1.0, "V"); }

}  // namespace runwell
