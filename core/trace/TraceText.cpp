#include "trace/TraceText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "base/Numbers.h"
#include "estimate/Format.h"
#include "estimate/ProfileResults.h"
#include "trace/TraceFields.h"

namespace runwell {
namespace {

/// `format`'s text of `value`, a negative value as "-" and the text of its magnitude: the
/// formats count a negative value in the smallest unit, down to the integer minimum.
template <typename Format>
std::string Signed(Format format, double value) {
    return value < 0.0 ? "-" + format(NarrowToFloat(-value)) : format(NarrowToFloat(value));
}

std::string Seconds(double seconds) { return Signed(FormatTime, seconds * 1e6); }

/// `text` padded with blanks to `width`, or followed by one blank when it is as long or longer.
std::string Padded(const std::string& text, std::size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text + ' ';
}

/// The shortest text that reads back as `value`; JSON has no infinities, so none are written.
std::string JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("null");
}

/// The length of the well-formed UTF-8 sequence at `at` (2 to 4 bytes), or 0 when there is none.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // Overlong forms, surrogates and code points beyond U+10FFFF.
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return length;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else if (byte < 0x80) {
            out += c;
        } else if (const std::size_t length = Utf8Length(text, i); length > 0) {
            out.append(text.substr(i, length));
            i += length - 1;
        } else {
            // A byte that is not part of UTF-8 is taken for the Latin-1 character it would be
            // (the 8-bit files name no encoding), so the output is always valid UTF-8.
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out + "\"";
}

std::string Bool(bool value) { return value ? "true" : "false"; }

}  // namespace

std::vector<TraceFigureLine> TraceFigureLines(const TraceStatistics& s) {
    return {
        {"Samples", std::to_string(s.samples)},
        {"From", Seconds(s.start)},
        {"To", Seconds(s.end)},
        {"Duration", Seconds(s.duration)},
        {"Average current", SignedCurrentText(s.average)},
        {"Peak current", SignedCurrentText(s.peak)},
        {"RMS current", SignedCurrentText(s.rms)},
        {"Charge", Signed(FormatCharge, s.charge * 1e6)},
    };
}

std::string SignedCurrentText(double nanoamps) { return Signed(FormatCurrent, nanoamps); }

std::string TraceLayoutText(const TraceLayout& layout) {
    const std::string separator = layout.separator == '\t' ? "TAB" : std::string(1, layout.separator);
    std::string text = "header on line " + std::to_string(layout.headerLine) + ", ";
    if (layout.timeColumn < 0) {
        text += "a sample every " + Seconds(1.0 / layout.sampleRate) + ", current ";
    } else {
        text += "time " + trace::Quoted(layout.timeName) + " in " + UnitName(layout.timeUnit) +
                ", current ";
    }
    return text + trace::Quoted(layout.currentName) + " in " + UnitName(layout.currentUnit) +
           ", separated by '" + separator + "'";
}

std::string MalformedLinesText(const TraceReadSummary& read) {
    if (read.malformedLines == 0 || read.problems.empty()) {
        return {};
    }
    return std::to_string(read.malformedLines) +
           (read.malformedLines == 1 ? " malformed line skipped: " : " malformed lines skipped; the first: ") +
           read.problems.front().message;
}

std::string ModeCountText(std::size_t modes) {
    return std::to_string(modes) + (modes == 1 ? " mode" : " modes") + " in the range";
}

std::string ReplaceProfileQuestion(std::size_t modes, std::size_t traceModes) {
    return "The profile's " + std::to_string(modes) + (modes == 1 ? " mode is" : " modes are") +
           " replaced by the " + std::to_string(traceModes) +
           (traceModes == 1 ? " mode" : " modes") + " of the trace.";
}

