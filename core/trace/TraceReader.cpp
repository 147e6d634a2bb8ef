#include "trace/TraceReader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "trace/TraceFields.h"

namespace runwell {

using namespace trace;

TraceParser::TraceParser(TraceFormat format, TraceSampleSink& sink)
    : format_(format), sink_(sink) {
    if (!(format_.sampleRate >= 0.0)) {
        refusal_ = Error{"The sample rate must be a positive number of samples per second."};
    } else if (format_.sampleRate > 0.0 &&
               !(format_.sampleRate >= kMinSampleRate && format_.sampleRate <= kMaxSampleRate)) {
        refusal_ = Error{"The sample rate must lie between 1e-6 and 1e12 samples per second."};
    }
    rateRefused_ = refusal_.has_value();
}

bool TraceParser::Feed(std::string_view line) {
    ++lineNumber_;
    if (refusal_) {
        return false;
    }
    if (!haveHeader_) {
        if (IsBlankOrComment(line)) {
            return true;
        }
        return ReadHeader(line);
    }
    ReadSample(line);
    return true;
}

bool TraceParser::ReadHeader(std::string_view line) {
    haveHeader_ = true;
    TraceLayout& layout = summary_.layout;
    layout.headerLine = lineNumber_;
    layout.separator = SeparatorOf(line);
    decimalComma_ = layout.separator != ',';
    std::vector<std::string_view> fields;
    SplitAt(line, layout.separator, fields);
    Caption time;
    Caption current;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Caption caption = SplitCaption(fields[i]);
        if (layout.timeColumn < 0 && IsTimeName(caption.name)) {
            layout.timeColumn = static_cast<int>(i);
            layout.timeName = std::string(Unquote(fields[i]));
            time = caption;
        } else if (layout.currentColumn < 0 && IsCurrentName(caption.name)) {
            layout.currentColumn = static_cast<int>(i);
            layout.currentName = std::string(Unquote(fields[i]));
            current = caption;
        }
    }
    const std::string lineText = std::to_string(lineNumber_);
    if (layout.currentColumn < 0) {
        refusal_ = Error{"The header line (line " + lineText +
                         ") names no current column; a column such as \"Current(uA)\" or "
                         "\"I [mA]\" is needed."};
        return false;
    }
    if (format_.currentUnit) {
        layout.currentUnit = *format_.currentUnit;
    } else if (const auto unit = ParseCurrentUnit(current.unit)) {
        layout.currentUnit = *unit;
    } else {
        refusal_ = Error{"The current column " + Quoted(layout.currentName) +
                         " names no unit; give the current unit (A, mA, uA or nA)."};
        return false;
    }
    if (format_.sampleRate > 0.0) {
        layout.timeColumn = -1;
        layout.timeName.clear();
        layout.sampleRate = format_.sampleRate;
    } else if (layout.timeColumn < 0) {
        refusal_ = Error{"The header line (line " + lineText +
                         ") names no time column; give the sample rate."};
        return false;
    } else if (format_.timeUnit) {
        layout.timeUnit = *format_.timeUnit;
    } else if (const auto unit = ParseTimeUnit(time.unit)) {
        layout.timeUnit = *unit;
    } else {
        refusal_ = Error{"The time column " + Quoted(layout.timeName) +
                         " names no unit; give the time unit (s, ms or us)."};
        return false;
    }
    timeScale_ = SecondsPer(layout.timeUnit);
    currentScale_ = NanoampsPer(layout.currentUnit);
    neededFields_ = std::max(layout.timeColumn, layout.currentColumn) + 1;
    return true;
}

void TraceParser::Problem(std::string message) {
    ++summary_.malformedLines;
    if (summary_.problems.size() < TraceReadSummary::kMaxProblems) {
        summary_.problems.push_back({lineNumber_, std::move(message)});
    }
}

