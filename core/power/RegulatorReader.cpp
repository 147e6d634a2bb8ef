#include <cctype>
#include <cstddef>
#include <string>
#include <utility>

#include "base/StrictJson.h"
#include "cell/ModelJson.h"
#include "power/Regulator.h"
#include "power/RegulatorRules.h"

namespace runwell {

namespace {

using namespace model_json;
using namespace regulator_rules;

constexpr std::size_t kMaxContent = std::size_t{1} << 20;  // a regulator file is a few kB
constexpr std::size_t kMaxNesting = 6;                     // the format nests five deep

/// A non-empty text field.
Result<std::string> ReadText(const Json& root, const char* key, const char* meaning) {
    if (!root.contains(key) || !root.at(key).is_string() ||
        root.at(key).get<std::string>().empty()) {
        return Error{std::string("\"") + key + "\" must be a text naming " + meaning + "."};
    }
    return root.at(key).get<std::string>();
}

Result<RegulatorKind> ReadKind(const Json& root) {
    for (const RegulatorKind kind : {RegulatorKind::kLinear, RegulatorKind::kBuck,
                                     RegulatorKind::kBoost, RegulatorKind::kBuckBoost}) {
        if (root.contains("kind") && root.at("kind") == RegulatorKindName(kind)) {
            return kind;
        }
    }
    return Error{"\"kind\" must be \"linear\", \"buck\", \"boost\" or \"buck-boost\"."};
}

/// A required number field within (0, 100] volts.
Result<double> ReadVolts(const Json& root, const char* key) {
    if (!root.contains(key)) {
        return Error{std::string("\"") + key + "\" is missing."};
    }
    return ReadNumber(root, key, 0.0, kMaxVolts, true, "");
}

Result<EfficiencyCurve> ReadCurve(const Json& entry, const std::string& where) {
    if (!entry.is_object()) {
        return Error{where + ": must be an object with \"inputVolts\" and \"" +
                     kEfficiencyRule.key + "\"."};
    }
    if (Status keys = CheckKeys(entry, {"inputVolts", kEfficiencyRule.key}, where + ": "); !keys) {
        return keys.error();
    }
    if (!entry.contains("inputVolts") || !entry.contains(kEfficiencyRule.key)) {
        return Error{where + ": needs \"inputVolts\" and \"" + kEfficiencyRule.key + "\"."};
    }
    Result<double> volts = ReadNumber(entry, "inputVolts", 0.0, kMaxVolts, true, where + ".");
    if (!volts) {
        return volts.error();
    }
    Result<InterpolationTable> table = ReadTable(entry, kEfficiencyRule, where + ".");
    if (!table) {
        return table.error();
    }
    return EfficiencyCurve{*volts, std::move(*table)};
}

/// "efficiency": curves at rising input voltages; a switching regulator needs one at least, a
/// linear one passes the current through and has none.
Status ReadEfficiency(const Json& root, Regulator& regulator) {
    if (!HasEfficiencyCurves(regulator.kind)) {
        return root.contains("efficiency")
                   ? Status(Error{"efficiency: a linear regulator has no efficiency curves; "
                                  "its battery current is the load plus its quiescent "
                                  "current."})
                   : Status();
    }
    if (!root.contains("efficiency") || !root.at("efficiency").is_array() ||
        root.at("efficiency").empty() || root.at("efficiency").size() > kMaxCurves) {
        return Error{"efficiency: a switching regulator needs a list of 1 to " +
                     std::to_string(kMaxCurves) + " curves, one for each input voltage."};
    }
    const Json& list = root.at("efficiency");
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string where = "efficiency[" + std::to_string(i) + "]";
        Result<EfficiencyCurve> curve = ReadCurve(list[i], where);
        if (!curve) {
            return curve.error();
        }
        if (!regulator.efficiency.empty() &&
            curve->inputVolts <= regulator.efficiency.back().inputVolts) {
            return Error{where + ".inputVolts: the curves' input voltages must rise from curve "
                                 "to curve."};
        }
        regulator.efficiency.push_back(std::move(*curve));
    }
    return {};
}

Status ReadLimits(const Json& root, Regulator& regulator) {
    Result<double> quiescent = root.contains("quiescentMicroamps")
                                   ? ReadNumber(root, "quiescentMicroamps", 0.0,
                                                kMaxQuiescentMicroamps, false, "")
                                   : Result<double>(Error{"\"quiescentMicroamps\" is missing."});
    Result<double> lowest = ReadVolts(root, "minimumInputVolts");
    Result<double> highest = ReadVolts(root, "maximumInputVolts");
    for (const Result<double>* read : {&quiescent, &lowest, &highest}) {
        if (!*read) {
            return read->error();
        }
    }
    if (*lowest >= *highest) {
        return Error{"minimumInputVolts must lie below maximumInputVolts."};
    }
    regulator.quiescentMicroamps = *quiescent;
    regulator.minimumInputVolts = *lowest;
    regulator.maximumInputVolts = *highest;
    if (root.contains("fixedOutputVolts")) {
        Result<double> fixed = ReadVolts(root, "fixedOutputVolts");
        if (!fixed) {
            return fixed.error();
        }
        regulator.fixedOutputVolts = *fixed;
    }
    if (root.contains(kDropoutRule.key) && !HasDropoutTable(regulator.kind)) {
        return Error{std::string(kDropoutRule.key) + ": only a linear or buck regulator has a "
                                                     "dropout."};
    }
    if (!root.contains(kDropoutRule.key) && regulator.kind == RegulatorKind::kLinear) {
        return Error{std::string(kDropoutRule.key) + ": a linear regulator needs its dropout "
                                                     "against load."};
    }
    if (root.contains(kDropoutRule.key)) {
        Result<InterpolationTable> dropout = ReadTable(root, kDropoutRule);
        if (!dropout) {
            return dropout.error();
        }
        regulator.dropoutVsLoadMa = std::move(*dropout);
    }
    return {};
}

Result<Regulator> ReadRegulator(const Json& root) {
    if (!root.is_object()) {
        return Error{"The file must hold one JSON object."};
    }
    if (Status keys = CheckKeys(root,
                                {"format", "version", "name", "part", "sources", "kind",
                                 "quiescentMicroamps", kDropoutRule.key, "minimumInputVolts",
                                 "maximumInputVolts", "efficiency", "fixedOutputVolts"},
                                "");
        !keys) {
        return keys.error();
    }
    if (!root.contains("format") || root.at("format") != "runwell-regulator") {
        return Error{"\"format\" must be \"runwell-regulator\"."};
    }
    if (!root.contains("version") || !root.at("version").is_number_integer() ||
        root.at("version") != 1) {
        return Error{"\"version\" must be 1; this version of the program reads that only."};
    }
    Regulator regulator;
    Result<std::string> name = ReadText(root, "name", "the regulator as the program shows it");
    Result<std::string> part = ReadText(root, "part", "the maker's part and output option");
    Result<std::string> sources = ReadText(root, "sources", "the datasheets of its figures");
    Result<RegulatorKind> kind = ReadKind(root);
    if (!name || !part || !sources || !kind) {
        return !name ? name.error() : !part ? part.error() : !sources ? sources.error()
                                                                       : kind.error();
    }
    regulator.name = std::move(*name);
    regulator.part = std::move(*part);
    regulator.sources = std::move(*sources);
    regulator.kind = *kind;
    if (Status limits = ReadLimits(root, regulator); !limits) {
        return limits.error();
    }
    if (Status efficiency = ReadEfficiency(root, regulator); !efficiency) {
        return efficiency.error();
    }
    return regulator;
}

}  // namespace

Result<Regulator> ParseRegulator(std::string_view content) {
    if (content.size() > kMaxContent) {
        return Error{"The file is larger than 1 MiB; a regulator file is a few kilobytes."};
    }
    // The strict pass first: it bounds the nesting before the library builds any value, and
    // refuses a key given twice, which would otherwise leave only its last value.
    StrictJsonSax<Json> strict(kMaxNesting, "the file nests lists or objects deeper than the "
                                            "format does");
    if (!Json::sax_parse(content.begin(), content.end(), &strict)) {
        std::string message = strict.refusal().empty() ? "not valid JSON" : strict.refusal();
        message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
        return Error{message + "."};
    }
    try {
        return ReadRegulator(Json::parse(content.begin(), content.end()));
    } catch (const Json::exception&) {
        // A type the checks above did not foresee; never a crash.
        return Error{"The file holds a value of an unexpected type."};
    }
}

}  // namespace runwell
