#include "prediction/PredictionJson.h"

#include <algorithm>
#include <cmath>

namespace runwell {

namespace {

using Json = nlohmann::json;

constexpr double kMaxSpreadPercent = 1000.0;
constexpr std::size_t kMaxModeSpreads = 1000000;

Result<double> Percent(const Json& value, const std::string& where, double highest) {
    const double percent = value.is_number() ? value.get<double>() : std::nan("");
    if (!(percent >= 0.0 && percent <= highest)) {
        return Error{where + " must be a percentage of 0 to " +
                     std::to_string(static_cast<int>(highest))};
    }
    return percent;
}

Status ReadSpreads(const Json& object, const std::string& where, PredictionOptions& options) {
    if (object.contains("currentSpreadPercent")) {
        Result<double> percent = Percent(object.at("currentSpreadPercent"),
                                         where + ".currentSpreadPercent", kMaxSpreadPercent);
        if (!percent) {
            return percent.error();
        }
        options.currentSpreadPercent = *percent;
    }
    if (object.contains("capacitySpreadPercent")) {
        // Less than 100 %: a cell that may deliver nothing is no cell.
        Result<double> percent = Percent(object.at("capacitySpreadPercent"),
                                         where + ".capacitySpreadPercent", 99.0);
        if (!percent) {
            return percent.error();
        }
        options.capacitySpreadPercent = *percent;
    }
    if (object.contains("modeSpreadPercent")) {
        const Json& list = object.at("modeSpreadPercent");
        if (!list.is_array() || list.size() > kMaxModeSpreads) {
            return Error{where + ".modeSpreadPercent must be a list of a number or null per mode"};
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i].is_null()) {
                options.modeSpreadPercent.emplace_back();
                continue;
            }
            Result<double> percent =
                Percent(list[i], where + ".modeSpreadPercent[" + std::to_string(i) + "]",
                        kMaxSpreadPercent);
            if (!percent) {
                return percent.error();
            }
            options.modeSpreadPercent.emplace_back(*percent);
        }
    }
    if (object.contains("worstCase")) {
        if (!object.at("worstCase").is_boolean()) {
            return Error{where + ".worstCase must be true or false"};
        }
        options.worstCase = object.at("worstCase").get<bool>();
    }
    return {};
}

}  // namespace

Json PredictionOptionsJson(const PredictionOptions& options) {
    Json object = Json::object();
    if (options.regulator) {
        object["regulator"] = Json::parse(WriteRegulator(*options.regulator));
    }
    if (options.mission) {
        object["mission"] = Json::parse(WriteMission(*options.mission));
    }
    if (options.currentSpreadPercent > 0.0) {
        object["currentSpreadPercent"] = options.currentSpreadPercent;
    }
    if (!options.modeSpreadPercent.empty()) {
        Json list = Json::array();
        for (const std::optional<double>& percent : options.modeSpreadPercent) {
            list.push_back(percent ? Json(*percent) : Json(nullptr));
        }
        object["modeSpreadPercent"] = std::move(list);
    }
    if (options.capacitySpreadPercent) {
        object["capacitySpreadPercent"] = *options.capacitySpreadPercent;
    }
    if (options.worstCase) {
        object["worstCase"] = true;
    }
    return object;
}

Result<PredictionOptions> ParsePredictionOptions(const Json& object, const std::string& where) {
    if (!object.is_object()) {
        return Error{where + " must be an object"};
    }
    static constexpr const char* kKnown[] = {"regulator", "mission", "currentSpreadPercent",
                                             "modeSpreadPercent", "capacitySpreadPercent",
                                             "worstCase"};
    for (const auto& [key, value] : object.items()) {
        if (std::find(std::begin(kKnown), std::end(kKnown), key) == std::end(kKnown)) {
            return Error{where + ": unknown key \"" + key + "\""};
        }
    }
    PredictionOptions options;
    if (object.contains("regulator")) {
        Result<Regulator> regulator = ParseRegulator(object.at("regulator").dump());
        if (!regulator) {
            return Error{where + ".regulator: " + regulator.error().message};
        }
        options.regulator = std::move(*regulator);
    }
    if (object.contains("mission")) {
        Result<Mission> mission = ParseMission(object.at("mission").dump());
        if (!mission) {
            return Error{where + ".mission: " + mission.error().message};
        }
        options.mission = std::move(*mission);
    }
    if (Status spreads = ReadSpreads(object, where, options); !spreads) {
        return spreads.error();
    }
    return options;
}

}  // namespace runwell