bool TraceParser::FindFields(std::string_view line, std::string_view& timeField,
                             std::string_view& currentField) {
    const TraceLayout& layout = summary_.layout;
    // Walk to the fields needed, no further: extra columns cost nothing.
    int index = 0;
    std::string_view rest = line;
    while (index < neededFields_) {
        const void* at = std::memchr(rest.data(), layout.separator, rest.size());
        const std::size_t n = at == nullptr
                                  ? rest.size()
                                  : static_cast<std::size_t>(static_cast<const char*>(at) -
                                                             rest.data());
        const std::string_view field = rest.substr(0, n);
        if (index == layout.timeColumn) {
            timeField = field;
        }
        if (index == layout.currentColumn) {
            currentField = field;
        }
        ++index;
        if (at == nullptr) {
            break;
        }
        rest.remove_prefix(n + 1);
    }
    if (index < neededFields_) {
        Problem("Line " + std::to_string(lineNumber_) + ": " + std::to_string(index) +
                (index == 1 ? " field" : " fields") + ", but the " +
                (layout.currentColumn + 1 == neededFields_ ? "current" : "time") +
                " is in field " + std::to_string(neededFields_) + ".");
        return false;
    }
    return true;
}

bool TraceParser::ReadNumber(std::string_view field, double& value) {
    return ParseFieldNumber(field, decimalComma_, scratch_, value);
}

bool TraceParser::ReadTime(std::string_view field, double& time) {
    if (summary_.layout.timeColumn < 0) {
        time = static_cast<double>(summary_.samples) / summary_.layout.sampleRate;
        if (!(time <= kMaxTraceSeconds)) {
            Problem("Line " + std::to_string(lineNumber_) + ": the time at the sample rate, " +
                    NumberText(time) + " s, is out of range.");
            return false;
        }
        return true;
    }
    if (!ReadNumber(field, time)) {
        Problem("Line " + std::to_string(lineNumber_) + ": the time " + Quoted(Unquote(field)) +
                " is not a number.");
        return false;
    }
    time *= timeScale_;
    if (!(std::fabs(time) <= kMaxTraceSeconds)) {
        Problem("Line " + std::to_string(lineNumber_) + ": the time " + Quoted(Unquote(field)) +
                " is out of range.");
        return false;
    }
    if (summary_.samples > 0 && time < lastTime_) {
        Problem("Line " + std::to_string(lineNumber_) + ": the time goes back (" +
                NumberText(time) + " s after " + NumberText(lastTime_) + " s).");
        return false;
    }
    return true;
}

void TraceParser::ReadSample(std::string_view line) {
    if (IsBlankOrComment(line)) {
        return;
    }
    std::string_view timeField;
    std::string_view currentField;
    if (!FindFields(line, timeField, currentField)) {
        return;
    }
    double current = 0.0;
    if (!ReadNumber(currentField, current)) {
        Problem("Line " + std::to_string(lineNumber_) + ": the current " +
                Quoted(Unquote(currentField)) + " is not a number.");
        return;
    }
    current *= currentScale_;
    if (!(std::fabs(current) <= kMaxTraceNanoamps)) {
        Problem("Line " + std::to_string(lineNumber_) + ": the current " +
                Quoted(Unquote(currentField)) + " is out of range.");
        return;
    }
    double time = 0.0;
    if (!ReadTime(timeField, time)) {
        return;
    }
    lastTime_ = time;
    ++summary_.samples;
    sink_.Add(time, current);
}

Result<TraceReadSummary> TraceParser::Finish() const {
    // A file whose lines end with CR alone reads as one long line: whatever went wrong with that
    // line, the line ends are the cause to name. A refused sample rate is the user's, not the
    // file's.
    if (loneCr_ && !rateRefused_ && (refusal_ || !haveHeader_ || summary_.samples == 0)) {
        return Error{"The trace's lines end with CR alone; save it with LF or CR LF line ends."};
    }
    if (refusal_) {
        return *refusal_;
    }
    if (!haveHeader_) {
        return Error{"The trace holds no header line naming its columns."};
    }
    if (summary_.samples == 0) {
        std::string message = "The trace holds no valid sample.";
        if (!summary_.problems.empty()) {
            message += " " + std::to_string(summary_.malformedLines) +
                       (summary_.malformedLines == 1 ? " line is" : " lines are") +
                       " malformed; the first: " + summary_.problems.front().message;
        }
        return Error{message};
    }
    return summary_;
}

}  // namespace runwell
