#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/Result.h"
#include "trace/TraceReader.h"

namespace runwell {

/// A time range of a trace, in the trace's own seconds; an open end reaches the trace's end.
struct TraceRange {
    std::optional<double> from;
    std::optional<double> to;
};

/// The figures of a trace over a range. Each sample holds its current until the next sample;
/// the last one for as long as the interval before it (or one sample period at a fixed rate).
/// Intervals are cut at the range's ends, so every figure is the exact integral of that step
/// curve over the part of the range the trace covers.
struct TraceStatistics {
    std::int64_t samples = 0;  // samples whose interval reaches into the range
    double start = 0.0;        // s: where the covered part of the range begins
    double end = 0.0;          // s: and where it ends
    double duration = 0.0;     // s: the time covered (end - start)
    double average = 0.0;      // nA: charge / duration
    double peak = 0.0;         // nA: the largest sample current
    double rms = 0.0;          // nA: root of the mean square current
    double charge = 0.0;       // nA*s
};

/// One level the trace dwells at: all its segments of similar current taken together.
struct TraceLevel {
    double duration = 0.0;  // s, summed over the level's segments
    double current = 0.0;   // nA: the time-weighted mean over them
    std::int64_t segments = 0;
    double firstStart = 0.0;  // s: where the level first appears
    double peak = 0.0;          // nA: the largest sample current among the level's samples
    double peakDuration = 0.0;  // s: how long the first sample at that peak lasts in the range
};

/// Splits a trace into modes, deterministically and in one pass. A segment grows while each
/// sample's current lies within `tolerance` (relative, 0.25 = 25 %) of the segment's running
/// time-weighted mean, measured against at least kCurrentFloor; the first sample outside starts
/// the next segment. Each finished segment joins the first level (in order of appearance) whose
/// mean lies within the tolerance of its own, or starts a new level. The levels conserve the
/// charge: their durations and currents give the trace's average back.
struct Segmentation {
    static constexpr double kCurrentFloor = 1.0;  // nA: no finer distinction near zero
    static constexpr double kDefaultTolerance = 0.25;
    static constexpr std::size_t kMaxLevels = 200;

    double tolerance = kDefaultTolerance;
};

/// Collects the statistics (and, when asked, the levels) of samples handed in trace order.
class TraceAccumulator : public TraceSampleSink {
public:
    /// `period` is how long the last sample lasts when it is the only one (1 / rate, or 0).
    explicit TraceAccumulator(TraceRange range = {}, double period = 0.0,
                              std::optional<Segmentation> segmentation = std::nullopt);

    void Add(double time, double current) override;

    /// The figures over the range; "The range holds no part of the trace." when no sample's
    /// interval reaches into it (without a range: the trace spans no time), and "The trace
    /// splits into more than 200 levels; raise the tolerance." when segmenting found too many.
    /// Refused too: figures that single precision cannot hold (the texts and the settings file
    /// narrow them), an average current not above zero, and a level too large to be a mode.
    /// Call once, after the last sample.
    Result<TraceStatistics> Finish();
    /// The levels in order of first appearance; filled by Finish() when segmenting.
    const std::vector<TraceLevel>& levels() const { return levels_; }

private:
    /// The pending sample's step from `begin` to `end`, cut to the range.
    void Interval(double begin, double end, double current);
    void Segment(double begin, double dt, double current);
    void CloseSegment();
    /// Why the finished figures cannot be used, if they cannot.
    std::optional<Error> Unusable() const;

    TraceRange range_;
    double period_;
    std::optional<Segmentation> segmentation_;

    bool pending_ = false;
    double pendingTime_ = 0.0;
    double pendingCurrent_ = 0.0;
    double lastInterval_ = -1.0;  // < 0: no interval seen yet

    TraceStatistics stats_;
    bool covered_ = false;
    double sumSquares_ = 0.0;  // nA^2*s

    bool segmentOpen_ = false;
    TraceLevel segment_;
    double segmentCharge_ = 0.0;
    std::vector<TraceLevel> levels_;
    std::vector<double> levelCharges_;
    bool tooManyLevels_ = false;
};

/// Reads the trace at `path` once and gives its statistics over `range`, and its levels when
/// `segmentation` is set. A range with an end beyond kMaxTraceSeconds either side of zero, or
/// one that ends before it begins, is refused before the trace is read. Every sample read is also handed to `alsoTo` when given (a plot's
/// decimator, for one).
struct TraceAnalysis {
    TraceReadSummary read;
    TraceStatistics statistics;
    std::vector<TraceLevel> levels;
};
Result<TraceAnalysis> AnalyseTraceFile(const std::filesystem::path& path, const TraceFormat& format,
                                       const TraceRange& range,
                                       std::optional<Segmentation> segmentation,
                                       TraceSampleSink* alsoTo = nullptr);
Result<TraceAnalysis> AnalyseTraceText(std::string_view text, const TraceFormat& format,
                                       const TraceRange& range,
                                       std::optional<Segmentation> segmentation);

}  // namespace runwell
