#pragma once

#include <vector>

#include "analysis/CurveScale.h"

namespace runwell {

/// How values are spread along a chart axis.
enum class AxisScale { Linear, Log };

/// A span of an axis in its own unit (us, nA, V, hours); low < high for a usable range.
struct AxisRange {
    double low = 0.0;
    double high = 1.0;
    friend bool operator==(const AxisRange&, const AxisRange&) = default;
};

/// What an axis measures, which picks the units of its marks.
enum class AxisQuantity {
    Time,     // us, marked in uS, mS, S, h, d, y
    Current,  // nA, marked in nA, uA, mA, A
    Voltage,  // V
    Hours,    // hours, marked in h, d, y
    Percent,  // %, marked in %
    Names,    // a chart's own named rows (the modes of a bar chart): AxisTicks gives no marks
};

/// Where `value` falls on `range`: 0 at low, 1 at high (beyond them outside 0..1). On a log
/// scale a value that is not positive lies at -1 (below the axis), as does every value of a
/// range that is not positive.
double AxisFraction(double value, AxisRange range, AxisScale scale);
/// The value at `fraction` of `range`: AxisFraction's inverse.
double AxisValue(double fraction, AxisRange range, AxisScale scale);

/// Marks at 1, 2 or 5 times a power of ten in the engineering unit that suits the range
/// ("200 mS", "1.5 uA"), about `count` of them, on a linear scale; on a log scale one per
/// decade (1, 2 and 5 in each decade when the range spans fewer than three). Nothing for a
/// range that is not finite and increasing, or on a log scale not positive.
std::vector<AxisTick> AxisTicks(AxisRange range, AxisQuantity quantity, AxisScale scale,
                                int count = 5);

/// `view` moved and shrunk into `data`: a view wider than the data becomes the data; one that
/// sticks out keeps its width and moves inside. On a log scale in decades, with a data range
/// that is not positive returned as it is.
AxisRange ClampAxis(AxisRange view, AxisRange data, AxisScale scale);

/// The view zoomed by `factor` (above 1 in, below 1 out) about the point at `fraction` of
/// it, which stays where it is unless clamping to `data` moves the view. A view never gets
/// narrower than `minSpan` (in the axis's unit; decades on a log scale).
AxisRange ZoomAxis(AxisRange view, AxisRange data, double fraction, double factor, AxisScale scale,
                   double minSpan);

/// The view between the fractions `from` and `to` of it (either order), as a dragged box
/// picks it; at least `minSpan` wide, about the box's middle, and within `data`.
AxisRange BoxAxis(AxisRange view, AxisRange data, double from, double to, AxisScale scale,
                  double minSpan);

/// The view moved by `shift` of its own width (positive: towards high), kept within `data`.
AxisRange PanAxis(AxisRange view, AxisRange data, double shift, AxisScale scale);

}  // namespace runwell
