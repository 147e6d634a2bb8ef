#include "cell/BatteryModel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>

#include "base/StrictJson.h"
#include "cell/ModelJson.h"

namespace runwell {

namespace {

using namespace model_json;

constexpr std::size_t kMaxContent = std::size_t{1} << 20;  // far above any real model file
constexpr int kMaxNesting = 8;                              // the format nests six deep

/// The format, version, battery name, sources and comment of a model file, into `model`.
Status ReadIdentity(const Json& root, BatteryModel& model) {
    if (!root.contains("format") || root.at("format") != "runwell-battery-model") {
        return Error{"\"format\" must be \"runwell-battery-model\"."};
    }
    if (!root.contains("version") || !root.at("version").is_number_integer() ||
        (root.at("version") != 1 && root.at("version") != 2)) {
        return Error{"\"version\" must be 1 or 2; this version of the program reads those "
                     "only."};
    }
    model.version = root.at("version").get<int>();
    if (!root.contains("battery") || !root.at("battery").is_string() ||
        root.at("battery").get<std::string>().empty()) {
        return Error{"\"battery\" must name the battery's description in the catalogue."};
    }
    model.battery = root.at("battery").get<std::string>();
    if (!root.contains("sources") || !root.at("sources").is_array() ||
        root.at("sources").empty()) {
        return Error{"\"sources\" must list the datasheets the figures come from."};
    }
    for (const Json& source : root.at("sources")) {
        if (!source.is_string() || source.get<std::string>().empty()) {
            return Error{"\"sources\": every entry must be a text that is not empty."};
        }
        if (!model.sources.empty()) {
            model.sources += '\n';
        }
        model.sources += source.get<std::string>();
    }
    if (root.contains("comment")) {
        if (!root.at("comment").is_string()) {
            return Error{"\"comment\" must be a text."};
        }
        model.comment = root.at("comment").get<std::string>();
    }
    return {};
}

/// The "selfDischarge" object: its source, the rate at 20 C and how it doubles with warmth.
Status ReadSelfDischarge(const Json& self, BatteryModel& model) {
    const std::string where = "selfDischarge: ";
    if (!self.is_object()) {
        return Error{where + "must be an object with \"source\" and \"percentPerYearAt20C\"."};
    }
    if (Status keys = CheckKeys(self, {"source", "percentPerYearAt20C", "doublingPerC"},
                                where);
        !keys) {
        return keys.error();
    }
    if (Result<std::string> source = ReadSource(self, where); !source) {
        return source.error();
    }
    if (!self.contains("percentPerYearAt20C")) {
        return Error{where + "\"percentPerYearAt20C\" is missing."};
    }
    Result<double> rate = ReadNumber(self, "percentPerYearAt20C", 0.0, 99.0, false, where);
    if (!rate) {
        return rate.error();
    }
    model.selfDischargePercentPerYear = *rate;
    if (self.contains("doublingPerC")) {
        Result<double> doubling = ReadNumber(self, "doublingPerC", 1.0, 1000.0, false, where);
        if (!doubling) {
            return doubling.error();
        }
        model.selfDischargeDoublingC = *doubling;
    }
    return {};
}

Result<BatteryModel> ReadModel(const Json& root) {
    if (!root.is_object()) {
        return Error{"The file must hold one JSON object."};
    }
    const bool version2 = root.contains("version") && root.at("version") == 2;
    Status keys = !version2
                      ? CheckKeys(root,
                                  {"format", "version", "battery", "sources", "comment",
                                   "cutoffVoltage", kCapacityRule.key,
                                   kCapacityTemperatureRule.key, kOcvRule.key,
                                   kResistanceRule.key, kResistanceTemperatureRule.key,
                                   "selfDischarge", "shelfLifeYears"},
                                  "")
                      : CheckKeys(root,
                                  {"format", "version", "battery", "sources", "comment",
                                   "cutoffVoltage", kCapacityRule.key,
                                   kCapacityTemperatureRule.key, kOcvRule.key,
                                   kResistanceRule.key, kResistanceTemperatureRule.key,
                                   "selfDischarge", "shelfLifeYears", "cells",
                                   "referenceTemperatureC", "polarisation", "temperatures",
                                   "measuredRange", "fit", "capacitySpread"},
                                  "");
    if (!keys) {
        return keys.error();
    }
    BatteryModel model;
    if (Status identity = ReadIdentity(root, model); !identity) {
        return identity.error();
    }
    if (!root.contains("cutoffVoltage")) {
        return Error{"\"cutoffVoltage\", the end voltage of the rated-capacity test, is missing."};
    }
    Result<double> cutoff = ReadNumber(root, "cutoffVoltage", 0.0, 100.0, true, "");
    if (!cutoff) {
        return cutoff.error();
    }
    model.cutoffVoltage = *cutoff;

    const std::pair<const TableRule*, InterpolationTable*> tables[] = {
        {&kCapacityRule, &model.capacityVsCurrent},
        {&kCapacityTemperatureRule, &model.capacityFactorVsTemperature},
        {&kOcvRule, &model.openCircuitVoltageVsDepth},
        {&kResistanceRule, &model.resistanceVsDepth},
        {&kResistanceTemperatureRule, &model.resistanceFactorVsTemperature},
    };
    for (const auto& [rule, target] : tables) {
        if (!root.contains(rule->key)) {
            continue;
        }
        Result<InterpolationTable> table = ReadTable(root, *rule);
        if (!table) {
            return table.error();
        }
        *target = std::move(*table);
    }

    if (root.contains("selfDischarge")) {
        if (Status self = ReadSelfDischarge(root.at("selfDischarge"), model); !self) {
            return self.error();
        }
    }
    if (root.contains("shelfLifeYears")) {
        Result<double> shelf = ReadNumber(root, "shelfLifeYears", 0.0, 1000.0, true, "");
        if (!shelf) {
            return shelf.error();
        }
        model.shelfLifeYears = *shelf;
    }
    if (model.version == 2) {
        if (Status parts = ReadVersion2(root, model); !parts) {
            return parts.error();
        }
    }
    return model;
}

}  // namespace

double InterpolationTable::At(double x, double fallback) const {
    if (points_.empty()) {
        return fallback;
    }
    if (!(x > points_.front().first)) {  // also NaN
        return points_.front().second;
    }
    if (x >= points_.back().first) {
        return points_.back().second;
    }
    const auto upper = std::upper_bound(points_.begin(), points_.end(), x,
                                        [](double value, const auto& point) {
                                            return value < point.first;
                                        });
    const auto lower = upper - 1;
    const double share = (x - lower->first) / (upper->first - lower->first);
    return lower->second + share * (upper->second - lower->second);
}

Result<BatteryModel> ParseBatteryModel(std::string_view content) {
    if (content.size() > kMaxContent) {
        return Error{"The file is larger than 1 MiB; a battery model is a few kilobytes."};
    }
    if (NestingDepth(content) > kMaxNesting) {
        return Error{"The file nests lists or objects deeper than the format does."};
    }
    Json root;
    try {
        root = Json::parse(content.begin(), content.end());
    } catch (const Json::parse_error& error) {
        return Error{"The file is not valid JSON (near byte " + std::to_string(error.byte) +
                     ")."};
    } catch (const Json::out_of_range&) {
        return Error{"The file holds a number beyond the range of a real number."};
    } catch (const Json::exception&) {
        return Error{"The file is not valid JSON."};
    }
    // A key given twice would leave only its last value in `root`: refused, as in every JSON
    // file the program reads.
    StrictJsonSax<Json> strict(kMaxNesting + 1, "");
    if (!Json::sax_parse(content.begin(), content.end(), &strict) && !strict.refusal().empty()) {
        std::string message = strict.refusal();
        message[0] = 'T';  // "the key 'x' is given twice"
        return Error{message + "; each key may appear once in an object."};
    }
    try {
        return ReadModel(root);
    } catch (const Json::exception&) {
        // A type the checks above did not foresee; never a crash.
        return Error{"The file holds a value of an unexpected type."};
    }
}

}  // namespace runwell