std::string FormatTraceText(const TraceShown& shown) {
    const TraceReadSummary& read = shown.analysis.read;
    std::string text = "Trace: " + TraceLayoutText(read.layout) + "\n";
    if (read.malformedLines > 0) {
        text += std::to_string(read.malformedLines) +
                (read.malformedLines == 1 ? " malformed line skipped:\n" : " malformed lines skipped:\n");
        for (const TraceProblem& problem : read.problems) {
            text += "  " + problem.message + "\n";
        }
        if (read.malformedLines > static_cast<std::int64_t>(read.problems.size())) {
            text += "  ...\n";
        }
    }
    text += "\n";
    for (const TraceFigureLine& line : TraceFigureLines(shown.analysis.statistics)) {
        text += Padded(line.caption, 17) + line.value + "\n";
    }

    char tolerance[32];
    std::snprintf(tolerance, sizeof tolerance, "%g", shown.tolerance * 100.0);
    text += "\nModes (tolerance " + std::string(tolerance) + " %)\n";
    text += Padded("Label", 12) + Padded("Time", 18) + Padded("Current", 14) + "Charge\n";
    float totalTime = 0.0f;
    for (const ModeRecord& mode : shown.modes) {
        totalTime = NarrowToFloat(static_cast<double>(totalTime) + static_cast<double>(mode.duration));
    }
    for (const ModeRecord& mode : shown.modes) {
        const ModeCells cells = MakeModeCells(mode, totalTime, {});
        // A level below zero (noise about a probe's offset) keeps its sign and its unit.
        text += Padded(cells[0], 12) + Padded(cells[3], 18) +
                Padded(Signed(FormatCurrent, mode.totalCurrent), 14) +
                Signed(FormatCharge, mode.totalCharge) + "\n";
    }

    text += "\nBattery life\n";
    text += Padded("  Battery", 30) + Padded("Capacity", 12) + Padded("Life", 26) +
            Padded("Derated life", 44) + Padded("Average", 36) + "Peak\n";
    for (std::size_t i = 0; i < shown.batteries.size(); ++i) {
        const TraceBatteryFigures& b = shown.batteries[i];
        const std::string mark = static_cast<int>(i) == shown.currentBattery ? "* " : "  ";
        text += Padded(mark + b.description, 30) + Padded(b.capacity, 12) + Padded(b.lifeText, 26) +
                Padded(b.deratedText, 44) + Padded(b.averageText, 36) + b.peakText + "\n";
    }
    return text;
}

std::string FormatTraceJson(const TraceShown& shown) {
    const TraceReadSummary& read = shown.analysis.read;
    const TraceLayout& layout = read.layout;
    const TraceStatistics& s = shown.analysis.statistics;
    std::string json = "{\n";
    json += "  \"layout\": {\"headerLine\": " + std::to_string(layout.headerLine) +
            ", \"separator\": " + JsonString(std::string(1, layout.separator)) +
            ", \"time\": " + (layout.timeColumn < 0 ? "null" : JsonString(layout.timeName)) +
            ", \"timeUnit\": " + JsonString(UnitName(layout.timeUnit)) +
            ", \"sampleRate\": " + JsonNumber(layout.sampleRate) +
            ", \"current\": " + JsonString(layout.currentName) +
            ", \"currentUnit\": " + JsonString(UnitName(layout.currentUnit)) + "},\n";
    json += "  \"malformedLines\": " + std::to_string(read.malformedLines) + ",\n";
    json += "  \"problems\": [";
    for (std::size_t i = 0; i < read.problems.size(); ++i) {
        json += std::string(i == 0 ? "\n" : ",\n") + "    {\"line\": " +
                std::to_string(read.problems[i].line) +
                ", \"message\": " + JsonString(read.problems[i].message) + "}";
    }
    json += read.problems.empty() ? "],\n" : "\n  ],\n";
    json += "  \"statistics\": {\"samples\": " + std::to_string(s.samples) +
            ", \"from_s\": " + JsonNumber(s.start) + ", \"to_s\": " + JsonNumber(s.end) +
            ", \"duration_s\": " + JsonNumber(s.duration) +
            ", \"average_nA\": " + JsonNumber(s.average) + ", \"peak_nA\": " + JsonNumber(s.peak) +
            ", \"rms_nA\": " + JsonNumber(s.rms) + ", \"charge_nAs\": " + JsonNumber(s.charge) +
            "},\n";
    json += "  \"tolerance\": " + JsonNumber(shown.tolerance) + ",\n";
    json += "  \"modes\": [";
    for (std::size_t i = 0; i < shown.modes.size(); ++i) {
        const ModeRecord& m = shown.modes[i];
        json += std::string(i == 0 ? "\n" : ",\n") + "    {\"label\": " + JsonString(m.label) +
                ", \"duration_us\": " + JsonNumber(static_cast<double>(m.duration)) +
                ", \"current_nA\": " + JsonNumber(static_cast<double>(m.totalCurrent)) +
                ", \"systemCurrent_nA\": " + JsonNumber(static_cast<double>(m.systemCurrent)) + "}";
    }
    json += shown.modes.empty() ? "],\n" : "\n  ],\n";
    json += "  \"batteries\": [";
    for (std::size_t i = 0; i < shown.batteries.size(); ++i) {
        const TraceBatteryFigures& b = shown.batteries[i];
        json += std::string(i == 0 ? "\n" : ",\n") + "    {\"description\": " +
                JsonString(b.description) + ", \"current\": " +
                Bool(static_cast<int>(i) == shown.currentBattery) +
                ", \"capacity\": " + JsonString(b.capacity) + ", \"life\": " + JsonString(b.lifeText) +
                ", \"derated\": " + JsonString(b.deratedText) +
                ", \"average\": " + JsonString(b.averageText) +
                ", \"averageWarning\": " + Bool(b.averageWarning) +
                ", \"peak\": " + JsonString(b.peakText) + ", \"peakWarning\": " + Bool(b.peakWarning) +
                "}";
    }
    json += shown.batteries.empty() ? "]\n" : "\n  ]\n";
    return json + "}\n";
}

}  // namespace runwell
