#pragma once

#include <cstddef>
#include <vector>

#include "estimate/ModeRecord.h"

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

}  // namespace runwell
