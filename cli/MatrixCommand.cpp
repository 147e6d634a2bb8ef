// runwell-cli matrix: the life at every operating point of the device, as a table.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Command.h"
#include "Session.h"
#include "TextTable.h"
#include "model/OperatingPointMatrix.h"
#include "model/Workspace.h"
#include "persist/AnalysisOutput.h"

namespace runwell::cli {
namespace {

/// A row per voltage, a column per temperature, the battery life in each cell (the selected
/// point marked '*'), then the reason for every cell that is not available.
void WriteOperatingPointMatrix(const Workspace& workspace, std::ostream& out) {
    const OperatingPointMatrix matrix = ComputeOperatingPointMatrix(workspace);
    const BatteryRecord* battery = workspace.currentBattery();
    out << "Battery : " << (battery != nullptr ? battery->description : std::string("-"))
        << "\n\n";
    std::vector<std::vector<std::string>> table;
    table.emplace_back();
    table.back().push_back("Voltage");
    for (const std::string& temperature : matrix.temperatures) {
        table.back().push_back(temperature);
    }
    std::vector<std::string> reasons;
    for (std::size_t v = 0; v < matrix.voltages.size(); ++v) {
        std::vector<std::string> row{matrix.voltages[v]};
        for (std::size_t t = 0; t < matrix.temperatures.size(); ++t) {
            const MatrixCell& cell = matrix.at(v, t);
            std::string text = cell.text;
            if (static_cast<int>(v) == matrix.selectedVoltage &&
                static_cast<int>(t) == matrix.selectedTemperature) {
                text += " *";
            }
            row.push_back(std::move(text));
            if (!cell.available) {
                reasons.push_back(matrix.voltages[v] + " " + matrix.temperatures[t] + ": " +
                                  cell.reason);
            }
        }
        table.push_back(std::move(row));
    }
    WriteTable(out, table);
    out << "\n* the selected voltage and temperature\n";
    if (!reasons.empty()) {
        out << "\nNot available:\n";
        for (const std::string& reason : reasons) {
            out << reason << '\n';
        }
    }
}

struct MatrixArguments {
    std::vector<std::string> positional;
    std::string format = "text";
};

int RunMatrix(const MatrixArguments& args, const Context& context) {
    const std::vector<std::string>& positional = args.positional;
    if (args.format != "text" && args.format != "json" && args.format != "csv") {
        return UsageError(context.err, "unknown format '" + args.format + "' (text, json or csv)");
    }
    if (positional.size() != 1) {
        return UsageError(context.err, "matrix takes one settings file");
    }
    StderrPrompter prompter(context.err, context.data, context.verbose);
    const std::optional<Workspace> workspace =
        OpenSettings(context.data, PathArgument(positional[0]), prompter);
    if (!workspace) {
        return kFailed;
    }
    if (args.format == "text") {
        WriteOperatingPointMatrix(*workspace, context.out);
    } else {
        context.out << (args.format == "json" ? OperatingPointMatrixJsonOf(*workspace) : OperatingPointMatrixCsvOf(*workspace));
    }
    return FinishStandardOutput(context, "operating-point matrix");
}

}  // namespace

Command AddMatrixCommand(CLI::App& app) {
    auto args = std::make_shared<MatrixArguments>();
    CLI::App* parser = app.add_subcommand("matrix");
    parser->add_option("SETTINGS", args->positional);
    parser->add_option("--format", args->format);
    return {parser,
            "  runwell-cli matrix SETTINGS [--data DIR] [--format text|json|csv]\n"
            "      Loads SETTINGS and prints the battery life at every voltage and temperature of the\n"
            "      device on the current battery, every mode recomputed there as refresh does; '*'\n"
            "      marks the selected point, and a point where a mode has no data is not available.\n"
            "      --format json or csv writes the points for scripts.\n",
            [args](const Context& context) { return RunMatrix(*args, context); }};
}

}  // namespace runwell::cli
