#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>

#include "cell/ModelJson.h"

namespace runwell::model_json {

namespace {

constexpr std::size_t kMaxTemperatures = 16;

/// A [low, high] pair of numbers within [min, max] with low <= high.
Result<std::pair<double, double>> ReadBounds(const Json& object, const std::string& key,
                                             double min, double max, const std::string& where) {
    const Json& pair = object.at(key);
    const bool isPair = pair.is_array() && pair.size() == 2;
    const double low = isPair ? Number(pair[0]).value_or(NAN) : NAN;
    const double high = isPair ? Number(pair[1]).value_or(NAN) : NAN;
    if (!(low <= high && low >= min && high <= max)) {
        return Error{where + key + " must be a pair [lowest, highest] of numbers within " +
                     Describe(min) + " to " + Describe(max) + "."};
    }
    return std::pair{low, high};
}

Status ReadCells(const Json& cells, BatteryModel& model) {
    const std::string where = "cells: ";
    if (!cells.is_object()) {
        return Error{where + "must be an object with \"series\" and \"parallel\"."};
    }
    if (Status keys = CheckKeys(cells, {"series", "parallel"}, where); !keys) {
        return keys;
    }
    for (const auto& [key, target] : {std::pair{"series", &model.cellsInSeries},
                                      std::pair{"parallel", &model.cellsInParallel}}) {
        if (!cells.contains(key)) {
            continue;
        }
        const Json& count = cells.at(key);
        if (!count.is_number_integer() || count.get<long long>() < 1 ||
            count.get<long long>() > 100) {
            return Error{where + key + " must be a whole number from 1 to 100."};
        }
        *target = count.get<int>();
    }
    return {};
}

/// "polarisation": {"source", "timeConstantSeconds", "points"}.
Status ReadPolarisation(const Json& object, BatteryModel& model) {
    const std::string where = "polarisation: ";
    if (!object.is_object() || !object.contains("timeConstantSeconds")) {
        return Error{where + "must be an object with \"source\", \"timeConstantSeconds\" and "
                             "\"points\"."};
    }
    Result<double> tau = ReadNumber(object, "timeConstantSeconds", 0.0, 1e6, true, where);
    if (!tau) {
        return tau.error();
    }
    Json table = object;
    table.erase("timeConstantSeconds");
    Result<InterpolationTable> points =
        ReadTable(Json{{kPolarisationRule.key, table}}, kPolarisationRule, "polarisation/");
    if (!points) {
        return points.error();
    }
    model.polarisationSeconds = *tau;
    model.polarisationVsDepth = std::move(*points);
    return {};
}

Result<TemperatureTables> ReadTemperature(const Json& entry, const std::string& where) {
    if (!entry.is_object()) {
        return Error{where + "must be an object."};
    }
    if (Status keys = CheckKeys(entry,
                                {"temperatureC", "source", "capacityMah", kOcvRule.key,
                                 kResistanceRule.key, kPolarisationRule.key,
                                 "polarisationSeconds"},
                                where);
        !keys) {
        return keys.error();
    }
    TemperatureTables tables;
    if (!entry.contains("temperatureC")) {
        return Error{where + "\"temperatureC\" is missing."};
    }
    Result<double> temperature = ReadNumber(entry, "temperatureC", -100.0, 200.0, false, where);
    Result<std::string> source = ReadSource(entry, where);
    if (!temperature || !source) {
        return !temperature ? temperature.error() : source.error();
    }
    tables.temperatureC = *temperature;
    tables.source = *source;
    if (entry.contains("capacityMah")) {
        Result<double> capacity = ReadNumber(entry, "capacityMah", 0.0, 1e9, true, where);
        if (!capacity) {
            return capacity.error();
        }
        tables.capacityMah = *capacity;
    }
    if (entry.contains("polarisationSeconds")) {
        Result<double> tau = ReadNumber(entry, "polarisationSeconds", 0.0, 1e6, true, where);
        if (!tau) {
            return tau.error();
        }
        tables.polarisationSeconds = *tau;
    }
    for (const auto& [rule, target] :
         {std::pair{&kOcvRule, &tables.openCircuitVoltageVsDepth},
          std::pair{&kResistanceRule, &tables.resistanceVsDepth},
          std::pair{&kPolarisationRule, &tables.polarisationVsDepth}}) {
        if (entry.contains(rule->key)) {
            Result<InterpolationTable> table = ReadTable(entry, *rule, where);
            if (!table) {
                return table.error();
            }
            *target = std::move(*table);
        }
    }
    return tables;
}

Status ReadTemperatures(const Json& list, BatteryModel& model) {
    if (!list.is_array() || list.size() > kMaxTemperatures) {
        return Error{"temperatures: must be a list of at most " +
                     std::to_string(kMaxTemperatures) + " entries."};
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string where = "temperatures: entry " + std::to_string(i + 1) + ": ";
        Result<TemperatureTables> tables = ReadTemperature(list[i], where);
        if (!tables) {
            return tables.error();
        }
        const double previous = model.temperatures.empty()
                                    ? -1e9
                                    : model.temperatures.back().temperatureC;
        if (tables->temperatureC <= previous ||
            tables->temperatureC == model.referenceTemperatureC) {
            return Error{where + "the temperatures must rise from entry to entry and differ "
                                 "from referenceTemperatureC."};
        }
        model.temperatures.push_back(std::move(*tables));
    }
    return {};
}

Status ReadRange(const Json& object, MeasuredRange& range) {
    const std::string where = "measuredRange: ";
    if (!object.is_object()) {
        return Error{where + "must be an object."};
    }
    if (Status keys = CheckKeys(object,
                                {"source", "currentMa", "longestPulseSeconds", "temperatureC",
                                 "lowestEndVoltage"},
                                where);
        !keys) {
        return keys;
    }
    Result<std::string> source = ReadSource(object, where);
    if (!source) {
        return source.error();
    }
    range.source = *source;
    if (object.contains("currentMa")) {
        auto bounds = ReadBounds(object, "currentMa", 0.0, 1e7, where);
        if (!bounds) {
            return bounds.error();
        }
        std::tie(range.lowestCurrentMa, range.highestCurrentMa) = std::pair(
            std::optional(bounds->first), std::optional(bounds->second));
    }
    if (object.contains("temperatureC")) {
        auto bounds = ReadBounds(object, "temperatureC", -100.0, 200.0, where);
        if (!bounds) {
            return bounds.error();
        }
        range.lowestTemperatureC = bounds->first;
        range.highestTemperatureC = bounds->second;
    }
    for (const auto& [key, target] :
         {std::pair{"longestPulseSeconds", &range.longestPulseSeconds},
          std::pair{"lowestEndVoltage", &range.lowestEndVoltage}}) {
        if (object.contains(key)) {
            Result<double> value = ReadNumber(object, key, 0.0, 1e9, true, where);
            if (!value) {
                return value.error();
            }
            *target = *value;
        }
    }
    return {};
}

Status ReadFit(const Json& object, BatteryModel& model) {
    const std::string where = "fit: ";
    if (!object.is_object() || !object.contains("log") || !object.at("log").is_string() ||
        !object.contains("date") || !object.at("date").is_string() ||
        !object.contains("currentMa")) {
        return Error{where + "must be an object with \"log\", \"date\" and \"currentMa\"."};
    }
    if (Status keys = CheckKeys(object, {"log", "date", "currentMa"}, where); !keys) {
        return keys;
    }
    auto bounds = ReadBounds(object, "currentMa", 0.0, 1e7, where);
    if (!bounds) {
        return bounds.error();
    }
    model.fit = FitRecord{object.at("log").get<std::string>(),
                          object.at("date").get<std::string>(), bounds->first, bounds->second};
    return {};
}

}  // namespace

/// "capacitySpread": {"source": "...", "percent": N}, below 100.
Status ReadCapacitySpread(const Json& object, BatteryModel& model) {
    const std::string where = "capacitySpread: ";
    if (!object.is_object()) {
        return Error{where + "must be an object with \"source\" and \"percent\"."};
    }
    if (Status keys = CheckKeys(object, {"source", "percent"}, where); !keys) {
        return keys;
    }
    Result<std::string> source = ReadSource(object, where);
    if (!source) {
        return source.error();
    }
    if (!object.contains("percent")) {
        return Error{where + "needs a \"percent\"."};
    }
    Result<double> percent = ReadNumber(object, "percent", 0.0, 99.0, false, where);
    if (!percent) {
        return percent.error();
    }
    model.capacitySpreadPercent = *percent;
    model.capacitySpreadSource = *source;
    return {};
}

Status ReadVersion2(const Json& root, BatteryModel& model) {
    if (root.contains("capacitySpread")) {
        if (Status spread = ReadCapacitySpread(root.at("capacitySpread"), model); !spread) {
            return spread;
        }
    }
    if (root.contains("cells")) {
        if (Status cells = ReadCells(root.at("cells"), model); !cells) {
            return cells;
        }
    }
    if (root.contains("referenceTemperatureC")) {
        Result<double> reference =
            ReadNumber(root, "referenceTemperatureC", -100.0, 200.0, false, "");
        if (!reference) {
            return reference.error();
        }
        model.referenceTemperatureC = *reference;
    }
    if (root.contains("polarisation")) {
        if (Status polarisation = ReadPolarisation(root.at("polarisation"), model);
            !polarisation) {
            return polarisation;
        }
    }
    if (root.contains("temperatures")) {
        if (Status temperatures = ReadTemperatures(root.at("temperatures"), model);
            !temperatures) {
            return temperatures;
        }
    }
    if (root.contains("measuredRange")) {
        if (Status range = ReadRange(root.at("measuredRange"), model.range); !range) {
            return range;
        }
    }
    if (root.contains("fit")) {
        return ReadFit(root.at("fit"), model);
    }
    return {};
}

}  // namespace runwell::model_json
