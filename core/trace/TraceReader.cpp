#include "trace/TraceReader.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "platform/Platform.h"

namespace runwell {
namespace {

// Beyond these a number is taken for a fault in the file, not for a measurement: a time of some
// 30,000 years, a current of a megaampere.
constexpr double kMaxSeconds = 1e12;
constexpr double kMaxNanoamps = 1e15;
constexpr double kMaxSampleRate = 1e12;
// How much of a field a message quotes.
constexpr std::size_t kQuoted = 40;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

/// Blanks and one pair of double quotes around a field taken off.
std::string_view Unquote(std::string_view field) {
    field = Trim(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = Trim(field.substr(1, field.size() - 2));
    }
    return field;
}

/// Lower case, with the micro sign in its UTF-8 forms (U+00B5, U+03BC) and in Latin-1 as 'u'.
std::string Normalised(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (i + 1 < text.size() && ((c == 0xC2 && static_cast<unsigned char>(text[i + 1]) == 0xB5) ||
                                    (c == 0xCE && static_cast<unsigned char>(text[i + 1]) == 0xBC))) {
            out += 'u';
            ++i;
        } else if (c == 0xB5) {
            out += 'u';
        } else {
            out += LowerAscii(text[i]);
        }
    }
    return out;
}

/// A column caption as its name and its unit: "Current(uA)", "I [mA]", "time_ms", "Current uA".
struct Caption {
    std::string name;  // normalised
    std::string unit;  // normalised; empty when the caption names none
};

Caption SplitCaption(std::string_view field) {
    const std::string text = Normalised(Unquote(field));
    const std::size_t open = text.find_first_of("([");
    if (open != std::string::npos) {
        const std::size_t close = text.find_first_of(")]", open + 1);
        const std::string unit = text.substr(open + 1, close == std::string::npos
                                                           ? std::string::npos
                                                           : close - open - 1);
        return {std::string(Trim(text.substr(0, open))), std::string(Trim(unit))};
    }
    // A last word after a blank or '_' is the unit when it reads as one.
    const std::size_t cut = text.find_last_of(" _");
    if (cut != std::string::npos) {
        const std::string last = text.substr(cut + 1);
        if (ParseTimeUnit(last) || ParseCurrentUnit(last)) {
            return {std::string(Trim(text.substr(0, cut))), last};
        }
    }
    return {text, {}};
}

bool IsTimeName(std::string_view name) { return name == "t" || name.rfind("time", 0) == 0; }
bool IsCurrentName(std::string_view name) {
    return name == "i" || name.find("current") != std::string_view::npos;
}

/// The fields of a line split at `separator`, empty fields included.
void SplitAt(std::string_view line, char separator, std::vector<std::string_view>& fields) {
    fields.clear();
    while (true) {
        const void* at = std::memchr(line.data(), separator, line.size());
        if (at == nullptr) {
            fields.push_back(line);
            return;
        }
        const auto n = static_cast<std::size_t>(static_cast<const char*>(at) - line.data());
        fields.push_back(line.substr(0, n));
        line.remove_prefix(n + 1);
    }
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    out.append(text.substr(0, kQuoted));
    if (text.size() > kQuoted) {
        out += "...";
    }
    return out + "\"";
}

bool IsBlankOrComment(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    return trimmed.empty() || trimmed.front() == '#';
}

/// Shortest text that reads back as `value`.
std::string NumberText(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

}  // namespace

std::optional<TimeUnit> ParseTimeUnit(std::string_view text) {
    const std::string unit = Normalised(Trim(text));
    if (unit == "s") {
        return TimeUnit::kSeconds;
    }
    if (unit == "ms") {
        return TimeUnit::kMilliseconds;
    }
    if (unit == "us") {
        return TimeUnit::kMicroseconds;
    }
    return std::nullopt;
}

std::optional<CurrentUnit> ParseCurrentUnit(std::string_view text) {
    const std::string unit = Normalised(Trim(text));
    if (unit == "a") {
        return CurrentUnit::kAmperes;
    }
    if (unit == "ma") {
        return CurrentUnit::kMilliamperes;
    }
    if (unit == "ua") {
        return CurrentUnit::kMicroamperes;
    }
    if (unit == "na") {
        return CurrentUnit::kNanoamperes;
    }
    return std::nullopt;
}

double SecondsPer(TimeUnit unit) {
    switch (unit) {
        case TimeUnit::kMilliseconds:
            return 1e-3;
        case TimeUnit::kMicroseconds:
            return 1e-6;
        case TimeUnit::kSeconds:
            break;
    }
    return 1.0;
}

double NanoampsPer(CurrentUnit unit) {
    switch (unit) {
        case CurrentUnit::kAmperes:
            return 1e9;
        case CurrentUnit::kMilliamperes:
            return 1e6;
        case CurrentUnit::kMicroamperes:
            return 1e3;
        case CurrentUnit::kNanoamperes:
            break;
    }
    return 1.0;
}

const char* UnitName(TimeUnit unit) {
    switch (unit) {
        case TimeUnit::kMilliseconds:
            return "ms";
        case TimeUnit::kMicroseconds:
            return "us";
        case TimeUnit::kSeconds:
            break;
    }
    return "s";
}

const char* UnitName(CurrentUnit unit) {
    switch (unit) {
        case CurrentUnit::kAmperes:
            return "A";
        case CurrentUnit::kMilliamperes:
            return "mA";
        case CurrentUnit::kMicroamperes:
            return "uA";
        case CurrentUnit::kNanoamperes:
            break;
    }
    return "nA";
}

TraceParser::TraceParser(TraceFormat format, TraceSampleSink& sink)
    : format_(format), sink_(sink) {
    if (!(format_.sampleRate >= 0.0 && format_.sampleRate <= kMaxSampleRate)) {
        refusal_ = Error{"The sample rate must be a positive number of samples per second."};
    }
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
    layout.separator = line.find(';') != std::string_view::npos    ? ';'
                       : line.find('\t') != std::string_view::npos ? '\t'
                                                                   : ',';
    // Where ',' does not separate, it is the decimal point ("1,5" in a ';' file).
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

void TraceParser::ReadSample(std::string_view line) {
    if (IsBlankOrComment(line)) {
        return;
    }
    const TraceLayout& layout = summary_.layout;
    // Walk to the fields needed, no further: extra columns cost nothing.
    std::string_view timeField;
    std::string_view currentField;
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
        return;
    }

    // A field must be one number and nothing else.
    const auto read = [this](std::string_view field, double& value) {
        field = Unquote(field);
        if (decimalComma_ && field.find(',') != std::string_view::npos) {
            scratch_.assign(field);
            for (char& c : scratch_) {
                c = c == ',' ? '.' : c;
            }
            field = scratch_;
        }
        if (!field.empty() && field.front() == '+') {
            field.remove_prefix(1);
        }
        const char* last = field.data() + field.size();
        const auto [ptr, ec] =
            std::from_chars(field.data(), last, value, std::chars_format::general);
        return ec == std::errc() && ptr == last && std::isfinite(value);
    };

    double current = 0.0;
    if (!read(currentField, current)) {
        Problem("Line " + std::to_string(lineNumber_) + ": the current " +
                Quoted(Unquote(currentField)) + " is not a number.");
        return;
    }
    current *= currentScale_;
    if (!(std::fabs(current) <= kMaxNanoamps)) {
        Problem("Line " + std::to_string(lineNumber_) + ": the current " +
                Quoted(Unquote(currentField)) + " is out of range.");
        return;
    }
    double time = 0.0;
    if (layout.timeColumn < 0) {
        time = static_cast<double>(summary_.samples) / layout.sampleRate;
    } else {
        if (!read(timeField, time)) {
            Problem("Line " + std::to_string(lineNumber_) + ": the time " +
                    Quoted(Unquote(timeField)) + " is not a number.");
            return;
        }
        time *= timeScale_;
        if (!(std::fabs(time) <= kMaxSeconds)) {
            Problem("Line " + std::to_string(lineNumber_) + ": the time " +
                    Quoted(Unquote(timeField)) + " is out of range.");
            return;
        }
        if (summary_.samples > 0 && time < lastTime_) {
            Problem("Line " + std::to_string(lineNumber_) + ": the time goes back (" +
                    NumberText(time) + " s after " + NumberText(lastTime_) + " s).");
            return;
        }
    }
    lastTime_ = time;
    ++summary_.samples;
    sink_.Add(time, current);
}

Result<TraceReadSummary> TraceParser::Finish() const {
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

namespace {

/// Cuts blocks of a file into lines for the parser (a line ends at LF; a CR before it is
/// dropped; the last line needs no LF), holding at most kMaxTraceLine bytes of an unfinished
/// line: a longer line is handed on as too long, so no file can make the reader hold more.
class LineSplitter {
public:
    explicit LineSplitter(TraceParser& parser) : parser_(parser) {}

    /// False once the parser wants no more lines.
    bool Push(std::string_view block) {
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

    TraceParser& parser_;
    std::string pending_;
    bool tooLong_ = false;
    bool going_ = true;
};

}  // namespace

bool TraceParser::FeedTooLong() {
    ++lineNumber_;
    if (refusal_) {
        return false;
    }
    const std::string text = "ine " + std::to_string(lineNumber_) + " is longer than " +
                             std::to_string(kMaxTraceLine) + " bytes";
    if (!haveHeader_) {
        haveHeader_ = true;
        refusal_ = Error{"The header l" + text + "."};
        return false;
    }
    Problem("L" + text + ".");
    return true;
}

Result<TraceReadSummary> ReadTraceFile(const std::filesystem::path& path, const TraceFormat& format,
                                       TraceSampleSink& sink) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return Error{"Cannot open file for reading."};
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(path),
                                                              &std::fclose);
    if (!file) {
        return Error{"Cannot open file for reading."};
    }
    // The block is read straight into this buffer; stdio's own would only copy it once more.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    TraceParser parser(format, sink);
    LineSplitter splitter(parser);
    std::vector<char> block(std::size_t{1} << 18);
    while (true) {
        const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
        if (n > 0 && !splitter.Push(std::string_view(block.data(), n))) {
            break;
        }
        if (n < block.size()) {
            if (std::ferror(file.get()) != 0) {
                return Error{"The trace could not be read to its end."};
            }
            splitter.Finish();
            break;
        }
    }
    return parser.Finish();
}

Result<TraceReadSummary> ReadTraceText(std::string_view text, const TraceFormat& format,
                                       TraceSampleSink& sink) {
    TraceParser parser(format, sink);
    LineSplitter splitter(parser);
    if (splitter.Push(text)) {
        splitter.Finish();
    }
    return parser.Finish();
}

}  // namespace runwell
