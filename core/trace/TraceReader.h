#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "platform/FileRead.h"
#include "trace/TraceUnits.h"

namespace runwell {

/// Beyond these a number is taken for a fault in the file, not for a measurement: a time of some
/// 30,000 years either side of zero, a current of a megaampere. A line beyond them is malformed;
/// a range beyond the time limit is refused.
inline constexpr double kMaxTraceSeconds = 1e12;
inline constexpr double kMaxTraceNanoamps = 1e15;
/// The sample rates taken, in Hz: from one sample in some 11.6 days (so no period passes 10^6 s)
/// to 10^12 a second.
inline constexpr double kMinSampleRate = 1e-6;
inline constexpr double kMaxSampleRate = 1e12;

/// What the user tells beside the file. A unit given here wins over the header's; with a sample
/// rate, sample k (from 0) is at k / rate seconds and no time column is read; a sample whose
/// time k / rate passes kMaxTraceSeconds is a malformed line, as such a time read from a time
/// column is.
struct TraceFormat {
    std::optional<TimeUnit> timeUnit;
    std::optional<CurrentUnit> currentUnit;
    double sampleRate = 0.0;  // Hz; 0: the times come from the time column
};

/// What the header line told, once it was read.
struct TraceLayout {
    std::int64_t headerLine = 0;
    char separator = ',';
    int timeColumn = -1;  // -1 with a sample rate
    int currentColumn = -1;
    std::string timeName;  // the header's own captions
    std::string currentName;
    TimeUnit timeUnit = TimeUnit::kSeconds;
    CurrentUnit currentUnit = CurrentUnit::kAmperes;
    double sampleRate = 0.0;
};

/// A line that holds no sample, with its one-based number.
struct TraceProblem {
    std::int64_t line = 0;
    std::string message;
};

/// The longest line a trace may hold; a longer one is a malformed line, whatever it holds, so a
/// file without line ends cannot make the reader hold it whole.
inline constexpr std::size_t kMaxTraceLine = 65536;

/// Receives the samples of a trace in file order: time in s, never decreasing; current in nA.
class TraceSampleSink {
public:
    virtual ~TraceSampleSink() = default;
    virtual void Add(double time, double current) = 0;
};

/// How a read went: the layout, the number of samples handed on, and the lines skipped.
struct TraceReadSummary {
    static constexpr std::size_t kMaxProblems = 100;

    TraceLayout layout;
    std::int64_t samples = 0;
    std::int64_t malformedLines = 0;
    std::vector<TraceProblem> problems;  // the first kMaxProblems of them, in line order
};

/// Reads a trace one line at a time, so a file of any length costs only the line being read.
/// The first line that is neither blank nor a '#' comment is the header; every later line is a
/// sample, a blank or comment line, or a malformed line that is counted, kept in the summary's
/// problems and otherwise skipped.
class TraceParser {
public:
    TraceParser(TraceFormat format, TraceSampleSink& sink);

    /// One line without its line end. False once the header was refused: Finish() tells why,
    /// and further lines are not looked at.
    bool Feed(std::string_view line);
    /// A line longer than kMaxTraceLine, which is not kept: a malformed line, or a refused header.
    bool FeedTooLong();
    /// Tells that the file's first line holds a CR with no LF after it: its lines end with CR
    /// alone, so the whole file reads as one line. Should the trace be refused, that is then the
    /// reason given.
    void NoteLoneCr() { loneCr_ = true; }
    /// The summary, or why the trace was refused: a sample rate outside kMinSampleRate to
    /// kMaxSampleRate, no header, a header without the columns or units needed, no valid sample
    /// at all, or (for any of the last three) lines that end with CR alone.
    Result<TraceReadSummary> Finish() const;

    std::int64_t lineNumber() const { return lineNumber_; }

private:
    bool ReadHeader(std::string_view line);
    void ReadSample(std::string_view line);
    /// The time and current fields of a sample line; false (with a problem counted) when the
    /// line has too few fields.
    bool FindFields(std::string_view line, std::string_view& timeField,
                    std::string_view& currentField);
    /// A field that is one number and nothing else, in the file's decimal mark.
    bool ReadNumber(std::string_view field, double& value);
    /// The sample's time in seconds; false (with a problem counted) when it is not usable.
    bool ReadTime(std::string_view field, double& time);
    void Problem(std::string message);

