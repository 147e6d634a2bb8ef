#include "persist/ResultsJson.h"

#include <nlohmann/json.hpp>

#include <cmath>

#include "model/Workspace.h"
#include "persist/JsonValues.h"

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
    return document.dump(2) + "\n";
}

}  // namespace runwell
