#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "estimate/ModeRecord.h"

namespace runwell {
class Workspace;
}

namespace runwell {

/// One mode's stretch of the period. Times in us, the current in nA; the mode's label is
/// modes[mode].label.
struct TimelineSegment {
    double start = 0.0;
    double duration = 0.0;
    float current = 0.0f;
    int mode = 0;
};

/// One corner of the drawn step curve: the current holds from `time` (us) until the next
/// point's time.
struct TimelinePoint {
    double time = 0.0;
    float current = 0.0f;
};

/// One period of the profile, mode after mode.
struct ProfileTimeline {
    std::vector<TimelineSegment> segments;  // one per mode, in profile order
    double period = 0.0;                    // us, the sum of the durations
    /// The step curve to draw: one corner per segment and a last one at the period's end while
    /// that fits in the point budget; beyond it, equal spans of time each drawn by their lowest
    /// and highest current in the order they occur, so no peak (however short) and no dip is
    /// lost. Empty when the period is 0 or not finite.
    std::vector<TimelinePoint> drawing;
};

/// The timeline of `modes`. Durations are summed in double precision; a negative or non-finite
/// duration counts as 0 (the segment is kept, with no width). `maxPoints` bounds the drawing's
/// size; values below 4 count as 4.
ProfileTimeline ComputeProfileTimeline(const std::vector<ModeRecord>& modes,
                                       std::size_t maxPoints = 4000);

/// Where the segments of a timeline are drawn across a plot, as fractions of its width: to
/// scale, except that a segment too short to see or point at is drawn at a minimum width (and
/// marked), and the others shrink in proportion so the period still fills the plot.
struct TimelineLayout {
    /// The segments' edges: times[i] (us) is drawn at fractions[i]; one more than segments.
    std::vector<double> times;
    std::vector<double> fractions;
    std::vector<bool> widened;  // per segment: drawn wider than to scale

    /// Where `time` is drawn; linear within each segment, 0 and 1 beyond the period.
    double FractionAt(double time) const;
    /// The time drawn at `fraction`, FractionAt's inverse (a widened segment's time spread
    /// over its width).
    double TimeAt(double fraction) const;
    /// The segment drawn at `fraction`: the last one that starts at or before it and has any
    /// width; -1 when there is none.
    int SegmentAt(double fraction) const;
};

/// The layout of `timeline` on a plot `width` pixels wide in which no segment of a positive
/// duration is narrower than `minimum` pixels. When even that does not fit, every such segment
/// gets the same width. Segments of no duration take no width; an empty period gives an empty
/// layout.
TimelineLayout LayoutTimeline(const ProfileTimeline& timeline, double width, double minimum);

/// What an exported chart is of, for its title line: the profile's file name ("Unsaved
/// profile" before it has one), device, voltage, temperature and battery, as
/// "sleepy.set - A1, 3.3V, 25C, CR2032".
std::string ChartContext(const Workspace& workspace);

}  // namespace runwell
