// runwell-cli compare: the battery comparison of a settings file's profile, as a table.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Command.h"
#include "Session.h"
#include "TextTable.h"
#include "model/BatteryComparison.h"
#include "model/Format.h"
#include "model/Workspace.h"
#include "persist/AnalysisOutput.h"

namespace runwell::cli {
namespace {

/// The profile's average and peak, then per battery, longest life first: its catalogue number
/// (the current battery marked '*'), description, life, the verdicts against its continuous and
/// pulse limits and the derated life with what limits it.
void WriteBatteryComparison(const Workspace& workspace, std::ostream& out) {
    BatteryComparison comparison = CompareBatteries(workspace);
    SortByLife(comparison.rows);
    out << "Average Current : " << FormatCurrent(comparison.average) << '\n'
        << "Peak Current : " << FormatCurrent(static_cast<float>(comparison.peak)) << "\n\n";
    std::vector<std::vector<std::string>> table;
    table.push_back({"#", "Battery", "Battery Life", "Average vs cont.", "Peak vs pulse",
                     "Derated life", "Limited by"});
    for (const BatteryComparisonRow& row : comparison.rows) {
        std::string number = std::to_string(row.index + 1);
        if (row.index == workspace.batteryIndex()) {
            number += '*';
        }
        table.push_back({std::move(number), row.description, row.lifeText, row.averageVerdict,
                         row.peakVerdict, row.deratedLifeText,
                         row.limitingFactor.empty() ? "-" : row.limitingFactor});
    }
    WriteTable(out, table);
}

struct CompareArguments {
    std::vector<std::string> positional;
    std::string format = "text";
};

int RunCompare(const CompareArguments& args, const Context& context) {
    const std::vector<std::string>& positional = args.positional;
    if (args.format != "text" && args.format != "json" && args.format != "csv") {
        return UsageError(context.err, "unknown format '" + args.format + "' (text, json or csv)");
    }
    if (positional.size() != 1) {
        return UsageError(context.err, "compare takes one settings file");
    }
    StderrPrompter prompter(context.err, context.data, context.verbose);
    const std::optional<Workspace> workspace =
        OpenSettings(context.data, PathArgument(positional[0]), prompter);
    if (!workspace) {
        return kFailed;
    }
    if (args.format == "text") {
        WriteBatteryComparison(*workspace, context.out);
    } else {
        context.out << (args.format == "json" ? BatteryComparisonJsonOf(*workspace) : BatteryComparisonCsvOf(*workspace));
    }
    return FinishStandardOutput(context, "battery comparison");
}

}  // namespace

Command AddCompareCommand(CLI::App& app) {
    auto args = std::make_shared<CompareArguments>();
    CLI::App* parser = app.add_subcommand("compare");
    parser->add_option("SETTINGS", args->positional);
    parser->add_option("--format", args->format);
    return {parser,
            "  runwell-cli compare SETTINGS [--data DIR] [--format text|json|csv]\n"
            "      Loads SETTINGS and prints the battery life, the average and peak current against\n"
            "      the battery's limits and the derated life for every battery of the catalogue,\n"
            "      longest life first; '*' marks the current battery.\n"
            "      --format json or csv writes the rows for scripts (catalogue order).\n",
            [args](const Context& context) { return RunCompare(*args, context); }};
}

}  // namespace runwell::cli
