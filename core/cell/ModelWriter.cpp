#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cell/ModelJson.h"

namespace runwell {

namespace {

using model_json::Json;

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string Quoted(const std::string& text) {
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

/// Writes a file as one key per line, tables with their points on rows of six.
class Writer {
public:
    void Key(const std::string& indent, const char* key) {
        out_ << (first_ ? "" : ",\n") << indent << '"' << key << "\": ";
        first_ = false;
    }
    void Field(const std::string& indent, const char* key, const std::string& value) {
        Key(indent, key);
        out_ << value;
    }
    /// A table object; `extra` is a field written after its points.
    void Table(const std::string& indent, const char* key, const InterpolationTable& table,
               const std::string& source, const std::string& extra = "") {
        if (table.empty()) {
            return;
        }
        Key(indent, key);
        out_ << "{\"source\": " << Quoted(source) << ",\n" << indent << "  \"points\": [";
        const auto& points = table.points();
        for (std::size_t i = 0; i < points.size(); ++i) {
            out_ << (i == 0 ? "" : ",") << (i % 6 == 0 ? "\n" + indent + "    " : " ") << '['
                 << Number(points[i].first) << ", " << Number(points[i].second) << ']';
        }
        out_ << ']' << (extra.empty() ? "" : ",\n" + indent + "  " + extra) << '}';
    }
    void Open(const std::string& indent, const char* key) {
        Key(indent, key);
        out_ << "{\n";
        first_ = true;
    }
    void Close(const std::string& indent) {
        out_ << '\n' << indent << '}';
        first_ = false;
    }
    std::ostringstream& out() { return out_; }
    void Restart() { first_ = true; }

private:
    std::ostringstream out_;
    bool first_ = true;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Pair(double low, double high) { return "[" + Number(low) + ", " + Number(high) + "]"; }

void WriteRange(Writer& w, const MeasuredRange& range, const std::string& fallbackSource) {
    w.Open("  ", "measuredRange");
    w.Field("    ", "source", Quoted(range.source.empty() ? fallbackSource : range.source));
    if (range.lowestCurrentMa && range.highestCurrentMa) {
        w.Field("    ", "currentMa", Pair(*range.lowestCurrentMa, *range.highestCurrentMa));
    }
    if (range.longestPulseSeconds) {
        w.Field("    ", "longestPulseSeconds", Number(*range.longestPulseSeconds));
    }
    if (range.lowestTemperatureC && range.highestTemperatureC) {
        w.Field("    ", "temperatureC",
                Pair(*range.lowestTemperatureC, *range.highestTemperatureC));
    }
    if (range.lowestEndVoltage) {
        w.Field("    ", "lowestEndVoltage", Number(*range.lowestEndVoltage));
    }
    w.Close("  ");
}

void WriteTemperatures(Writer& w, const std::vector<TemperatureTables>& temperatures) {
    w.Key("  ", "temperatures");
    w.out() << '[';
    for (std::size_t i = 0; i < temperatures.size(); ++i) {
        const TemperatureTables& t = temperatures[i];
        w.out() << (i == 0 ? "" : ",") << "\n    {\n";
        w.Restart();
        w.Field("      ", "temperatureC", Number(t.temperatureC));
        w.Field("      ", "source", Quoted(t.source));
        if (t.capacityMah) {
            w.Field("      ", "capacityMah", Number(*t.capacityMah));
        }
        w.Table("      ", "openCircuitVoltageVsDepth", t.openCircuitVoltageVsDepth, t.source);
        w.Table("      ", "resistanceVsDepth", t.resistanceVsDepth, t.source);
        w.Table("      ", "polarisationVsDepth", t.polarisationVsDepth, t.source);
        if (t.polarisationSeconds) {
            w.Field("      ", "polarisationSeconds", Number(*t.polarisationSeconds));
        }
        w.Close("    ");
    }
    w.out() << "]";
}

}  // namespace

std::string WriteBatteryModel(const BatteryModel& model) {
    const std::vector<std::string> sources = Lines(model.sources);
    const std::string source = sources.empty() ? std::string("unknown") : sources.front();
    Writer w;
    w.out() << "{\n";
    w.Field("  ", "format", "\"runwell-battery-model\"");
    w.Field("  ", "version", "2");
    w.Field("  ", "battery", Quoted(model.battery));
    w.Key("  ", "sources");
    w.out() << '[';
    for (std::size_t i = 0; i < sources.size(); ++i) {
        w.out() << (i == 0 ? "\n    " : ",\n    ") << Quoted(sources[i]);
    }
    w.out() << (sources.empty() ? "\"unknown\"]" : "]");
    if (!model.comment.empty()) {
        w.Field("  ", "comment", Quoted(model.comment));
    }
    w.Field("  ", "cutoffVoltage", Number(model.cutoffVoltage));
    if (model.cellsInSeries != 1 || model.cellsInParallel != 1) {
        w.Field("  ", "cells",
                "{\"series\": " + std::to_string(model.cellsInSeries) +
                    ", \"parallel\": " + std::to_string(model.cellsInParallel) + "}");
    }
    w.Field("  ", "referenceTemperatureC", Number(model.referenceTemperatureC));
    w.Table("  ", "capacityVsCurrent", model.capacityVsCurrent, source);
    w.Table("  ", "capacityFactorVsTemperature", model.capacityFactorVsTemperature, source);
    w.Table("  ", "openCircuitVoltageVsDepth", model.openCircuitVoltageVsDepth, source);
    w.Table("  ", "resistanceVsDepth", model.resistanceVsDepth, source);
    w.Table("  ", "resistanceFactorVsTemperature", model.resistanceFactorVsTemperature, source);
    if (!model.polarisationVsDepth.empty() && model.polarisationSeconds > 0.0) {
        w.Table("  ", "polarisation", model.polarisationVsDepth, source,
                "\"timeConstantSeconds\": " + Number(model.polarisationSeconds));
    }
    if (!model.temperatures.empty()) {
        WriteTemperatures(w, model.temperatures);
    }
    if (model.selfDischargePercentPerYear) {
        w.Field("  ", "selfDischarge",
                "{\"source\": " + Quoted(source) + ", \"percentPerYearAt20C\": " +
                    Number(*model.selfDischargePercentPerYear) + ", \"doublingPerC\": " +
                    Number(model.selfDischargeDoublingC) + "}");
    }
    if (model.shelfLifeYears) {
        w.Field("  ", "shelfLifeYears", Number(*model.shelfLifeYears));
    }
    if (model.capacitySpreadPercent) {
        w.Field("  ", "capacitySpread",
                "{\"source\": " + Quoted(model.capacitySpreadSource) +
                    ", \"percent\": " + Number(*model.capacitySpreadPercent) + "}");
    }
    const MeasuredRange& range = model.range;
    if (range.lowestCurrentMa || range.longestPulseSeconds || range.lowestTemperatureC ||
        range.lowestEndVoltage) {
        WriteRange(w, range, source);
    }
    if (model.fit) {
        w.Field("  ", "fit",
                "{\"log\": " + Quoted(model.fit->log) + ", \"date\": " + Quoted(model.fit->date) +
                    ", \"currentMa\": " +
                    Pair(model.fit->lowestCurrentMa, model.fit->highestCurrentMa) + "}");
    }
    w.out() << "\n}\n";
    return w.out().str();
}

}  // namespace runwell
