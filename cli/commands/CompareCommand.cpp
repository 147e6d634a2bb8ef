// runwell-cli compare: the battery comparison of a settings file's profile, as a table.

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>
#include <vector>

#include "Command.h"
#include "TextTable.h"
#include "analysis/BatteryComparison.h"
#include "commands/TableCommand.h"
#include "estimate/Format.h"
#include "exchange/AnalysisOutput.h"
#include "session/Workspace.h"

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
    const bool worstCase = workspace.predictionOptions().worstCase;
    std::vector<std::vector<std::string>> table;
    table.push_back({"#", "Battery", "Battery Life", "Average vs cont.", "Peak vs pulse",
                     "Predicted life", "Limited by"});
    if (worstCase) {
        table.back().push_back("Worst case");
    }
    for (const BatteryComparisonRow& row : comparison.rows) {
        std::string number = std::to_string(row.index + 1);
        if (row.index == workspace.batteryIndex()) {
            number += '*';
        }
        table.push_back({std::move(number), row.description, row.lifeText, row.averageVerdict,
                         row.peakVerdict, row.deratedLifeText,
                         !row.problem.empty()          ? row.problem
                         : row.limitingFactor.empty() ? "-"
                                                      : row.limitingFactor});
        if (worstCase) {
            table.back().push_back(row.worst ? row.worst->lifeText + " (" + row.worstCorner + ")"
                                             : "-");
        }
    }
    WriteTable(out, table);
}

}  // namespace

Command AddCompareCommand(CLI::App& app) {
    return AddTableCommand(
        app, "compare",
        "  runwell-cli compare SETTINGS [--data DIR] [--format text|json|csv]\n"
        "                      [--regulator FILE] [--mission FILE] [--worst-case]\n"
        "      Loads SETTINGS and prints the battery life, the average and peak current against\n"
        "      the battery's limits and the predicted life for every battery of the catalogue,\n"
        "      longest life first; '*' marks the current battery.\n"
        "      --format json or csv writes the rows for scripts (catalogue order).\n",
        "battery comparison",
        {WriteBatteryComparison, BatteryComparisonJsonOf, BatteryComparisonCsvOf, true});
}

}  // namespace runwell::cli
