#include "exchange/ResultsJson.h"

#include <nlohmann/json.hpp>

#include <cmath>

#include "exchange/JsonValues.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

using Json = nlohmann::ordered_json;

Json Text(std::string_view bytes) {
    return Latin1ToUtf8(bytes);
}

Json Figure(float value) {
    return std::isfinite(value) ? Json(ShortestDouble(value)) : Json(nullptr);
}

/// A limit of 0 is never checked, so it is shown as none.
Json Limit(const BatteryRecord* battery, float BatteryRecord::*limit) {
    return battery != nullptr && battery->*limit != 0.0f ? Figure(battery->*limit)
                                                         : Json(nullptr);
}

Json Cells(const std::array<std::string, 7>& cells) {
    Json list = Json::array();
    for (const std::string& cell : cells) {
        list.push_back(Text(cell));
    }
    return list;
}

Json BatteryJson(const Workspace& workspace) {
    const BatteryRecord* battery = workspace.currentBattery();
    if (battery == nullptr) {
        return nullptr;
    }
    Json object = Json::object();
    object["index"] = workspace.batteryIndex();
    object["description"] = Text(battery->description);
    object["capacityMah"] = battery->capacityMah;
    object["selfDischargePercent"] = Figure(battery->selfDischargePercent);
    object["selfDischargeCurrent"] = Figure(battery->selfDischargeCurrent);
    object["nominalVoltage"] = Text(battery->nominalVoltage);
    object["maxContinuousCurrent"] = Figure(battery->maxContinuousCurrent);
    object["maxPulseCurrent"] = Figure(battery->maxPulseCurrent);
    object["notes"] = Text(battery->notes);
    object["cells"] = Cells(workspace.batteryRows()[static_cast<std::size_t>(workspace.batteryIndex())]);
    return object;
}

Json ModeJson(const ModeRecord& mode, const ModeCells& cells) {
    Json object = Json::object();
    object["label"] = Text(mode.label);
    object["operatingMode"] = Text(mode.operatingMode);
    object["frequency"] = Text(mode.frequency);
    object["duration"] = Figure(mode.duration);
    object["totalCurrent"] = Figure(mode.totalCurrent);
    object["totalCharge"] = Figure(mode.totalCharge);
    object["systemCurrent"] = Figure(mode.systemCurrent);
    Json flags = Json::array();
    for (std::size_t k = 0; k < mode.peripheralFlags.size(); ++k) {
        if (mode.peripheralFlags[k] != 0) {
            flags.push_back(k);
        }
    }
    object["peripheralFlags"] = std::move(flags);
    object["cells"] = Cells(cells);
    return object;
}

/// A simulation's figure rounded to what it can claim (and so that the last bits of one system's
/// mathematics library do not show); null when it is not a number.
Json Rounded(double value, double perUnit) {
    return std::isfinite(value) ? Json(std::round(value * perUnit) / perUnit) : Json(nullptr);
}

/// The buffer capacitor that carries the pulse a brown-out ends the life at; null without one.
Json BufferAdviceJson(const std::optional<BufferAdvice>& advice) {
    if (!advice) {
        return nullptr;
    }
    return Json{{"mode", advice->mode + 1},
                {"microfarads", advice->microfarads},
                {"leakageMicroamps", Rounded(advice->leakageMicroamps, 1e6)},
                {"leakageGiven", advice->leakageGiven},
                {"hours", advice->life.hours > 0.0 ? Rounded(advice->life.hours, 1e3)
                                                   : Json(nullptr)},
                {"text", BufferAdviceText(*advice)}};
}

/// The derated life of the current battery: null without a battery, "hasModel" false without
/// its model file.
Json DeratedJson(const Workspace& workspace) {
    if (workspace.currentBattery() == nullptr) {
        return nullptr;
    }
    const DeratedLife& life = workspace.derated();
    // A simulation's figures, rounded to what they can claim (and so that the last bits of
    // one system's mathematics library do not show).
    const auto number = [](double value, double perUnit) {
        return std::isfinite(value) ? Json(std::round(value * perUnit) / perUnit) : Json(nullptr);
    };
    Json object = Json::object();
    object["hasModel"] = life.hasModel;
    object["hours"] = life.hours > 0.0 ? number(life.hours, 1e3) : Json(nullptr);
    object["text"] = life.lifeText;
    object["limitingFactor"] = life.limitingFactor.empty() ? Json(nullptr)
                                                           : Json(life.limitingFactor);
    object["usableFraction"] = life.hasModel ? number(life.usableFraction, 1e6) : Json(nullptr);
    object["minimumVoltage"] = life.hasModel ? number(life.minimumVoltage, 1e4) : Json(nullptr);
    Json curve = Json::array();
    for (const VoltagePoint& point : life.curve) {
        curve.push_back(Json::array({number(point.hours, 1e3), number(point.volts, 1e4)}));
    }
    object["curve"] = std::move(curve);
    object["outsideData"] = life.outsideData.empty() ? Json(nullptr) : Json(life.outsideData);
    object["bufferAdvice"] = BufferAdviceJson(workspace.bufferAdvice());
    return object;
}