    TraceFormat format_;
    TraceSampleSink& sink_;
    TraceReadSummary summary_;
    std::optional<Error> refusal_;
    bool haveHeader_ = false;
    bool rateRefused_ = false;
    bool loneCr_ = false;
    std::int64_t lineNumber_ = 0;
    double lastTime_ = 0.0;
    double timeScale_ = 1.0;
    double currentScale_ = 1.0;
    int neededFields_ = 0;
    bool decimalComma_ = false;
    std::string scratch_;
};

/// Reads the trace file at `path` in one streaming pass, handing every sample to `sink`.
/// "Cannot open file for reading." when it cannot be opened; a read error part way through
/// refuses the whole trace. A file larger than `limit` bytes is refused with FileTooLargeMessage
/// (platform/FileRead.h): one of known size before it is read, one of unknown size (a pipe, a
/// device such as /dev/zero) as soon as more than `limit` bytes came from it.
Result<TraceReadSummary> ReadTraceFile(const std::filesystem::path& path, const TraceFormat& format,
                                       TraceSampleSink& sink,
                                       std::uint64_t limit = kMaxInputFileBytes);
/// The same over a trace held in memory.
Result<TraceReadSummary> ReadTraceText(std::string_view text, const TraceFormat& format,
                                       TraceSampleSink& sink);

namespace trace {

/// Cuts blocks of a file into lines for a line parser (TraceParser, or any class with the same
/// Feed, FeedTooLong and NoteLoneCr) (a line ends at LF; a CR before it is
/// dropped; the last line needs no LF), holding at most kMaxTraceLine bytes of an unfinished
/// line: a longer line is handed on as too long, so no file can make the reader hold more.
template <class Parser>
class LineSplitter {
public:
    explicit LineSplitter(Parser& parser) : parser_(parser) {}

    /// False once the parser wants no more lines.
    bool Push(std::string_view block) {
        if (firstLine_) {
            LookForLoneCr(block);
        }
        while (!block.empty() && going_) {
            const void* lf = std::memchr(block.data(), '\n', block.size());
            const std::size_t n = lf == nullptr ? block.size()
                                                : static_cast<std::size_t>(
                                                      static_cast<const char*>(lf) - block.data());
            const std::string_view piece = block.substr(0, n);
            if (lf == nullptr) {
                Keep(piece);
                return going_;
            }
            block.remove_prefix(n + 1);
            if (tooLong_ || (pending_.empty() && piece.size() > kMaxTraceLine)) {
                going_ = parser_.FeedTooLong();
            } else if (pending_.empty()) {
                Line(piece);
            } else {
                Keep(piece);
                if (tooLong_) {
                    going_ = parser_.FeedTooLong();
                } else {
                    Line(pending_);
                }
            }
            pending_.clear();
            tooLong_ = false;
        }
        return going_;
    }

    /// The last line, when the data did not end with LF.
    void Finish() {
        if (!going_) {
            return;
        }
        if (tooLong_) {
            parser_.FeedTooLong();
        } else if (!pending_.empty()) {
            // A CR at the very end is kept, as the device files' reader keeps it; the field
            // reader trims it.
            parser_.Feed(pending_);
        }
    }

private:
    /// Tells the parser when the first line (as far as kMaxTraceLine + 1 bytes) holds a CR with
    /// something other than LF after it: a file whose lines end with CR alone.
    void LookForLoneCr(std::string_view block) {
        for (std::size_t i = 0; i < block.size() && firstLine_; ++i, ++scanned_) {
            const char c = block[i];
            if (afterCr_ && c != '\n') {
                parser_.NoteLoneCr();
                firstLine_ = false;
            } else if (c == '\n' || scanned_ > kMaxTraceLine) {
                firstLine_ = false;
            }
            afterCr_ = c == '\r';
        }
    }
    void Keep(std::string_view piece) {
        if (tooLong_ || pending_.size() + piece.size() > kMaxTraceLine) {
            tooLong_ = true;
            pending_.clear();
            return;
        }
        pending_.append(piece);
    }
    void Line(std::string_view line) {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        going_ = parser_.Feed(line);
    }

    Parser& parser_;
    std::string pending_;
    bool tooLong_ = false;
    bool going_ = true;
    bool firstLine_ = true;  // still looking at the first line's bytes for a lone CR
    bool afterCr_ = false;
    std::size_t scanned_ = 0;
};


/// Reads `file` (opened from `path`) in blocks, handing each to `push` until it returns false.
/// True when the file was read to its end, false when `push` stopped it; a file of more than
/// `limit` bytes fails with FileTooLargeMessage, a read error with `readError`.
Result<bool> ReadBlocks(std::FILE* file, const std::filesystem::path& path, std::uint64_t limit,
                        const std::function<bool(std::string_view)>& push,
                        const char* readError);

/// A file opened for a streamed read, closed when it goes.
using OpenFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

/// Opens `path` for a streamed read: not a folder, openable ("Cannot open file for reading."),
/// and no larger than `limit` when its size is known (a pipe or a device has none).
Result<OpenFile> OpenBounded(const std::filesystem::path& path, std::uint64_t limit);

/// A number field as the readers take it: quotes removed, a decimal comma read as a point when
/// `decimalComma`, a leading '+' allowed; false unless the whole field is a finite number.
/// `scratch` holds the field while its comma is replaced.
bool ParseFieldNumber(std::string_view field, bool decimalComma, std::string& scratch,
                      double& value);

}  // namespace trace

}  // namespace runwell
