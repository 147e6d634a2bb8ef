#pragma once

#include <iosfwd>
#include <string_view>
#include <vector>

namespace runwell::cli {

/// The usage lines of the trace command, as the tool's help shows them: a string literal, so
/// that the help text stays one literal.
#define RUNWELL_TRACE_USAGE \
    "  runwell-cli trace FILE [--from T] [--to T] [--format text|json] [--rate HZ]\n" \
    "                    [--time-unit s|ms|us] [--current-unit A|mA|uA|nA]\n" \
    "                    [--tolerance PERCENT] [--profile SETTINGS] [--data DIR]\n" \
    "      Reads the measured current trace FILE (CSV) and prints, for the range from T to T\n" \
    "      (seconds, or with a unit: 250ms, 40us; default the whole trace), its samples,\n" \
    "      duration, average, peak and RMS current and charge, the modes it splits into\n" \
    "      (levels within PERCENT of each other, default 25), and the battery life on every\n" \
    "      battery of the catalogue. --rate gives a fixed sample rate instead of a time\n" \
    "      column; the unit options override the header's. --profile saves the modes as a\n" \
    "      settings file for the first device.\n"

/// `runwell-cli trace FILE [options]`: `args` are the words after "trace". Prints the trace's
/// figures over the range, its modes and the life on every battery of the catalogue, as text or
/// JSON, to `out`; with --profile also saves the modes as a settings file. Messages go to `err`.
int RunTrace(const std::vector<std::string_view>& args, std::ostream& out, std::ostream& err);

}  // namespace runwell::cli