/// The power path, mission and worst case of the predicted life; null without any.
Json PredictionJson(const Workspace& workspace) {
    const PredictionOptions& options = workspace.predictionOptions();
    if (workspace.currentBattery() == nullptr || !options.Active()) {
        return nullptr;
    }
    const LifePrediction& prediction = workspace.prediction();
    const auto life = [](const DeratedLife& shown) {
        return Json{{"hours", shown.hours > 0.0 ? Rounded(shown.hours, 1e3) : Json(nullptr)},
                    {"text", shown.lifeText},
                    {"limitingFactor", shown.limitingFactor.empty()
                                           ? Json(nullptr)
                                           : Json(shown.limitingFactor)}};
    };
    Json object = Json::object();
    object["regulator"] = options.regulator ? Json(options.regulator->name) : Json(nullptr);
    object["mission"] = options.mission ? Json(options.mission->name) : Json(nullptr);
    object["batteryAverage"] = Rounded(prediction.batteryAverage, 1e3);
    object["batteryPeak"] = Rounded(prediction.batteryPeak, 1e3);
    object["limitVoltage"] = Rounded(prediction.limitVolts, 1e4);
    object["typical"] = life(prediction.typical);
    object["worstCase"] = prediction.worst ? life(*prediction.worst) : Json(nullptr);
    object["worstCorner"] =
        prediction.worst ? Json(prediction.worstCorner) : Json(nullptr);
    object["capacitySpreadPercent"] = prediction.capacitySpreadPercent;
    object["capacitySpreadSource"] = prediction.capacitySpreadSource.empty()
                                         ? Json(nullptr)
                                         : Json(prediction.capacitySpreadSource);
    object["problem"] = prediction.problem.empty() ? Json(nullptr) : Json(prediction.problem);
    object["note"] = prediction.note.empty() ? Json(nullptr) : Json(prediction.note);
    object["text"] = PredictionRangeText(prediction);
    return object;
}

}  // namespace

std::string ResultsJsonOf(const Workspace& workspace) {
    const ProfileResults& results = workspace.results();
    const BatteryRecord* battery = workspace.currentBattery();
    Json document = Json::object();
    document["format"] = "runwell-results";
    document["version"] = 1;
    document["device"] = Text(workspace.deviceName());
    document["voltage"] = Text(workspace.voltage());
    document["temperature"] = Text(workspace.temperature());
    document["battery"] = BatteryJson(workspace);
    Json modes = Json::array();
    for (std::size_t i = 0; i < workspace.modes().size() && i < results.rows.size(); ++i) {
        modes.push_back(ModeJson(workspace.modes()[i], results.rows[i]));
    }
    document["modes"] = std::move(modes);
    document["average"] = {{"current", Figure(results.average)},
                           {"text", Text(results.averageText)},
                           {"limit", Limit(battery, &BatteryRecord::maxContinuousCurrent)},
                           {"overLimit", results.averageWarning}};
    document["peak"] = {{"current", results.peak},
                        {"text", Text(results.peakText)},
                        {"limit", Limit(battery, &BatteryRecord::maxPulseCurrent)},
                        {"overLimit", results.peakWarning}};
    document["life"] = {
        {"hours", results.lifeHours != 0 ? Json(results.lifeHours) : Json(nullptr)},
        {"text", Text(results.lifeText)}};
    document["chargeShare"] = ChargeShareJson(workspace);
    document["minimumVoltage"] = workspace.minimumVoltage() ? Json(*workspace.minimumVoltage())
                                                            : Json(nullptr);
    document["derated"] = DeratedJson(workspace);
    document["prediction"] = PredictionJson(workspace);
    return document.dump(2) + "\n";
}

}  // namespace runwell
