#include <charconv>
#include <sstream>
#include <string>

#include "cell/ModelJson.h"
#include "power/Regulator.h"
#include "power/RegulatorRules.h"

namespace runwell {

namespace {

using model_json::Json;

/// The shortest text that reads back to exactly `value`.
std::string Number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string Quoted(const std::string& text) {
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

/// A table object on its own lines, its points in rows of four.
void WriteTable(std::ostringstream& out, const std::string& indent,
                const InterpolationTable& table, const std::string& source) {
    out << "{\"source\": " << Quoted(source) << ",\n" << indent << "  \"points\": [";
    const auto& points = table.points();
    for (std::size_t i = 0; i < points.size(); ++i) {
        out << (i == 0 ? "" : ",") << (i % 4 == 0 ? "\n" + indent + "    " : " ") << '['
            << Number(points[i].first) << ", " << Number(points[i].second) << ']';
    }
    out << "]}";
}

}  // namespace

std::string WriteRegulator(const Regulator& regulator) {
    std::ostringstream out;
    out << "{\n  \"format\": \"runwell-regulator\",\n  \"version\": 1,\n"
        << "  \"name\": " << Quoted(regulator.name) << ",\n"
        << "  \"part\": " << Quoted(regulator.part) << ",\n"
        << "  \"sources\": " << Quoted(regulator.sources) << ",\n"
        << "  \"kind\": \"" << RegulatorKindName(regulator.kind) << "\",\n"
        << "  \"quiescentMicroamps\": " << Number(regulator.quiescentMicroamps) << ",\n"
        << "  \"minimumInputVolts\": " << Number(regulator.minimumInputVolts) << ",\n"
        << "  \"maximumInputVolts\": " << Number(regulator.maximumInputVolts);
    if (regulator.fixedOutputVolts) {
        out << ",\n  \"fixedOutputVolts\": " << Number(*regulator.fixedOutputVolts);
    }
    if (!regulator.dropoutVsLoadMa.empty()) {
        out << ",\n  \"" << regulator_rules::kDropoutRule.key << "\": ";
        WriteTable(out, "  ", regulator.dropoutVsLoadMa, regulator.sources);
    }
    if (!regulator.efficiency.empty()) {
        out << ",\n  \"efficiency\": [";
        for (std::size_t i = 0; i < regulator.efficiency.size(); ++i) {
            const EfficiencyCurve& curve = regulator.efficiency[i];
            out << (i == 0 ? "\n" : ",\n") << "    {\"inputVolts\": " << Number(curve.inputVolts)
                << ",\n     \"" << regulator_rules::kEfficiencyRule.key << "\": ";
            WriteTable(out, "     ", curve.efficiencyVsLoadMa, regulator.sources);
            out << '}';
        }
        out << "\n  ]";
    }
    out << "\n}\n";
    return out.str();
}

}  // namespace runwell
