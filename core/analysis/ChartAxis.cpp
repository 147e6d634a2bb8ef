#include "analysis/ChartAxis.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "estimate/Format.h"

namespace runwell {
namespace {

/// One unit an axis can be marked in: its size in the axis's own unit and its suffix.
struct Unit {
    double size;
    const char* suffix;
};

constexpr Unit kTimeUnits[] = {{1.0, "uS"},  {1e3, "mS"},    {1e6, "S"},
                               {3.6e9, "h"}, {8.64e10, "d"}, {3.1536e13, "y"}};
constexpr Unit kCurrentUnits[] = {{1.0, "nA"}, {1e3, "uA"}, {1e6, "mA"}, {1e9, "A"}};
constexpr Unit kVoltageUnits[] = {{1.0, "V"}};
constexpr Unit kHourUnits[] = {{1.0, "h"}, {24.0, "d"}, {8760.0, "y"}};
constexpr Unit kPercentUnits[] = {{1.0, "%"}};

std::span<const Unit> UnitsOf(AxisQuantity quantity) {
    switch (quantity) {
        case AxisQuantity::Time:
            return kTimeUnits;
        case AxisQuantity::Current:
            return kCurrentUnits;
        case AxisQuantity::Voltage:
            return kVoltageUnits;
        case AxisQuantity::Hours:
            return kHourUnits;
        case AxisQuantity::Percent:
            return kPercentUnits;
        case AxisQuantity::Names:
            break;
    }
    return kVoltageUnits;
}

/// The largest unit not above `magnitude`; the smallest for a smaller one.
Unit UnitFor(double magnitude, std::span<const Unit> units) {
    Unit chosen = units.front();
    for (const Unit& unit : units) {
        if (magnitude >= unit.size * (1.0 - 1e-9)) {
            chosen = unit;
        }
    }
    return chosen;
}

/// A round step (1, 2 or 5 x 10^n) that cuts `range` into about `count` parts.
double RoundStep(double range, int count) {
    const double rough = range / std::max(1, count);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double scaled = rough / power;
    return (scaled < 1.5 ? 1.0 : scaled < 3.5 ? 2.0 : scaled < 7.5 ? 5.0 : 10.0) * power;
}

std::string TickText(double value, int decimals, const Unit& unit) {
    std::string text = FormatTrimmed(value, decimals);
    if (text == "-0") {
        text = "0";
    }
    return text + " " + unit.suffix;
}

std::vector<AxisTick> LinearTicks(AxisRange range, std::span<const Unit> units, int count) {
    const Unit unit = UnitFor(std::max(std::fabs(range.low), std::fabs(range.high)), units);
    const double step = RoundStep((range.high - range.low) / unit.size, count);
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    std::vector<AxisTick> ticks;
    const double first = std::ceil(range.low / unit.size / step - 1e-9);
    const double last = std::floor(range.high / unit.size / step + 1e-9);
    for (double n = first; n <= last && ticks.size() < 50; ++n) {
        const double value = n * step;
        ticks.push_back({value * unit.size, TickText(value, decimals, unit)});
    }
    return ticks;
}

std::vector<AxisTick> LogTicks(AxisRange range, std::span<const Unit> units, int count) {
    const double lowDecade = std::floor(std::log10(range.low) + 1e-9);
    const double highDecade = std::ceil(std::log10(range.high) - 1e-9);
    const double decades = highDecade - lowDecade;
    if (decades < 1.0 || std::log10(range.high / range.low) < 1.0) {
        return LinearTicks(range, units, count);
    }
    const bool fine = decades < 3.0;
    const int stride = std::max(1, static_cast<int>(std::ceil(decades / (2.0 * count))));
    std::vector<AxisTick> ticks;
    for (double decade = lowDecade; decade <= highDecade; decade += stride) {
        for (const double mantissa : {1.0, 2.0, 5.0}) {
            if (mantissa > 1.0 && !fine) {
                break;
            }
            const double value = mantissa * std::pow(10.0, decade);
            if (value < range.low * (1.0 - 1e-9) || value > range.high * (1.0 + 1e-9)) {
                continue;
            }
            const Unit unit = UnitFor(value, units);
            const double shown = value / unit.size;
            ticks.push_back({value, TickText(shown, shown < 1.0 ? 3 : 0, unit)});
        }
    }
    return ticks;
}

bool Usable(AxisRange range, AxisScale scale) {
    return std::isfinite(range.low) && std::isfinite(range.high) && range.high > range.low &&
           (scale == AxisScale::Linear || range.low > 0.0);
}

/// The range in the axis's own coordinate: the values, or their logarithms.
AxisRange Inner(AxisRange range, AxisScale scale) {
    return scale == AxisScale::Log ? AxisRange{std::log10(range.low), std::log10(range.high)}
                                   : range;
}

AxisRange Outer(AxisRange range, AxisScale scale) {
    return scale == AxisScale::Log
               ? AxisRange{std::pow(10.0, range.low), std::pow(10.0, range.high)}
               : range;
}

/// ClampAxis in the axis's own coordinate.
AxisRange ClampInner(AxisRange view, AxisRange data) {
    const double width = view.high - view.low;
    if (!(width < data.high - data.low)) {
        return data;
    }
    if (view.low < data.low) {
        return {data.low, data.low + width};
    }
    if (view.high > data.high) {
        return {data.high - width, data.high};
    }
    return view;
}

/// At least `minSpan` wide about the middle of `view`.
AxisRange Widen(AxisRange view, double minSpan) {
    if (view.high - view.low >= minSpan) {
        return view;
    }
    const double middle = (view.low + view.high) / 2.0;
    return {middle - minSpan / 2.0, middle + minSpan / 2.0};
}

}  // namespace

double AxisFraction(double value, AxisRange range, AxisScale scale) {
    if (scale == AxisScale::Log) {
        if (!(value > 0.0) || !Usable(range, scale)) {
            return -1.0;
        }
        const AxisRange inner = Inner(range, scale);
        return (std::log10(value) - inner.low) / (inner.high - inner.low);
    }
    return (value - range.low) / (range.high - range.low);
}

double AxisValue(double fraction, AxisRange range, AxisScale scale) {
    const AxisRange inner = Inner(range, scale);
    const double at = inner.low + fraction * (inner.high - inner.low);
    return scale == AxisScale::Log ? std::pow(10.0, at) : at;
}

std::vector<AxisTick> AxisTicks(AxisRange range, AxisQuantity quantity, AxisScale scale,
                                int count) {
    if (!Usable(range, scale) || quantity == AxisQuantity::Names) {
        return {};
    }
    return scale == AxisScale::Log ? LogTicks(range, UnitsOf(quantity), count)
                                   : LinearTicks(range, UnitsOf(quantity), count);
}

AxisRange ClampAxis(AxisRange view, AxisRange data, AxisScale scale) {
    if (!Usable(data, scale)) {
        return view;
    }
    if (!Usable(view, scale)) {
        return data;
    }
    return Outer(ClampInner(Inner(view, scale), Inner(data, scale)), scale);
}

AxisRange ZoomAxis(AxisRange view, AxisRange data, double fraction, double factor, AxisScale scale,
                   double minSpan) {
    if (!Usable(view, scale) || !Usable(data, scale) || !(factor > 0.0) ||
        !std::isfinite(fraction)) {
        return ClampAxis(view, data, scale);
    }
    const AxisRange inner = Inner(view, scale);
    const double pivot = inner.low + fraction * (inner.high - inner.low);
    const double width = std::max((inner.high - inner.low) / factor, minSpan);
    const AxisRange zoomed{pivot - fraction * width, pivot - fraction * width + width};
    return Outer(ClampInner(zoomed, Inner(data, scale)), scale);
}

AxisRange BoxAxis(AxisRange view, AxisRange data, double from, double to, AxisScale scale,
                  double minSpan) {
    if (!Usable(view, scale) || !Usable(data, scale)) {
        return ClampAxis(view, data, scale);
    }
    const AxisRange inner = Inner(view, scale);
    const double width = inner.high - inner.low;
    const AxisRange box{inner.low + std::min(from, to) * width,
                        inner.low + std::max(from, to) * width};
    return Outer(ClampInner(Widen(box, minSpan), Inner(data, scale)), scale);
}

AxisRange PanAxis(AxisRange view, AxisRange data, double shift, AxisScale scale) {
    if (!Usable(view, scale) || !Usable(data, scale) || !std::isfinite(shift)) {
        return ClampAxis(view, data, scale);
    }
    const AxisRange inner = Inner(view, scale);
    const double by = shift * (inner.high - inner.low);
    return Outer(ClampInner({inner.low + by, inner.high + by}, Inner(data, scale)), scale);
}

}  // namespace runwell
