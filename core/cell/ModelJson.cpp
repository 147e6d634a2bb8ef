#include "cell/ModelJson.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace runwell::model_json {

/// The deepest bracket nesting of a JSON text, strings skipped: checked before parsing so that a
/// hostile file of nested brackets costs nothing.
int NestingDepth(std::string_view text) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

std::string Describe(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::optional<double> Number(const Json& value) {
    if (!value.is_number()) {
        return std::nullopt;
    }
    const double number = value.get<double>();
    return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

/// A number field within [low, high] (low excluded when `lowExclusive`).
Result<double> ReadNumber(const Json& object, const std::string& key, double low, double high,
                          bool lowExclusive, const std::string& where) {
    const std::optional<double> number = Number(object.at(key));
    if (!number) {
        return Error{where + key + " must be a number."};
    }
    if (*number > high || *number < low || (lowExclusive && *number == low)) {
        return Error{where + key + " is " + Describe(*number) + "; it must be " +
                     (lowExclusive ? "above " : "at least ") + Describe(low) + " and at most " +
                     Describe(high) + "."};
    }
    return *number;
}

Result<std::string> ReadSource(const Json& object, const std::string& where) {
    if (!object.contains("source")) {
        return Error{where + "needs a \"source\" naming the datasheet and its test condition."};
    }
    const Json& source = object.at("source");
    if (!source.is_string() || source.get<std::string>().empty()) {
        return Error{where + "\"source\" must be a text that is not empty."};
    }
    return source.get<std::string>();
}

Status CheckKeys(const Json& object, std::initializer_list<const char*> allowed,
                 const std::string& where) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::none_of(allowed.begin(), allowed.end(),
                         [&](const char* key) { return it.key() == key; })) {
            return Error{where + "\"" + it.key() + "\" is not a field of this format."};
        }
    }
    return {};
}

Result<InterpolationTable> ReadTable(const Json& holder, const TableRule& rule,
                                     const std::string& prefix) {
    const std::string where = prefix + std::string(rule.key) + ": ";
    const Json& table = holder.at(rule.key);
    if (!table.is_object()) {
        return Error{where + "must be an object with \"source\" and \"points\"."};
    }
    if (Status keys = CheckKeys(table, {"source", "points"}, where); !keys) {
        return keys.error();
    }
    if (Result<std::string> source = ReadSource(table, where); !source) {
        return source.error();
    }
    if (!table.contains("points") || !table.at("points").is_array() ||
        table.at("points").empty()) {
        return Error{where + "\"points\" must be a list of at least one [" + rule.xName + ", " +
                     rule.yName + "] pair."};
    }
    const Json& points = table.at("points");
    if (points.size() > kMaxPoints) {
        return Error{where + "holds more than " + std::to_string(kMaxPoints) + " points."};
    }
    std::vector<std::pair<double, double>> read;
    read.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::string at = where + "point " + std::to_string(i + 1) + ": ";
        const Json& point = points[i];
        if (!point.is_array() || point.size() != 2) {
            return Error{at + "must be a pair [" + rule.xName + ", " + rule.yName + "]."};
        }
        const std::optional<double> x = Number(point[0]);
        const std::optional<double> y = Number(point[1]);
        if (!x || !y) {
            return Error{at + "both values must be numbers."};
        }
        if (*x < rule.xMin || *x > rule.xMax) {
            return Error{at + "the " + rule.xName + " " + Describe(*x) + " lies outside " +
                         Describe(rule.xMin) + " to " + Describe(rule.xMax) + "."};
        }
        if (*y > rule.yMax || *y < rule.yMin || (rule.yMinExclusive && *y == rule.yMin)) {
            return Error{at + "the " + rule.yName + " " + Describe(*y) + " must be " +
                         (rule.yMinExclusive ? "above " : "at least ") + Describe(rule.yMin) +
                         " and at most " + Describe(rule.yMax) + "."};
        }
        if (!read.empty() && *x <= read.back().first) {
            return Error{at + "the " + rule.xName + " values must rise from point to point."};
        }
        read.emplace_back(*x, *y);
    }
    return InterpolationTable(std::move(read));
}

}  // namespace runwell::model_json
