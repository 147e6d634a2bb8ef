#include "exchange/AnalysisOutput.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <string_view>

#include "analysis/BatteryComparison.h"
#include "analysis/ChargeShare.h"
#include "analysis/OperatingPointMatrix.h"
#include "exchange/JsonValues.h"
#include "exchange/ResultsCsv.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

using Json = nlohmann::ordered_json;

Json Text(std::string_view bytes) { return Latin1ToUtf8(bytes); }

Json Number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

/// Hours of a simulation, to what they can claim (and free of one system's last bits).
Json Hours(double hours) {
    return std::isfinite(hours) && hours > 0.0 ? Json(std::round(hours * 1e3) / 1e3)
                                               : Json(nullptr);
}

Json LifeHours(std::int64_t hours) { return hours != 0 ? Json(hours) : Json(nullptr); }

std::string HoursText(std::int64_t hours) { return hours != 0 ? std::to_string(hours) : ""; }

Json ShareLineJson(const ChargeShareLine& line) {
    Json object = Json::object();
    object["label"] = Text(line.label);
    object["mode"] = line.mode >= 0 ? Json(line.mode) : Json(nullptr);
    object["charge"] = Number(line.charge);
    // A share that cannot be given ("-") is null.
    object["chargeShare"] = line.chargeShareText != "-" ? Number(line.chargeShare) : Json(nullptr);
    object["timeShare"] = line.timeShareText != "-" ? Number(line.timeShare) : Json(nullptr);
    object["chargeText"] = Text(line.chargeText);
    object["chargeShareText"] = Text(line.chargeShareText);
    object["timeShareText"] = Text(line.timeShareText);
    return object;
}

}  // namespace

std::string BatteryComparisonJsonOf(const Workspace& workspace) {
    const BatteryComparison comparison = CompareBatteries(workspace);
    Json rows = Json::array();
    for (const BatteryComparisonRow& row : comparison.rows) {
        Json object = Json::object();
        object["index"] = row.index;
        object["description"] = Text(row.description);
        object["current"] = row.index == workspace.batteryIndex();
        object["life"] = {{"hours", LifeHours(row.lifeHours)}, {"text", Text(row.lifeText)}};
        object["average"] = {{"overLimit", row.averageOver}, {"verdict", row.averageVerdict}};
        object["peak"] = {{"overLimit", row.peakOver}, {"verdict", row.peakVerdict}};
        object["derated"] = {{"hasModel", row.hasModel},
                             {"hours", row.hasModel ? Hours(row.deratedHours) : Json(nullptr)},
                             {"text", row.deratedLifeText},
                             {"limitingFactor", row.limitingFactor.empty()
                                                    ? Json(nullptr)
                                                    : Json(row.limitingFactor)}};
        object["worstCase"] =
            row.worst ? Json{{"hours", Hours(row.worst->hours)},
                             {"text", row.worst->lifeText},
                             {"corner", row.worstCorner}}
                      : Json(nullptr);
        object["problem"] = row.problem.empty() ? Json(nullptr) : Json(row.problem);
        rows.push_back(std::move(object));
    }
    Json document = Json::object();
    document["format"] = "runwell-battery-comparison";
    document["version"] = 1;
    document["average"] = Number(ShortestDouble(comparison.average));
    document["peak"] = comparison.peak;
    document["batteries"] = std::move(rows);
    return document.dump(2) + "\n";
}

std::string BatteryComparisonCsvOf(const Workspace& workspace) {
    const BatteryComparison comparison = CompareBatteries(workspace);
    std::string csv = CsvLine({"index", "description", "current", "lifeHours", "life",
                               "averageVerdict", "peakVerdict", "deratedLife", "limitingFactor",
                               "worstCaseLife", "worstCorner"});
    for (const BatteryComparisonRow& row : comparison.rows) {
        csv += CsvLine({std::to_string(row.index), row.description,
                        row.index == workspace.batteryIndex() ? "1" : "0",
                        HoursText(row.lifeHours), row.lifeText, row.averageVerdict,
                        row.peakVerdict, row.deratedLifeText, row.limitingFactor,
                        row.worst ? row.worst->lifeText : "", row.worstCorner});
    }
    return csv;
}

std::string OperatingPointMatrixJsonOf(const Workspace& workspace) {
    const OperatingPointMatrix matrix = ComputeOperatingPointMatrix(workspace);
    Json points = Json::array();
    for (std::size_t v = 0; v < matrix.voltages.size(); ++v) {
        for (std::size_t t = 0; t < matrix.temperatures.size(); ++t) {
            const MatrixCell& cell = matrix.at(v, t);
            Json object = Json::object();
            object["voltage"] = Text(matrix.voltages[v]);
            object["temperature"] = Text(matrix.temperatures[t]);
            object["selected"] = static_cast<int>(v) == matrix.selectedVoltage &&
                                 static_cast<int>(t) == matrix.selectedTemperature;
            object["available"] = cell.available;
            object["life"] = {{"hours", LifeHours(cell.lifeHours)}, {"text", Text(cell.text)}};
            object["reason"] = cell.available ? Json(nullptr) : Text(cell.reason);
            points.push_back(std::move(object));
        }
    }
    Json document = Json::object();
    document["format"] = "runwell-operating-points";
    document["version"] = 1;
    const BatteryRecord* battery = workspace.currentBattery();
    document["battery"] = battery != nullptr ? Text(battery->description) : Json(nullptr);
    document["points"] = std::move(points);
    return document.dump(2) + "\n";
}

std::string OperatingPointMatrixCsvOf(const Workspace& workspace) {
    const OperatingPointMatrix matrix = ComputeOperatingPointMatrix(workspace);
    std::string csv =
        CsvLine({"voltage", "temperature", "selected", "available", "lifeHours", "life", "reason"});
    for (std::size_t v = 0; v < matrix.voltages.size(); ++v) {
        for (std::size_t t = 0; t < matrix.temperatures.size(); ++t) {
            const MatrixCell& cell = matrix.at(v, t);
            const bool selected = static_cast<int>(v) == matrix.selectedVoltage &&
                                  static_cast<int>(t) == matrix.selectedTemperature;
            csv += CsvLine({matrix.voltages[v], matrix.temperatures[t], selected ? "1" : "0",
                            cell.available ? "1" : "0", HoursText(cell.lifeHours), cell.text,
                            cell.reason});
        }
    }
    return csv;
}

nlohmann::ordered_json ChargeShareJson(const Workspace& workspace) {
    const ChargeShare share = ComputeChargeShare(workspace.modes(), workspace.currentBattery());
    Json lines = Json::array();
    for (const ChargeShareLine& line : share.modes) {
        lines.push_back(ShareLineJson(line));
    }
    if (share.hasSelfDischarge) {
        lines.push_back(ShareLineJson(share.selfDischarge));
    }
    lines.push_back(ShareLineJson(share.total));
    return lines;
}

}  // namespace runwell
