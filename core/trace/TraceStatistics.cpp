#include "trace/TraceStatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "trace/TraceDecimation.h"
#include "trace/TraceText.h"

namespace runwell {
namespace {

bool Within(double value, double reference, double tolerance) {
    return std::fabs(value - reference) <=
           tolerance * std::max(std::fabs(reference), Segmentation::kCurrentFloor);
}

/// Whether `value` survives the narrowing to single precision that the texts and the settings
/// file use, instead of saturating at the largest float: finite and no larger.
bool FitsFloat(double value) { return std::fabs(value) <= std::numeric_limits<float>::max(); }

/// Whether every figure can be shown as it is: times and charge as the texts take them (us,
/// nA*us), currents in nA.
bool FitsFloat(const TraceStatistics& s) {
    for (const double value : {s.start * 1e6, s.end * 1e6, s.duration * 1e6, s.average, s.peak,
                               s.rms, s.charge * 1e6}) {
        if (!FitsFloat(value)) {
            return false;
        }
    }
    return true;
}

/// Whether a level can be a mode of a settings file: duration in us, current in nA and their
/// product, the mode's charge.
bool FitsFloat(const TraceLevel& level) {
    const double duration = level.duration * 1e6;
    return FitsFloat(duration) && FitsFloat(level.current) && FitsFloat(duration * level.current);
}

}  // namespace

TraceAccumulator::TraceAccumulator(TraceRange range, double period,
                                   std::optional<Segmentation> segmentation)
    : range_(range), period_(period), segmentation_(segmentation) {}

void TraceAccumulator::Add(double time, double current) {
    if (pending_) {
        lastInterval_ = time - pendingTime_;
        Interval(pendingTime_, time, pendingCurrent_);
    }
    pending_ = true;
    pendingTime_ = time;
    pendingCurrent_ = current;
}

void TraceAccumulator::Interval(double begin, double end, double current) {
    const double a = range_.from ? std::max(begin, *range_.from) : begin;
    const double b = range_.to ? std::min(end, *range_.to) : end;
    if (!(b > a)) {
        return;
    }
    const double dt = b - a;
    if (!covered_) {
        covered_ = true;
        stats_.start = a;
        stats_.peak = current;
    }
    stats_.end = b;
    ++stats_.samples;
    stats_.duration += dt;
    stats_.charge += current * dt;
    sumSquares_ += current * current * dt;
    stats_.peak = std::max(stats_.peak, current);
    if (segmentation_) {
        Segment(a, dt, current);
    }
}

void TraceAccumulator::Segment(double begin, double dt, double current) {
    if (segmentOpen_) {
        const double mean = segmentCharge_ / segment_.duration;
        if (Within(current, mean, segmentation_->tolerance)) {
            segment_.duration += dt;
            segmentCharge_ += current * dt;
            if (current > segment_.peak) {
                segment_.peak = current;
                segment_.peakDuration = dt;
            }
            return;
        }
        CloseSegment();
    }
    segmentOpen_ = true;
    segment_ = TraceLevel{dt, 0.0, 1, begin, current, dt};
    segmentCharge_ = current * dt;
}

void TraceAccumulator::CloseSegment() {
    segmentOpen_ = false;
    const double mean = segmentCharge_ / segment_.duration;
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        if (Within(mean, levelCharges_[i] / levels_[i].duration, segmentation_->tolerance)) {
            levels_[i].duration += segment_.duration;
            levelCharges_[i] += segmentCharge_;
            ++levels_[i].segments;
            if (segment_.peak > levels_[i].peak) {
                levels_[i].peak = segment_.peak;
                levels_[i].peakDuration = segment_.peakDuration;
            }
            return;
        }
    }
    if (levels_.size() >= Segmentation::kMaxLevels) {
        tooManyLevels_ = true;
        return;
    }
    levels_.push_back(segment_);
    levelCharges_.push_back(segmentCharge_);
}

