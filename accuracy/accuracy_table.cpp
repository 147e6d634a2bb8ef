// accuracy_table: the derated life and the classic life beside published measurements.
//
//   accuracy_table MEASUREMENTS.tsv DATA_FOLDER
//
// DATA_FOLDER holds StandardBattery.csv and BatteryModels/. Prints a Markdown table: per
// measurement the measured runtime, the derated prediction (a constant drain, so peak = average,
// the measurement's end voltage as minimum voltage) and the classic estimate, each with its
// error against the measurement.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/Numbers.h"
#include "battery/BatteryCatalogue.h"
#include "battery/BatteryModelFiles.h"
#include "battery/DeratedLife.h"
#include "platform/FileRead.h"

namespace {

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream stream(line);
    std::string cell;
    while (std::getline(stream, cell, '\t')) {
        cells.push_back(cell);
    }
    return cells;
}

std::string Hours(double hours) {
    char text[32];
    std::snprintf(text, sizeof text, hours >= 100.0 ? "%.0f h" : "%.2f h", hours);
    return text;
}

std::string Error(double predicted, double measured) {
    char text[32];
    const double percent = std::round((predicted - measured) / measured * 100.0);
    std::snprintf(text, sizeof text, percent == 0.0 ? "0 %%" : "%+.0f %%", percent);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: accuracy_table MEASUREMENTS.tsv DATA_FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder(argv[2]);
    const std::optional<std::string> csv = runwell::ReadWholeFile(folder / "StandardBattery.csv");
    if (!csv) {
        std::cerr << "accuracy_table: cannot read " << (folder / "StandardBattery.csv") << "\n";
        return 1;
    }
    const std::vector<runwell::BatteryRecord> batteries = runwell::ParseBatteryRecords(*csv);
    const runwell::BatteryModelSet models =
        runwell::LoadBatteryModels(folder / "BatteryModels", batteries);
    for (const std::string& message : models.messages) {
        std::cerr << message << "\n";
    }

    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "accuracy_table: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::cout << "| Battery | Drain | Temp. | End V | Measured | Derated (limit) | Error | "
                 "Classic | Error | Source |\n"
                 "|---|---|---|---|---|---|---|---|---|---|\n";
    std::string line;
    int status = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::vector<std::string> cells = Split(line);
        if (cells.size() != 7) {
            std::cerr << "accuracy_table: a line without 7 cells: " << line << "\n";
            status = 1;
            continue;
        }
        std::size_t index = batteries.size();
        for (std::size_t i = 0; i < batteries.size(); ++i) {
            if (batteries[i].description == cells[0]) {
                index = i;
                break;
            }
        }
        if (index == batteries.size() || !models.models[index]) {
            std::cerr << "accuracy_table: no battery with a model named " << cells[0] << "\n";
            status = 1;
            continue;
        }
        const runwell::BatteryRecord& battery = batteries[index];
        const double milliamps = runwell::ReadReal(cells[1]);
        const double celsius = runwell::ReadReal(cells[2]);
        const double endVoltage = runwell::ReadReal(cells[3]);
        const double measured =
            cells[4] != "-" ? runwell::ReadReal(cells[4]) : runwell::ReadReal(cells[5]) / milliamps;
        const runwell::DeratedLife derated = runwell::ComputeDeratedLife(
            battery, &*models.models[index],
            {milliamps * 1e6, milliamps * 1e6, celsius, endVoltage, {}});
        // The classic life: capacity over average plus self-discharge current, as shown.
        const double classic = static_cast<double>(battery.capacityMah) * 1e6 /
                               (milliamps * 1e6 + static_cast<double>(battery.selfDischargeCurrent));
        std::cout << "| " << cells[0] << " | " << cells[1] << " mA | " << cells[2] << " C | "
                  << cells[3] << " V | " << Hours(measured)
                  << (cells[4] == "-" ? " (" + cells[5] + " mAh)" : std::string()) << " | "
                  << Hours(derated.hours) << " (" << derated.limitingFactor << ") | "
                  << Error(derated.hours, measured) << " | " << Hours(classic) << " | "
                  << Error(classic, measured) << " | " << cells[6] << " |\n";
    }
    return status;
}
