#include "measure/DischargeLog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/Platform.h"
#include "trace/TraceFields.h"

namespace runwell {

using namespace trace;

namespace {

/// Beyond these a figure is taken for a fault in the log, not for a measurement.
constexpr double kMaxLogVolts = 1e4;
constexpr double kMaxLogAmps = 1e6;

std::string LineText(std::int64_t line) { return "Line " + std::to_string(line) + ": "; }

}  // namespace

bool DischargeLogParser::Fail(std::string message) {
    if (!failure_) {
        failure_ = Error{std::move(message)};
    }
    return false;
}

bool DischargeLogParser::Feed(std::string_view line) {
    ++lineNumber_;
    if (failure_) {
        return false;
    }
    // A sample line begins with its first field's digit; only other lines need a closer look.
    const bool plain = haveHeader_ && !line.empty() && line.front() >= '0' && line.front() <= '9';
    if (!plain && IsBlankOrComment(line)) {
        return true;
    }
    if (!haveHeader_) {
        haveHeader_ = true;
        return ReadHeader(line);
    }
    return ReadSample(line);
}

bool DischargeLogParser::FeedTooLong() {
    ++lineNumber_;
    if (failure_) {
        return false;
    }
    return Fail(LineText(lineNumber_) + "longer than " + std::to_string(kMaxTraceLine) +
                " bytes; a discharge log holds one sample a line.");
}

bool DischargeLogParser::ReadHeader(std::string_view line) {
    layout_.headerLine = lineNumber_;
    layout_.separator = SeparatorOf(line);
    decimalComma_ = layout_.separator != ',';
    std::vector<std::string_view> fields;
    SplitAt(line, layout_.separator, fields);
    Caption captions[3];  // time, voltage, current
    int* columns[3] = {&layout_.timeColumn, &layout_.voltageColumn, &layout_.currentColumn};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Caption caption = SplitCaption(fields[i]);
        const bool is[3] = {IsTimeName(caption.name), IsVoltageName(caption.name),
                            IsCurrentName(caption.name)};
        for (int k = 0; k < 3; ++k) {
            if (is[k] && *columns[k] < 0) {
                *columns[k] = static_cast<int>(i);
                captions[k] = caption;
                break;
            }
        }
    }
    const std::string where = " (line " + std::to_string(lineNumber_) + ")";
    if (layout_.timeColumn < 0 || layout_.voltageColumn < 0 || layout_.currentColumn < 0) {
        return Fail("The header line" + where +
                    " must name a time, a voltage and a current column, such as "
                    "\"Time(s),Voltage(V),Current(mA)\".");
    }
    const auto time = ParseTimeUnit(captions[0].unit);
    const auto volts = ParseVoltageUnit(captions[1].unit);
    const auto amps = ParseCurrentUnit(captions[2].unit);
    if (!time || !volts || !amps) {
        return Fail("The header line" + where +
                    " must give each column's unit: time in s, ms or us, voltage in V or mV, "
                    "current in A, mA, uA or nA.");
    }
    layout_.timeUnit = *time;
    layout_.voltageUnit = *volts;
    layout_.currentUnit = *amps;
    timeScale_ = SecondsPer(*time);
    voltScale_ = VoltsPer(*volts);
    ampScale_ = NanoampsPer(*amps) * 1e-9;
    neededFields_ =
        std::max({layout_.timeColumn, layout_.voltageColumn, layout_.currentColumn}) + 1;
    return true;
}

bool DischargeLogParser::ReadNumber(std::string_view field, double& value) {
    {
        // The common case first: a plain number and nothing else.
        const char* last = field.data() + field.size();
        const auto [ptr, ec] =
            std::from_chars(field.data(), last, value, std::chars_format::general);
        if (ec == std::errc() && ptr == last) {
            return std::isfinite(value);
        }
    }
    return trace::ParseFieldNumber(field, decimalComma_, scratch_, value);
}

bool DischargeLogParser::ReadSample(std::string_view line) {
    // Walk to the fields needed, no further: extra columns cost nothing.
    std::string_view fields[3];
    const int columns[3] = {layout_.timeColumn, layout_.voltageColumn, layout_.currentColumn};
    int index = 0;
    std::string_view rest = line;
    while (index < neededFields_) {
        const std::size_t n = std::min(rest.find(layout_.separator), rest.size());
        for (int k = 0; k < 3; ++k) {
            if (columns[k] == index) {
                fields[k] = rest.substr(0, n);
            }
        }
        ++index;
        if (n == rest.size()) {
            break;
        }
        rest.remove_prefix(n + 1);
    }
    if (index < neededFields_) {
        return Fail(LineText(lineNumber_) + std::to_string(index) +
                    (index == 1 ? " field" : " fields") + " where " +
                    std::to_string(neededFields_) + " are needed.");
    }
    static const char* const kNames[3] = {"time", "voltage", "current"};
    const double scales[3] = {timeScale_, voltScale_, ampScale_};
    const double limits[3] = {kMaxTraceSeconds, kMaxLogVolts, kMaxLogAmps};
    double values[3] = {};
    for (int k = 0; k < 3; ++k) {
        if (!ReadNumber(fields[k], values[k])) {
            return Fail(LineText(lineNumber_) + "the " + kNames[k] + " " +
                        Quoted(Unquote(fields[k])) + " is not a number.");
        }
        values[k] *= scales[k];
        if (!(std::fabs(values[k]) <= limits[k])) {
            return Fail(LineText(lineNumber_) + "the " + kNames[k] + " " +
                        Quoted(Unquote(fields[k])) + " is out of range.");
        }
    }
    if (samples_ > 0 && values[0] < lastTime_) {
        return Fail(LineText(lineNumber_) + "the time goes back (" + NumberText(values[0]) +
                    " s after " + NumberText(lastTime_) + " s).");
    }
    lastTime_ = values[0];
    ++samples_;
    sink_.Add(values[0], values[1], values[2]);
    return true;
}

Result<std::int64_t> DischargeLogParser::Finish() const {
    if (loneCr_ && (failure_ || samples_ == 0)) {
        return Error{"The log's lines end with CR alone; save it with LF or CR LF line ends."};
    }
    if (failure_) {
        return *failure_;
    }
    if (!haveHeader_) {
        return Error{"The log holds no header line naming its columns."};
    }
    if (samples_ == 0) {
        return Error{"The log holds no sample."};
    }
    return samples_;
}

Result<std::int64_t> ReadDischargeLogFile(const std::filesystem::path& path,
                                          DischargeSampleSink& sink, std::uint64_t limit) {
    Result<trace::OpenFile> file = trace::OpenBounded(path, limit);
    if (!file) {
        return file.error();
    }
    DischargeLogParser parser(sink);
    LineSplitter<DischargeLogParser> splitter(parser);
    const Result<bool> read = ReadBlocks(
        file->get(), path, limit, [&](std::string_view block) { return splitter.Push(block); },
        "The log could not be read to its end.");
    if (!read) {
        return read.error();
    }
    if (*read) {
        splitter.Finish();
    }
    return parser.Finish();
}

Result<std::int64_t> ReadDischargeLogText(std::string_view text, DischargeSampleSink& sink) {
    DischargeLogParser parser(sink);
    LineSplitter<DischargeLogParser> splitter(parser);
    if (splitter.Push(text)) {
        splitter.Finish();
    }
    return parser.Finish();
}

}  // namespace runwell