Result<TraceStatistics> TraceAccumulator::Finish() {
    if (pending_) {
        pending_ = false;
        const double length = lastInterval_ >= 0.0 ? lastInterval_ : period_;
        Interval(pendingTime_, pendingTime_ + length, pendingCurrent_);
    }
    if (segmentOpen_) {
        CloseSegment();
    }
    if (!covered_ || !(stats_.duration > 0.0)) {
        // Without a range the trace itself covers no time: one sample, or all at one time.
        return Error{range_.from || range_.to
                         ? "The range holds no part of the trace."
                         : "The trace spans no time; it needs two samples at different times."};
    }
    if (tooManyLevels_) {
        return Error{"The trace splits into more than " +
                     std::to_string(Segmentation::kMaxLevels) +
                     " levels; raise the tolerance."};
    }
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        levels_[i].current = levelCharges_[i] / levels_[i].duration;
    }
    stats_.average = stats_.charge / stats_.duration;
    stats_.rms = std::sqrt(sumSquares_ / stats_.duration);
    if (std::optional<Error> refusal = Unusable()) {
        return *refusal;
    }
    return stats_;
}

std::optional<Error> TraceAccumulator::Unusable() const {
    if (!FitsFloat(stats_)) {
        return Error{"The trace's figures are too large to be represented; check its units."};
    }
    // A supply current does not run backwards: an average at or below zero is a probe's offset
    // or a sign turned, and would give a negative or endless life.
    if (!(stats_.average > 0.0)) {
        return Error{"The average current is " + SignedCurrentText(stats_.average) +
                     ", not above zero; check the probe's zero offset."};
    }
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        if (!FitsFloat(levels_[i])) {
            return Error{"The trace's level " + std::to_string(i + 1) +
                         " is too large to be stored as a mode; check its units."};
        }
    }
    return std::nullopt;
}

namespace {

template <typename Read>
Result<TraceAnalysis> Analyse(const TraceFormat& format, const TraceRange& range,
                              std::optional<Segmentation> segmentation, Read read) {
    for (const std::optional<double>& end : {range.from, range.to}) {
        if (end && !(std::fabs(*end) <= kMaxTraceSeconds)) {
            return Error{"The range must lie between -1e12 s and 1e12 s."};
        }
    }
    if (range.from && range.to && *range.to < *range.from) {
        return Error{"The range ends before it begins."};
    }
    if (segmentation && !(segmentation->tolerance > 0.0 && segmentation->tolerance <= 100.0)) {
        return Error{"The tolerance must be a positive number."};
    }
    const double period = format.sampleRate > 0.0 ? 1.0 / format.sampleRate : 0.0;
    TraceAccumulator accumulator(range, period, segmentation);
    Result<TraceReadSummary> summary = read(accumulator);
    if (!summary) {
        return summary.error();
    }
    Result<TraceStatistics> statistics = accumulator.Finish();
    if (!statistics) {
        return statistics.error();
    }
    return TraceAnalysis{std::move(summary).value(), *statistics, accumulator.levels()};
}

}  // namespace

Result<TraceAnalysis> AnalyseTraceFile(const std::filesystem::path& path, const TraceFormat& format,
                                       const TraceRange& range,
                                       std::optional<Segmentation> segmentation,
                                       TraceSampleSink* alsoTo) {
    return Analyse(format, range, segmentation, [&](TraceSampleSink& sink) {
        if (alsoTo == nullptr) {
            return ReadTraceFile(path, format, sink);
        }
        TraceTee tee(sink, *alsoTo);
        return ReadTraceFile(path, format, tee);
    });
}

Result<TraceAnalysis> AnalyseTraceText(std::string_view text, const TraceFormat& format,
                                       const TraceRange& range,
                                       std::optional<Segmentation> segmentation) {
    return Analyse(format, range, segmentation, [&](TraceSampleSink& sink) {
        return ReadTraceText(text, format, sink);
    });
}

}  // namespace runwell
