// accuracy_table: the predicted life and the classic life beside published measurements.
//
//   accuracy_table MEASUREMENTS.tsv DATA_FOLDER
//
// DATA_FOLDER holds StandardBattery.csv and BatteryModels/. Prints a Markdown table: per
// measurement the measured runtime, the predicted life (the measurement's load, constant or
// pulsed, with its end voltage as the minimum voltage), whether the load lies within the
// model's measured data, and the classic estimate, each with its error against the measurement;
// then the median and largest errors.

#include <algorithm>
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

/// A measurement's load: a constant drain "25", or pulses "30@0.1/0.005@9.9" (mA for seconds,
/// then mA for seconds, repeated).
struct Load {
    double averageMa = 0.0;
    double peakMa = 0.0;
    std::vector<runwell::LoadStep> steps;
};

std::optional<Load> ReadLoad(const std::string& text) {
    Load load;
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) {
        load.averageMa = load.peakMa = runwell::ReadReal(text);
        return load.averageMa > 0.0 ? std::optional(load) : std::nullopt;
    }
    double charge = 0.0, time = 0.0;
    for (const std::string& part : {text.substr(0, slash), text.substr(slash + 1)}) {
        const std::size_t at = part.find('@');
        if (at == std::string::npos) {
            return std::nullopt;
        }
        const double milliamps = runwell::ReadReal(part.substr(0, at));
        const double seconds = runwell::ReadReal(part.substr(at + 1));
        load.steps.push_back({milliamps / 1e3, seconds});
        load.peakMa = std::max(load.peakMa, milliamps);
        charge += milliamps * seconds;
        time += seconds;
    }
    load.averageMa = time > 0.0 ? charge / time : 0.0;
    return load.averageMa > 0.0 ? std::optional(load) : std::nullopt;
}

std::string LoadText(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) {
        return text + " mA";
    }
    auto level = [](const std::string& part) {
        const std::size_t at = part.find('@');
        return part.substr(0, at) + " mA for " + part.substr(at + 1) + " s";
    };
    return level(text.substr(0, slash)) + ", " + level(text.substr(slash + 1));
}

/// The errors of the predictions, in percent, for the summary.
struct Errors {
    std::vector<double> all, inside;
};

std::string Median(std::vector<double> values) {
    if (values.empty()) {
        return "none";
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    char text[32];
    std::snprintf(text, sizeof text, "%.0f %%", median);
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
    std::cout << "| Battery | Load | Temp. | End V | Measured | Predicted (limit) | Error | "
                 "Within the model's data | Classic | Error | Source |\n"
                 "|---|---|---|---|---|---|---|---|---|---|---|\n";
    std::string line;
    int status = 0;
    Errors errors;
    while (std::getline(in, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::vector<std::string> cells = Split(line);
        const std::optional<Load> load = cells.size() == 7 ? ReadLoad(cells[1]) : std::nullopt;
        if (!load) {
            std::cerr << "accuracy_table: a line without 7 cells or without a load: " << line
                      << "\n";
            status = 1;
            continue;
        }
        std::size_t index = 0;
        while (index < batteries.size() && batteries[index].description != cells[0]) {
            ++index;
        }
        if (index == batteries.size() || !models.models[index]) {
            std::cerr << "accuracy_table: no battery with a model named " << cells[0] << "\n";
            status = 1;
            continue;
        }
        const runwell::BatteryRecord& battery = batteries[index];
        const double celsius = runwell::ReadReal(cells[2]);
        const double endVoltage = runwell::ReadReal(cells[3]);
        const double measured = cells[4] != "-" ? runwell::ReadReal(cells[4])
                                                : runwell::ReadReal(cells[5]) / load->averageMa;
        const runwell::DeratedLife predicted = runwell::ComputeDeratedLife(
            battery, &*models.models[index],
            {load->averageMa * 1e6, load->peakMa * 1e6, celsius, endVoltage, load->steps});
        // The classic life: capacity over average plus self-discharge current, as shown.
        const double classic =
            static_cast<double>(battery.capacityMah) * 1e6 /
            (load->averageMa * 1e6 + static_cast<double>(battery.selfDischargeCurrent));
        const double error = std::fabs(predicted.hours - measured) / measured * 100.0;
        errors.all.push_back(error);
        const bool inside = predicted.outsideData.empty();
        if (inside) {
            errors.inside.push_back(error);
        }
        std::cout << "| " << cells[0] << " | " << LoadText(cells[1]) << " | " << cells[2]
                  << " C | " << cells[3] << " V | " << Hours(measured)
                  << (cells[4] == "-" ? " (" + cells[5] + " mAh)" : std::string()) << " | "
                  << Hours(predicted.hours) << " (" << predicted.limitingFactor << ") | "
                  << Error(predicted.hours, measured) << " | "
                  << (inside ? std::string("yes") : "no: " + predicted.outsideData.substr(26))
                  << " | " << Hours(classic) << " | " << Error(classic, measured) << " | "
                  << cells[6] << " |\n";
    }
    const double largestInside =
        errors.inside.empty() ? 0.0 : *std::max_element(errors.inside.begin(), errors.inside.end());
    char largest[32];
    std::snprintf(largest, sizeof largest, "%.0f %%", largestInside);
    std::cout << "\nRows: " << errors.all.size() << ", of which " << errors.inside.size()
              << " within their model's data. Median absolute error of the predicted life: "
              << Median(errors.all) << " over all rows, " << Median(errors.inside)
              << " within the models' data, where the largest is " << largest << ".\n";
    return status;
}
