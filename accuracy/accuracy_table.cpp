// accuracy_table: the predicted life and the classic life beside published measurements.
//
//   accuracy_table MEASUREMENTS.tsv DATA_FOLDER
//
// DATA_FOLDER holds StandardBattery.csv and BatteryModels/. Prints a Markdown table: per
// measurement the measured runtime, the predicted life (the measurement's load, constant, pulsed
// or a resistor, with its end voltage as the minimum voltage), whether the load lies within the
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
#include <string_view>
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

/// A measurement's load: a constant drain "25", pulses "30@0.1/0.005@9.9" (mA for seconds,
/// then mA for seconds, repeated), or a resistor "20ohm".
struct Load {
    double averageMa = 0.0;
    double peakMa = 0.0;
    std::vector<runwell::LoadStep> steps;
    double ohms = 0.0;  // a resistor; its drain is found with the prediction
};

constexpr std::string_view kOhm = "ohm";

bool IsResistor(const std::string& text) {
    return text.size() > kOhm.size() && text.ends_with(kOhm);
}

std::optional<Load> ReadLoad(const std::string& text) {
    Load load;
    if (IsResistor(text)) {
        load.ohms = runwell::ReadReal(text.substr(0, text.size() - kOhm.size()));
        return load.ohms > 0.0 ? std::optional(load) : std::nullopt;
    }
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

std::string LoadText(const std::string& text, const Load& load) {
    if (load.ohms > 0.0) {
        char drain[48];
        std::snprintf(drain, sizeof drain, " (%.3g mA mean)", load.averageMa);
        return text.substr(0, text.size() - kOhm.size()) + " ohm" + drain;
    }
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

/// The mean of the loaded-voltage curve over the predicted life; the nominal voltage when the
/// curve is flat or missing.
double MeanLoadedVolts(const runwell::DeratedLife& life, double nominalVolts) {
    double area = 0.0;
    for (std::size_t i = 1; i < life.curve.size(); ++i) {
        const runwell::VoltagePoint& a = life.curve[i - 1];
        const runwell::VoltagePoint& b = life.curve[i];
        area += (b.hours - a.hours) * (a.volts + b.volts) / 2.0;
    }
    const double span =
        life.curve.empty() ? 0.0 : life.curve.back().hours - life.curve.front().hours;
    return span > 0.0 && !life.nominalVoltageOnly ? area / span : nominalVolts;
}

/// The predicted life under `load`. A resistor draws the loaded voltage over its resistance, so
/// its current falls as the cell discharges; the life is the charge delivered over the mean
/// current. The prediction therefore takes the constant drain of the mean loaded voltage over
/// the predicted life, repeated from the nominal voltage's drain until the drain settles, and
/// leaves that drain in `load`.
runwell::DeratedLife Predict(const runwell::BatteryRecord& battery,
                             const runwell::BatteryModel& model, Load& load, double celsius,
                             double endVoltage) {
    auto predict = [&] {
        return runwell::ComputeDeratedLife(
            battery, &model,
            {load.averageMa * 1e6, load.peakMa * 1e6, celsius, endVoltage, load.steps});
    };
    if (load.ohms <= 0.0) {
        return predict();
    }
    const double nominalVolts = runwell::ReadReal(battery.nominalVoltage);
    load.averageMa = load.peakMa = nominalVolts / load.ohms * 1e3;
    runwell::DeratedLife life = predict();
    for (int round = 0; round < 50; ++round) {
        const double drain = MeanLoadedVolts(life, nominalVolts) / load.ohms * 1e3;
        const bool settled = std::fabs(drain - load.averageMa) <= 1e-6 * drain;
        load.averageMa = load.peakMa = drain;
        life = predict();
        if (settled) {
            break;
        }
    }
    return life;
}

/// The errors of the predictions, in percent, for the summary.
struct Errors {
    std::vector<double> all, inside;
    int withoutRange = 0;
};

std::string WithinText(const runwell::DeratedLife& life) {
    if (!life.outsideData.empty()) {
        const std::size_t prefix = std::string_view("outside the model's data: ").size();
        return "no: " + life.outsideData.substr(prefix);
    }
    return life.rangeStated ? "yes" : "no range stated";
}

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
        std::optional<Load> load = cells.size() == 7 ? ReadLoad(cells[1]) : std::nullopt;
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
        const runwell::DeratedLife predicted =
            Predict(battery, *models.models[index], *load, celsius, endVoltage);
        const double measured = cells[4] != "-" ? runwell::ReadReal(cells[4])
                                                : runwell::ReadReal(cells[5]) / load->averageMa;
        // The classic life: capacity over average plus self-discharge current, as shown.
        const double classic =
            static_cast<double>(battery.capacityMah) * 1e6 /
            (load->averageMa * 1e6 + static_cast<double>(battery.selfDischargeCurrent));
        const double error = std::fabs(predicted.hours - measured) / measured * 100.0;
        errors.all.push_back(error);
        if (predicted.outsideData.empty() && predicted.rangeStated) {
            errors.inside.push_back(error);
        }
        errors.withoutRange += predicted.rangeStated ? 0 : 1;
        std::cout << "| " << cells[0] << " | " << LoadText(cells[1], *load) << " | " << cells[2]
                  << " C | " << cells[3] << " V | " << Hours(measured)
                  << (cells[4] == "-" ? " (" + cells[5] + " mAh)" : std::string()) << " | "
                  << Hours(predicted.hours) << " (" << predicted.limitingFactor << ") | "
                  << Error(predicted.hours, measured) << " | "
                  << WithinText(predicted)
                  << " | " << Hours(classic) << " | " << Error(classic, measured) << " | "
                  << cells[6] << " |\n";
    }
    const double largestInside =
        errors.inside.empty() ? 0.0 : *std::max_element(errors.inside.begin(), errors.inside.end());
    char largest[32];
    std::snprintf(largest, sizeof largest, "%.0f %%", largestInside);
    std::cout << "\nRows: " << errors.all.size() << ", of which " << errors.inside.size()
              << " within their model's data";
    if (errors.withoutRange > 0) {
        std::cout << " and " << errors.withoutRange << " on a model that states no range";
    }
    std::cout << ". Median absolute error of the predicted life: " << Median(errors.all) << " over all rows, " << Median(errors.inside)
              << " within the models' data, where the largest is " << largest << ".\n";
    return status;
}
