#include "analysis/ProfileTimeline.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "platform/Platform.h"
#include "session/Workspace.h"

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

namespace {

/// The index of the last edge at or before `at` in `edges`, as a segment's index.
std::size_t SegmentBefore(const std::vector<double>& edges, double at) {
    const auto after = std::upper_bound(edges.begin(), edges.end(), at);
    const auto index = static_cast<std::size_t>(
        std::max<std::ptrdiff_t>(0, std::distance(edges.begin(), after) - 1));
    return std::min(index, edges.size() - 2);
}

/// Maps `at` from the edges `from` to the edges `to`, linearly within a segment.
double MapEdges(const std::vector<double>& from, const std::vector<double>& to, double at) {
    if (from.size() < 2) {
        return 0.0;
    }
    at = std::clamp(at, from.front(), from.back());
    const std::size_t i = SegmentBefore(from, at);
    const double span = from[i + 1] - from[i];
    return span > 0.0 ? to[i] + (at - from[i]) / span * (to[i + 1] - to[i]) : to[i];
}

}  // namespace

double TimelineLayout::FractionAt(double time) const {
    return MapEdges(times, fractions, time);
}

double TimelineLayout::TimeAt(double fraction) const {
    return MapEdges(fractions, times, fraction);
}

int TimelineLayout::SegmentAt(double fraction) const {
    if (fractions.size() < 2 || !(fraction >= 0.0 && fraction <= 1.0)) {
        return -1;
    }
    std::size_t i = SegmentBefore(fractions, fraction);
    while (i > 0 && !(fractions[i + 1] > fractions[i])) {
        --i;  // a segment of no width cannot be pointed at
    }
    return fractions[i + 1] > fractions[i] ? static_cast<int>(i) : -1;
}

TimelineLayout LayoutTimeline(const ProfileTimeline& timeline, double width, double minimum) {
    TimelineLayout layout;
    const double period = timeline.period;
    if (timeline.segments.empty() || !(period > 0.0) || !std::isfinite(period)) {
        return layout;
    }
    width = std::max(width, 1.0);
    minimum = std::clamp(minimum, 0.0, width);
    std::vector<double> durations;
    for (const TimelineSegment& segment : timeline.segments) {
        if (segment.duration > 0.0) {
            durations.push_back(segment.duration);
        }
    }
    std::sort(durations.begin(), durations.end());
    // Widen the shortest segments one by one until the next one is wide enough as the rest
    // share what the widened ones leave.
    std::size_t widened = 0;
    double restTime = period;
    while (widened < durations.size() &&
           durations[widened] / restTime * (width - minimum * static_cast<double>(widened)) <
               minimum) {
        restTime -= durations[widened];
        ++widened;
    }
    const bool equal = widened == durations.size() || !(restTime > 0.0);
    const double threshold = widened > 0 ? durations[widened - 1] : -1.0;
    const double scale = equal ? 0.0 : (width - minimum * static_cast<double>(widened)) / restTime;
    const double even = width / static_cast<double>(durations.size());
    double at = 0.0;
    for (const TimelineSegment& segment : timeline.segments) {
        const bool positive = segment.duration > 0.0;
        const bool wide = positive && (equal ? segment.duration / period * width < even
                                             : segment.duration <= threshold);
        layout.times.push_back(segment.start);
        layout.fractions.push_back(at / width);
        layout.widened.push_back(wide);
        at += !positive ? 0.0 : equal ? even : wide ? minimum : segment.duration * scale;
    }
    layout.times.push_back(period);
    layout.fractions.push_back(1.0);
    return layout;
}

std::string ChartContext(const Workspace& workspace) {
    const std::filesystem::path& file = workspace.saveState().file();
    const BatteryRecord* battery = workspace.currentBattery();
    std::string text = file.empty() ? std::string("Unsaved profile") : PathToUtf8(file.filename());
    text += " - " + std::string(workspace.deviceName()) + ", " + std::string(workspace.voltage()) +
            ", " + std::string(workspace.temperature());
    if (battery != nullptr) {
        text += ", " + battery->description;
    }
    return text;
}

}  // namespace runwell
