#include "exchange/AnalysisOutput.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <string_view>

#include "estimate/Format.h"
#include "exchange/JsonValues.h"
#include "exchange/ResultsCsv.h"
#include "trace/TraceText.h"
#include "trace/TraceUnits.h"

namespace runwell {
namespace {

using Json = nlohmann::ordered_json;

Json Number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

Json Figure(float value) {
    return std::isfinite(value) ? Json(ShortestDouble(value)) : Json(nullptr);
}

/// Hours of a simulation, to what they can claim (and free of one system's last bits).
double RoundedHours(double hours) { return std::round(hours * 1e3) / 1e3; }

bool HasDeratedHours(const TraceBatteryFigures& b) {
    return b.hasModel && std::isfinite(b.deratedHours) && b.deratedHours > 0.0;
}

Json LayoutJson(const TraceLayout& layout) {
    const bool timed = layout.timeColumn >= 0;
    Json object = Json::object();
    object["headerLine"] = layout.headerLine;
    object["separator"] = std::string(1, layout.separator);
    object["time"] = timed ? Json(Utf8OrLatin1(layout.timeName)) : Json(nullptr);
    object["timeUnit"] = timed ? Json(UnitName(layout.timeUnit)) : Json(nullptr);
    object["sampleRate"] = timed ? Json(nullptr) : Number(layout.sampleRate);
    object["current"] = Utf8OrLatin1(layout.currentName);
    object["currentUnit"] = UnitName(layout.currentUnit);
    return object;
}

Json StatisticsJson(const TraceStatistics& s) {
    Json object = Json::object();
    object["samples"] = s.samples;
    object["from"] = Number(s.start);
    object["to"] = Number(s.end);
    object["duration"] = Number(s.duration);
    object["average"] = Number(s.average);
    object["peak"] = Number(s.peak);
    object["rms"] = Number(s.rms);
    object["charge"] = Number(s.charge);
    return object;
}

Json ModeJson(const ModeRecord& mode) {
    Json object = Json::object();
    object["label"] = Utf8OrLatin1(mode.label);
    object["duration"] = Figure(mode.duration);
    object["totalCurrent"] = Figure(mode.totalCurrent);
    object["totalCharge"] = Figure(mode.totalCharge);
    object["systemCurrent"] = Figure(mode.systemCurrent);
    return object;
}

Json BatteryJson(const TraceBatteryFigures& b, std::size_t index, bool current) {
    Json object = Json::object();
    object["index"] = index;
    object["description"] = Latin1ToUtf8(b.description);
    object["current"] = current;
    object["capacityMah"] = b.capacityMah;
    object["life"] = {{"hours", b.lifeHours != 0 ? Json(b.lifeHours) : Json(nullptr)},
                      {"text", b.lifeText}};
    object["average"] = {{"overLimit", b.averageWarning}, {"text", b.averageText}};
    object["peak"] = {{"overLimit", b.peakWarning}, {"text", b.peakText}};
    object["derated"] = {
        {"hasModel", b.hasModel},
        {"hours", HasDeratedHours(b) ? Json(RoundedHours(b.deratedHours)) : Json(nullptr)},
        {"text", b.deratedText},
        {"limitingFactor", b.limitingFactor.empty() ? Json(nullptr) : Json(b.limitingFactor)}};
    return object;
}

}  // namespace

std::string TraceJsonOf(const TraceShown& shown) {
    const TraceReadSummary& read = shown.analysis.read;
    Json problems = Json::array();
    for (const TraceProblem& problem : read.problems) {
        problems.push_back({{"line", problem.line}, {"message", Utf8OrLatin1(problem.message)}});
    }
    Json modes = Json::array();
    for (const ModeRecord& mode : shown.modes) {
        modes.push_back(ModeJson(mode));
    }
    Json batteries = Json::array();
    for (std::size_t i = 0; i < shown.batteries.size(); ++i) {
        batteries.push_back(
            BatteryJson(shown.batteries[i], i, static_cast<int>(i) == shown.currentBattery));
    }
    Json document = Json::object();
    document["format"] = "runwell-trace";
    document["version"] = 1;
    document["layout"] = LayoutJson(read.layout);
    document["malformedLines"] = read.malformedLines;
    document["problems"] = std::move(problems);
    document["statistics"] = StatisticsJson(shown.analysis.statistics);
    document["tolerance"] = Number(shown.tolerance);
    document["modes"] = std::move(modes);
    document["batteries"] = std::move(batteries);
    return document.dump(2) + "\n";
}

std::string TraceCsvOf(const TraceShown& shown) {
    std::string csv = CsvLine({"index", "description", "current", "capacityMah", "lifeHours",
                               "life", "averageOverLimit", "peakOverLimit", "deratedHours",
                               "deratedLife", "limitingFactor"});
    for (std::size_t i = 0; i < shown.batteries.size(); ++i) {
        const TraceBatteryFigures& b = shown.batteries[i];
        csv += CsvLine({std::to_string(i), b.description,
                        static_cast<int>(i) == shown.currentBattery ? "1" : "0",
                        std::to_string(b.capacityMah),
                        b.lifeHours != 0 ? std::to_string(b.lifeHours) : "", b.lifeText,
                        b.averageWarning ? "1" : "0", b.peakWarning ? "1" : "0",
                        HasDeratedHours(b) ? FormatTrimmed(b.deratedHours, 3) : "",
                        b.deratedText, b.limitingFactor});
    }
    return csv;
}

}  // namespace runwell
