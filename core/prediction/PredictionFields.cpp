#include "prediction/PredictionFields.h"

#include <charconv>
#include <cmath>

#include "base/Numbers.h"

namespace runwell {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

Result<std::optional<double>> ReadOptionalFigure(std::string_view text, std::string_view field,
                                                 double lowest, double highest) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return std::optional<double>{};
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() ||
        !(value >= lowest && value <= highest)) {  // also NaN
        return Error{std::string(field) + " must be empty or a number from " +
                     SignificantText(lowest, 6) + " to " + SignificantText(highest, 6) + "."};
    }
    return std::optional<double>(value);
}

std::string OptionalFigureText(std::optional<double> value) {
    return value ? SignificantText(*value, 6) : std::string();
}

std::string RegulatorSummary(const Regulator& regulator) {
    std::string text = regulator.name + "\nPart: " + regulator.part +
                       "\nKind: " + std::string(RegulatorKindName(regulator.kind)) +
                       "\nQuiescent current: " + SignificantText(regulator.quiescentMicroamps, 4) +
                       " uA\nInput: " + SignificantText(regulator.minimumInputVolts, 4) + " to " +
                       SignificantText(regulator.maximumInputVolts, 4) + " V";
    text += regulator.fixedOutputVolts
                ? "\nOutput: " + SignificantText(*regulator.fixedOutputVolts, 4) + " V fixed"
                : std::string("\nOutput: adjustable");
    return text + "\nSources: " + regulator.sources;
}

std::string CapacitySpreadTip(const LifePrediction& prediction) {
    std::string tip =
        "How far below typical one cell's capacity may be, percent; empty for the "
        "chemistry's default, 0 for none";
    if (prediction.capacitySpreadSource.empty()) {
        return tip;
    }
    const std::string percent = SignificantText(prediction.capacitySpreadPercent, 4) + " %";
    return prediction.capacitySpreadSource == "given"
               ? tip + "\nIn use: " + percent
               : tip + "\nDefault in use: " + percent + " (" + prediction.capacitySpreadSource +
                     ")";
}

}  // namespace runwell
