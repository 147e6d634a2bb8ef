// The mission file: reading (strict keys, messages naming the field) and writing.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "base/StrictJson.h"
#include "cell/ModelJson.h"
#include "mission/Mission.h"

namespace runwell {

namespace {

using model_json::Json;
using model_json::Number;

constexpr std::size_t kMaxContent = std::size_t{16} << 20;  // 100,000 points take about 3 MiB
constexpr int kMaxNesting = 3;                              // the file, "points", one point
constexpr const char* kFormat = "runwell-mission";

constexpr const char* kCommonKeys[] = {"format", "version", "name", "source", "kind", "storage"};

struct KindFields {
    MissionKind kind;
    std::initializer_list<const char*> keys;
};
const KindFields kKindFields[] = {
    {MissionKind::kConstant, {"temperatureC"}},
    {MissionKind::kMonthly, {"monthlyC"}},
    {MissionKind::kDayNight, {"dayC", "nightC", "dayHours"}},
    {MissionKind::kSeries, {"points"}},
};

/// The number field `key` of `object`, which must be there; ranges are CheckMission's.
Result<double> ReadField(const Json& object, const char* key, const std::string& where = "") {
    if (!object.contains(key)) {
        return Error{where + "\"" + key + "\" is missing."};
    }
    const std::optional<double> number = Number(object.at(key));
    if (!number) {
        return Error{where + key + " must be a number."};
    }
    return *number;
}

Result<MissionKind> ReadKind(const Json& root) {
    if (root.contains("kind") && root.at("kind").is_string()) {
        const std::string kind = root.at("kind").get<std::string>();
        for (const KindFields& fields : kKindFields) {
            if (kind == MissionKindName(fields.kind)) {
                return fields.kind;
            }
        }
    }
    return Error{"\"kind\" must be \"constant\", \"monthly\", \"day-night\" or \"series\"."};
}

/// Fails naming the first key that is neither common to every mission nor one of `kind`'s.
Status CheckMissionKeys(const Json& root, MissionKind kind) {
    const KindFields& fields = kKindFields[static_cast<std::size_t>(kind)];
    for (auto it = root.begin(); it != root.end(); ++it) {
        const auto is = [&](const char* key) { return it.key() == key; };
        if (std::none_of(std::begin(kCommonKeys), std::end(kCommonKeys), is) &&
            std::none_of(fields.keys.begin(), fields.keys.end(), is)) {
            return Error{"\"" + it.key() + "\" is not a field of a " + MissionKindName(kind) +
                         " mission."};
        }
    }
    return {};
}

Status ReadIdentity(const Json& root, Mission& mission) {
    if (!root.contains("format") || root.at("format") != kFormat) {
        return Error{"\"format\" must be \"runwell-mission\"."};
    }
    if (!root.contains("version") || !root.at("version").is_number_integer() ||
        root.at("version") != 1) {
        return Error{"\"version\" must be 1; this version of the program reads that only."};
    }
    if (!root.contains("name") || !root.at("name").is_string()) {
        return Error{"\"name\" must be a text naming the mission."};
    }
    mission.name = root.at("name").get<std::string>();
    if (root.contains("source")) {
        if (!root.at("source").is_string()) {
            return Error{"\"source\" must be a text."};
        }
        mission.source = root.at("source").get<std::string>();
    }
    return {};
}

Status ReadMonths(const Json& root, Mission& mission) {
    if (!root.contains("monthlyC") || !root.at("monthlyC").is_array() ||
        root.at("monthlyC").size() != 12) {
        return Error{"monthlyC must be a list of 12 temperatures, January to December."};
    }
    for (std::size_t m = 0; m < 12; ++m) {
        const std::optional<double> number = Number(root.at("monthlyC")[m]);
        if (!number) {
            return Error{"monthlyC: entry " + std::to_string(m + 1) + " must be a number."};
        }
        mission.monthlyC[m] = *number;
    }
    return {};
}

Status ReadPoints(const Json& root, Mission& mission) {
    if (!root.contains("points") || !root.at("points").is_array()) {
        return Error{"points must be a list of [hours, temperature C] pairs."};
    }
    const Json& points = root.at("points");
    if (points.empty() || points.size() > kMaxSeriesPoints) {
        return Error{"points: a series needs 1 to " + std::to_string(kMaxSeriesPoints) +
                     " points."};
    }
    mission.series.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Json& point = points[i];
        const bool pair = point.is_array() && point.size() == 2;
        const std::optional<double> hours = pair ? Number(point[0]) : std::nullopt;
        const std::optional<double> temperature = pair ? Number(point[1]) : std::nullopt;
        if (!hours || !temperature) {
            return Error{"points: point " + std::to_string(i + 1) +
                         " must be a pair [hours, temperature C] of numbers."};
        }
        mission.series.emplace_back(*hours, *temperature);
    }
    return {};
}

Status ReadYear(const Json& root, Mission& mission) {
    switch (mission.kind) {
        case MissionKind::kConstant: {
            Result<double> temperature = ReadField(root, "temperatureC");
            if (!temperature) {
                return temperature.error();
            }
            mission.constantC = *temperature;
            return {};
        }
        case MissionKind::kMonthly:
            return ReadMonths(root, mission);
        case MissionKind::kDayNight:
            for (const auto& [key, target] :
                 {std::pair{"dayC", &mission.dayC}, std::pair{"nightC", &mission.nightC},
                  std::pair{"dayHours", &mission.dayHours}}) {
                Result<double> value = ReadField(root, key);
                if (!value) {
                    return value.error();
                }
                *target = *value;
            }
            return {};
        case MissionKind::kSeries:
            return ReadPoints(root, mission);
    }
    return {};
}

Status ReadStorage(const Json& root, Mission& mission) {
    if (!root.contains("storage")) {
        return {};
    }
    const Json& storage = root.at("storage");
    const std::string where = "storage: ";
    if (!storage.is_object()) {
        return Error{where + "must be an object with \"months\" and \"temperatureC\"."};
    }
    if (Status keys = model_json::CheckKeys(storage, {"months", "temperatureC"}, where); !keys) {
        return keys;
    }
    Result<double> months = ReadField(storage, "months", where);
    Result<double> temperature = ReadField(storage, "temperatureC", where);
    if (!months || !temperature) {
        return !months ? months.error() : temperature.error();
    }
    mission.storageMonths = *months;
    mission.storageC = *temperature;
    return {};
}

Result<Mission> ReadMission(const Json& root) {
    if (!root.is_object()) {
        return Error{"A mission file holds one JSON object."};
    }
    Mission mission;
    Result<MissionKind> kind = ReadKind(root);
    if (!kind) {
        return kind.error();
    }
    mission.kind = *kind;
    for (Status step : {ReadIdentity(root, mission), CheckMissionKeys(root, mission.kind)}) {
        if (!step) {
            return step.error();
        }
    }
    if (Status year = ReadYear(root, mission); !year) {
        return year.error();
    }
    if (Status storage = ReadStorage(root, mission); !storage) {
        return storage.error();
    }
    if (Status check = CheckMission(mission); !check) {
        return check.error();
    }
    return mission;
}

/// The shortest text that reads back as the same double; a value JSON cannot hold as null.
std::string NumberText(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("null");
}

std::string Quoted(const std::string& text) {
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string YearFields(const Mission& mission) {
    std::string out;
    switch (mission.kind) {
        case MissionKind::kConstant:
            return "  \"temperatureC\": " + NumberText(mission.constantC) + ",\n";
        case MissionKind::kMonthly:
            out = "  \"monthlyC\": [";
            for (std::size_t m = 0; m < 12; ++m) {
                out += (m == 0 ? "" : ", ") + NumberText(mission.monthlyC[m]);
            }
            return out + "],\n";
        case MissionKind::kDayNight:
            return "  \"dayC\": " + NumberText(mission.dayC) +
                   ",\n  \"nightC\": " + NumberText(mission.nightC) +
                   ",\n  \"dayHours\": " + NumberText(mission.dayHours) + ",\n";
        case MissionKind::kSeries:
            out = "  \"points\": [";
            for (std::size_t i = 0; i < mission.series.size(); ++i) {
                out += (i == 0 ? "\n    [" : ",\n    [") + NumberText(mission.series[i].first) +
                       ", " + NumberText(mission.series[i].second) + "]";
            }
            return out + "],\n";
    }
    return out;
}

}  // namespace

Result<Mission> ParseMission(std::string_view content) {
    if (content.size() > kMaxContent) {
        return Error{
            "The file is larger than 16 MiB; a mission of 100,000 points takes about "
            "3 MiB."};
    }
    if (model_json::NestingDepth(content) > kMaxNesting) {
        return Error{"The file nests lists or objects deeper than a mission file does."};
    }
    Json root;
    try {
        root = Json::parse(content.begin(), content.end());
    } catch (const Json::parse_error& error) {
        return Error{"The file is not valid JSON (near byte " + std::to_string(error.byte) + ")."};
    } catch (const Json::exception&) {
        return Error{"The file is not valid JSON."};
    }
    // A key given twice would leave only its last value in `root`: refused.
    StrictJsonSax<Json> strict(kMaxNesting + 1, "");
    if (!Json::sax_parse(content.begin(), content.end(), &strict) && !strict.refusal().empty()) {
        std::string message = strict.refusal();
        message[0] = 'T';  // "the key 'x' is given twice"
        return Error{message + "; each key may appear once in an object."};
    }
    try {
        return ReadMission(root);
    } catch (const Json::exception&) {
        return Error{"The file holds a value of an unexpected type."};
    }
}

std::string WriteMission(const Mission& mission) {
    std::string out = "{\n  \"format\": \"runwell-mission\",\n  \"version\": 1,\n";
    out += "  \"name\": " + Quoted(mission.name) + ",\n";
    if (!mission.source.empty()) {
        out += "  \"source\": " + Quoted(mission.source) + ",\n";
    }
    out += "  \"kind\": \"" + std::string(MissionKindName(mission.kind)) + "\",\n";
    out += YearFields(mission);
    out += "  \"storage\": {\"months\": " + NumberText(mission.storageMonths) +
           ", \"temperatureC\": " + NumberText(mission.storageC) + "}\n}\n";
    return out;
}

}  // namespace runwell
