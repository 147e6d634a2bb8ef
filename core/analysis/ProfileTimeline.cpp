#include "analysis/ProfileTimeline.h"

#include <algorithm>
#include <cmath>

namespace runwell {
namespace {

double Width(float duration) {
    const double width = static_cast<double>(duration);
    return std::isfinite(width) && width > 0.0 ? width : 0.0;
}

/// Equal spans of the period, each drawn by its lowest and highest current in time order. A
/// segment counts in every span it overlaps; one of no width counts in the span of its start.
std::vector<TimelinePoint> Decimate(const std::vector<TimelineSegment>& segments, double period,
                                    std::size_t spans) {
    struct Span {
        float low = 0.0f;
        float high = 0.0f;
        bool lowFirst = true;
        bool used = false;
    };
    std::vector<Span> buckets(spans);
    const double width = period / static_cast<double>(spans);
    const auto bucketOf = [&](double time) {
        const double index = std::floor(time / width);
        return index <= 0.0 ? std::size_t{0}
                            : std::min(spans - 1, static_cast<std::size_t>(index));
    };
    for (const TimelineSegment& segment : segments) {
        const float current = segment.current;
        if (std::isnan(current)) {
            continue;
        }
        const std::size_t first = bucketOf(segment.start);
        // The end itself belongs to the next segment, so a span is entered only when the
        // segment reaches past its start.
        std::size_t last = first;
        if (segment.duration > 0.0) {
            const double end = segment.start + segment.duration;
            last = std::max(first, bucketOf(end));
            if (last > first && static_cast<double>(last) * width >= end) {
                --last;
            }
        }
        for (std::size_t b = first; b <= last; ++b) {
            Span& span = buckets[b];
            if (!span.used) {
                span = {current, current, true, true};
                continue;
            }
            if (current < span.low) {
                span.low = current;
                span.lowFirst = false;  // the high was seen before this new low
            } else if (current > span.high) {
                span.high = current;
                span.lowFirst = true;
            }
        }
    }
    std::vector<TimelinePoint> points;
    points.reserve(2 * spans + 1);
    float last = 0.0f;
    for (std::size_t b = 0; b < spans; ++b) {
        const double start = static_cast<double>(b) * width;
        Span span = buckets[b];
        if (!span.used) {
            // Nothing starts here (only a NaN current); the curve goes on at its last level.
            span = {last, last, true, true};
        }
        const float first = span.lowFirst ? span.low : span.high;
        const float second = span.lowFirst ? span.high : span.low;
        points.push_back({start, first});
        if (second != first) {
            points.push_back({start + width / 2.0, second});
        }
        last = second;
    }
    points.push_back({period, last});
    return points;
}

}  // namespace

ProfileTimeline ComputeProfileTimeline(const std::vector<ModeRecord>& modes,
                                       std::size_t maxPoints) {
    maxPoints = std::max<std::size_t>(maxPoints, 4);
    ProfileTimeline timeline;
    timeline.segments.reserve(modes.size());
    double start = 0.0;
    for (std::size_t i = 0; i < modes.size(); ++i) {
        const double width = Width(modes[i].duration);
        timeline.segments.push_back({start, width, modes[i].totalCurrent, static_cast<int>(i)});
        start += width;
    }
    timeline.period = start;
    if (!(start > 0.0) || !std::isfinite(start)) {
        return timeline;
    }
    if (timeline.segments.size() + 1 <= maxPoints) {
        timeline.drawing.reserve(timeline.segments.size() + 1);
        for (const TimelineSegment& segment : timeline.segments) {
            timeline.drawing.push_back({segment.start, segment.current});
        }
        timeline.drawing.push_back({start, timeline.segments.back().current});
        return timeline;
    }
    // Two corners per span and the end point.
    timeline.drawing = Decimate(timeline.segments, start, (maxPoints - 1) / 2);
    return timeline;
}

}  // namespace runwell
