#pragma once

#include <string>
#include <vector>

#include "estimate/ModeRecord.h"
#include "trace/TraceProfile.h"
#include "trace/TraceStatistics.h"

namespace runwell {

/// One figure of a trace's range as it is shown: a caption and its value text.
struct TraceFigureLine {
    std::string caption;
    std::string value;
};

/// Samples, range, duration, average, peak and RMS current, and charge, in engineering units; a
/// negative value (a time before the trace's zero) with its sign: "-250 mS".
std::vector<TraceFigureLine> TraceFigureLines(const TraceStatistics& statistics);

/// A current in nA as FormatCurrent writes it, a negative one as "-" and its magnitude's text
/// ("-5 uA"), where FormatCurrent would count it down to the integer minimum.
std::string SignedCurrentText(double nanoamps);

/// The header's reading of the trace in one line, e.g. `columns "Time(s)" in s and
/// "Current(uA)" in uA, separated by ','`; the captions quoted as the reader's messages quote
/// them (trace::Quoted).
std::string TraceLayoutText(const TraceLayout& layout);

/// What the reader skipped, for a status line: empty without malformed lines, else the count
/// and the first problem.
std::string MalformedLinesText(const TraceReadSummary& read);
/// "3 modes in the range" and the like.
std::string ModeCountText(std::size_t modes);

/// The question asked before a trace's modes replace a profile that has modes.
std::string ReplaceProfileQuestion(std::size_t modes, std::size_t traceModes);

/// Everything the trace command shows.
struct TraceShown {
    TraceAnalysis analysis;
    std::vector<TraceBatteryFigures> batteries;
    int currentBattery = -1;  // row of the current battery, -1 for none
    std::vector<ModeRecord> modes;
    double tolerance = 0.0;  // relative
};

/// Plain text: the layout, the malformed lines (at most kMaxProblems named), the figures, the
/// modes (a mode below zero with its sign) and the battery table; '\n' line ends. A table's
/// column is as wide as it has always been, or as its widest cell and two blanks, whichever is
/// more, so no cell runs into the next.
std::string FormatTraceText(const TraceShown& shown);

}  // namespace runwell
