// runwell-cli matrix: the life at every operating point of the device, as a table.

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>
#include <vector>

#include "Command.h"
#include "TextTable.h"
#include "analysis/OperatingPointMatrix.h"
#include "commands/TableCommand.h"
#include "exchange/AnalysisOutput.h"
#include "session/Workspace.h"

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

}  // namespace

Command AddMatrixCommand(CLI::App& app) {
    return AddTableCommand(
        app, "matrix",
        "  runwell-cli matrix SETTINGS [--data DIR] [--format text|json|csv]\n"
        "      Loads SETTINGS and prints the battery life at every voltage and temperature of the\n"
        "      device on the current battery, every mode recomputed there as refresh does; '*'\n"
        "      marks the selected point, and a point where a mode has no data is not available.\n"
        "      --format json or csv writes the points for scripts.\n",
        "operating-point matrix",
        {WriteOperatingPointMatrix, OperatingPointMatrixJsonOf, OperatingPointMatrixCsvOf});
}

}  // namespace runwell::cli
