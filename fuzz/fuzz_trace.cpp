// The trace reader over arbitrary bytes: the first byte picks the given units and a fixed sample
// rate, the rest is the file. Whatever it reads, the figures are finite, the samples come in
// time order, the average is above zero, the levels hold the trace's charge and the texts show
// no infinity and no negative life.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "base/Numbers.h"
#include "exchange/AnalysisOutput.h"
#include "trace/TraceProfile.h"
#include "trace/TraceReader.h"
#include "trace/TraceStatistics.h"
#include "trace/TraceText.h"

namespace {

/// Checks what the reader promises about every sample it hands on.
class CheckingSink : public runwell::TraceSampleSink {
public:
    explicit CheckingSink(runwell::TraceSampleSink& next) : next_(next) {}
    void Add(double time, double current) override {
        RUNWELL_FUZZ_CHECK(std::isfinite(time) && std::isfinite(current));
        RUNWELL_FUZZ_CHECK(count_ == 0 || time >= last_);
        last_ = time;
        ++count_;
        next_.Add(time, current);
    }
    long count() const { return count_; }

private:
    runwell::TraceSampleSink& next_;
    double last_ = 0.0;
    long count_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t pick = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    runwell::TraceFormat format;
    if (pick & 1) {
        format.timeUnit = static_cast<runwell::TimeUnit>((pick >> 1) % 3);
    }
    if (pick & 8) {
        format.currentUnit = static_cast<runwell::CurrentUnit>((pick >> 4) % 4);
    }
    if (pick & 64) {
        format.sampleRate = pick & 128 ? 1e6 : 3.0;
    }
    runwell::TraceRange range;
    if (pick & 4) {
        range.from = 0.5;
        range.to = 2.0;
    }
    runwell::TraceAccumulator accumulator(range, format.sampleRate > 0 ? 1.0 / format.sampleRate : 0,
                                          runwell::Segmentation{});
    CheckingSink sink(accumulator);
    const auto read = runwell::ReadTraceText(text, format, sink);
    if (!read.ok()) {
        RUNWELL_FUZZ_CHECK(!read.error().message.empty());
        return 0;
    }
    RUNWELL_FUZZ_CHECK(read->samples == sink.count() && read->samples > 0);
    RUNWELL_FUZZ_CHECK(read->problems.size() <= runwell::TraceReadSummary::kMaxProblems);
    const auto statistics = accumulator.Finish();
    if (!statistics.ok()) {
        return 0;
    }
    const runwell::TraceStatistics& s = *statistics;
    for (const double value : {s.duration, s.average, s.peak, s.rms, s.charge, s.start, s.end}) {
        RUNWELL_FUZZ_CHECK(std::isfinite(value));
    }
    RUNWELL_FUZZ_CHECK(s.duration > 0 && s.end >= s.start && s.rms >= 0 && s.average > 0);
    double charge = 0.0;
    for (const runwell::TraceLevel& level : accumulator.levels()) {
        RUNWELL_FUZZ_CHECK(level.duration > 0 && std::isfinite(level.current));
        charge += level.duration * level.current;
    }
    // rms x duration bounds the sum of |current| x time, which bounds the rounding of both sums.
    RUNWELL_FUZZ_CHECK(std::fabs(charge - s.charge) <= 1e-9 * s.rms * s.duration + 1e-300);

    runwell::TraceShown shown;
    shown.analysis = {*read, s, accumulator.levels()};
    shown.modes = runwell::TraceModes(accumulator.levels(), 1000);
    shown.batteries = runwell::TraceFiguresOnEvery(s, {runwell::BatteryRecord{"B", 1, 0, 0, "", 1, 1, ""}});
    // The texts quote the file's own captions, which may say anything; the figures may not.
    for (const runwell::TraceFigureLine& line : runwell::TraceFigureLines(s)) {
        RUNWELL_FUZZ_CHECK(!runwell::fuzz::ShowsNonFinite(line.value));
        // A value below zero keeps its sign and unit, never counted down in the smallest unit to
        // the integer minimum.
        for (const char* unit : {" uS", " nA", " nAuS"}) {
            RUNWELL_FUZZ_CHECK(line.value != "-2147483648" + std::string(unit));
        }
    }
    for (const runwell::TraceBatteryFigures& b : shown.batteries) {
        RUNWELL_FUZZ_CHECK(!runwell::fuzz::ShowsNonFinite(b.lifeText + b.averageText + b.peakText));
        RUNWELL_FUZZ_CHECK(b.lifeText.find('-') == std::string::npos);
    }
    RUNWELL_FUZZ_CHECK(!runwell::FormatTraceText(shown).empty());
    RUNWELL_FUZZ_CHECK(runwell::TraceJsonOf(shown).back() == '\n');
    RUNWELL_FUZZ_CHECK(runwell::TraceCsvOf(shown).ends_with("\r\n"));
    // The modes keep the trace's peak.
    float highest = -std::numeric_limits<float>::infinity();
    for (const runwell::ModeRecord& mode : shown.modes) {
        RUNWELL_FUZZ_CHECK(mode.duration >= 0.0f && std::isfinite(mode.totalCurrent));
        highest = std::max(highest, mode.totalCurrent);
    }
    RUNWELL_FUZZ_CHECK(shown.modes.empty() || !(s.peak > 0.0) ||
                       highest >= runwell::NarrowToFloat(s.peak));

    return 0;
}
