#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "platform/FileRead.h"
#include "trace/TraceReader.h"
#include "trace/TraceUnits.h"

namespace runwell {

/// Receives a discharge log's samples in file order: time in s (never decreasing), the cell's
/// voltage in V and the current in A, discharge positive.
class DischargeSampleSink {
public:
    virtual ~DischargeSampleSink() = default;
    virtual void Add(double seconds, double volts, double amps) = 0;
};

/// What the header line of a discharge log told.
struct DischargeLogLayout {
    std::int64_t headerLine = 0;
    char separator = ',';
    int timeColumn = -1, voltageColumn = -1, currentColumn = -1;
    TimeUnit timeUnit = TimeUnit::kSeconds;
    VoltageUnit voltageUnit = VoltageUnit::kVolts;
    CurrentUnit currentUnit = CurrentUnit::kAmperes;
};

/// Reads a discharge log line by line: the first line that is neither blank nor a '#' comment is
/// the header, naming a time, a voltage and a current column with their units as a trace's
/// header does ("Time(s)", "Voltage [mV]", "I_mA"); ';' or a tab separates where the header has
/// one, and then ',' is the decimal mark. Every later line is a sample, or a blank or comment
/// line. A fitted model must rest on every sample, so the first malformed line (a field that is
/// not a number, a time that goes back, a line longer than kMaxTraceLine, control bytes) stops
/// the read with a message naming the line.
class DischargeLogParser {
public:
    explicit DischargeLogParser(DischargeSampleSink& sink) : sink_(sink) {}

    bool Feed(std::string_view line);
    bool FeedTooLong();
    void NoteLoneCr() { loneCr_ = true; }
    /// The number of samples read, or why the log was refused.
    Result<std::int64_t> Finish() const;

    const DischargeLogLayout& layout() const { return layout_; }

private:
    bool ReadHeader(std::string_view line);
    bool ReadSample(std::string_view line);
    bool ReadNumber(std::string_view field, double& value);
    bool Fail(std::string message);

    DischargeSampleSink& sink_;
    DischargeLogLayout layout_;
    std::optional<Error> failure_;
    bool haveHeader_ = false;
    bool loneCr_ = false;
    bool decimalComma_ = false;
    int neededFields_ = 0;
    std::int64_t lineNumber_ = 0;
    std::int64_t samples_ = 0;
    double lastTime_ = 0.0;
    double timeScale_ = 1.0, voltScale_ = 1.0, ampScale_ = 1.0;
    std::string scratch_;
};

/// Reads the log at `path` in blocks of a fixed size, so a log of any length costs only the line
/// being read. Refused as a trace is: a file that cannot be opened, one larger than `limit`
/// bytes, a read error part way through.
Result<std::int64_t> ReadDischargeLogFile(const std::filesystem::path& path,
                                          DischargeSampleSink& sink,
                                          std::uint64_t limit = kMaxInputFileBytes);
/// The same over a log held in memory.
Result<std::int64_t> ReadDischargeLogText(std::string_view text, DischargeSampleSink& sink);

}  // namespace runwell
