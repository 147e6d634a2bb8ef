#pragma once

#include <cstddef>
#include <vector>

#include "trace/TraceReader.h"

namespace runwell {

/// One column of a decimated trace: the lowest and highest current over a span of time.
struct TraceBucket {
    double start = 0.0;  // s
    double end = 0.0;    // s
    double low = 0.0;    // nA
    double high = 0.0;   // nA
};

/// Reduces a trace of any length to at most `columns` buckets of equal width while it streams
/// past: the width starts at the first sample interval and doubles (merging neighbours) whenever
/// a sample falls beyond the last bucket, so the memory is fixed and every sample's extreme
/// survives into its bucket.
class TraceDecimator : public TraceSampleSink {
public:
    explicit TraceDecimator(std::size_t columns = 2048);

    void Add(double time, double current) override;
    /// The buckets that hold samples, in time order.
    std::vector<TraceBucket> Buckets() const;

private:
    struct Slot {
        double low = 0.0;
        double high = 0.0;
        bool used = false;
    };
    void Merge();

    std::vector<Slot> slots_;
    bool started_ = false;
    double origin_ = 0.0;
    double width_ = 0.0;  // 0 until a second, later time is seen
};

/// Hands every sample to two sinks, first to `a`.
class TraceTee : public TraceSampleSink {
public:
    TraceTee(TraceSampleSink& a, TraceSampleSink& b) : a_(a), b_(b) {}
    void Add(double time, double current) override {
        a_.Add(time, current);
        b_.Add(time, current);
    }

private:
    TraceSampleSink& a_;
    TraceSampleSink& b_;
};

}  // namespace runwell
