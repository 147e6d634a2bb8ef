#include "trace/TraceText.h"

#include <cmath>
#include <cstdio>

#include "base/Numbers.h"
#include "base/Text.h"
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
    // Columns at least as wide as they always were, and wider where a cell needs it.
    std::vector<std::vector<std::string>> rows = {{"Label", "Time", "Current", "Charge"}};
    float totalTime = 0.0f;
    for (const ModeRecord& mode : shown.modes) {
        totalTime = NarrowToFloat(static_cast<double>(totalTime) + static_cast<double>(mode.duration));
    }
    for (const ModeRecord& mode : shown.modes) {
        const ModeCells cells = MakeModeCells(mode, totalTime, {});
        // A level below zero (noise about a probe's offset) keeps its sign and its unit.
        rows.push_back({cells[0], cells[3], Signed(FormatCurrent, mode.totalCurrent),
                        Signed(FormatCharge, mode.totalCharge)});
    }
    text += LayOutColumns(rows, {12, 18, 14});

    text += "\nBattery life\n";
    rows = {{"  Battery", "Capacity", "Life", "Predicted life", "Average", "Peak"}};
    for (std::size_t i = 0; i < shown.batteries.size(); ++i) {
        const TraceBatteryFigures& b = shown.batteries[i];
        const std::string mark = static_cast<int>(i) == shown.currentBattery ? "* " : "  ";
        rows.push_back({mark + b.description, b.capacity, b.lifeText, b.deratedText, b.averageText,
                        b.peakText});
    }
    text += LayOutColumns(rows, {30, 12, 26, 44, 36});
    return text;
}

}  // namespace runwell
