// A temperature series from a CSV of time and temperature.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/Text.h"
#include "mission/Mission.h"

namespace runwell {

namespace {

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    });
    return lower;
}

std::string Text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool Contains(const std::string& text, const char* word) {
    return text.find(word) != std::string::npos;
}

/// The fields of a line split at `separator`, each trimmed.
void Split(std::string_view line, char separator, std::vector<std::string_view>& fields) {
    fields.clear();
    while (true) {
        const std::size_t at = line.find(separator);
        fields.push_back(Trim(line.substr(0, at)));
        if (at == std::string_view::npos) {
            return;
        }
        line.remove_prefix(at + 1);
    }
}

/// A whole field as a finite number; with `decimalComma` a ',' reads as the decimal point.
std::optional<double> ReadNumber(std::string_view field, bool decimalComma) {
    // A decimal comma is replaced in a copy; a field without one is read in place.
    std::string copy;
    if (decimalComma && field.find(',') != std::string_view::npos) {
        copy.assign(field);
        std::replace(copy.begin(), copy.end(), ',', '.');
        field = copy;
    }
    const char* begin = field.data();
    const char* end = field.data() + field.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    double value = 0.0;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || stop != end || begin == end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

/// What the header says: the separator and whether time is in days.
struct Layout {
    char separator = ',';
    double hoursPerUnit = 1.0;
};

Result<Layout> ReadHeader(std::string_view line, int number) {
    const std::string where = "line " + std::to_string(number) + ": ";
    Layout layout;
    layout.separator = line.find(';') != std::string_view::npos    ? ';'
                       : line.find('\t') != std::string_view::npos ? '\t'
                                                                   : ',';
    std::vector<std::string_view> fields;
    Split(line, layout.separator, fields);
    if (fields.size() != 2 || ReadNumber(fields[0], layout.separator != ',') || fields[0].empty() ||
        fields[1].empty()) {
        return Error{where +
                     "the first line must name the two columns, time and temperature, "
                     "such as \"hours,temperature\" or \"day;C\"."};
    }
    const std::string time = Lower(fields[0]);
    const std::string temperature = Lower(fields[1]);
    if (Contains(time, "min") || Contains(time, "sec") || Contains(time, "(s)") ||
        Contains(time, "week") || Contains(time, "month") || Contains(time, "year")) {
        return Error{where + "the time column must be in hours or days; its caption is " +
                     QuotedForMessage(fields[0], '"') + "."};
    }
    if (Contains(temperature, "fahrenheit") ||
        Contains(temperature,
                 "\xC2\xB0"
                 "f") ||
        temperature == "f" || Contains(temperature, "(f)") || Contains(temperature, "kelvin")) {
        return Error{where +
                     "the temperature column must be in degrees Celsius; its caption "
                     "is " +
                     QuotedForMessage(fields[1], '"') + "."};
    }
    layout.hoursPerUnit =
        Contains(time, "day") || time == "d" || Contains(time, "(d)") || Contains(time, "[d]")
            ? 24.0
            : 1.0;
    return layout;
}

/// One data line as a point in hours, checked against the point before it.
Result<std::pair<double, double>> ReadPoint(const std::vector<std::string_view>& fields,
                                            const Layout& layout, int number,
                                            const std::vector<std::pair<double, double>>& read) {
    const auto where = [number] { return "line " + std::to_string(number) + ": "; };
    if (fields.size() != 2) {
        return Error{where() + "expected 2 fields, time and temperature, found " +
                     std::to_string(fields.size()) + "."};
    }
    const bool decimalComma = layout.separator != ',';
    const std::optional<double> time = ReadNumber(fields[0], decimalComma);
    const std::optional<double> temperature = ReadNumber(fields[1], decimalComma);
    if (!time) {
        return Error{where() + "the time " + QuotedForMessage(fields[0], '"') +
                     " is not a number."};
    }
    if (!temperature) {
        return Error{where() + "the temperature " + QuotedForMessage(fields[1], '"') +
                     " is not a number."};
    }
    const double hours = *time * layout.hoursPerUnit;
    if (!(hours >= 0.0 && hours < kHoursPerYear)) {
        return Error{where() + "the time " + Text(hours) + " h lies outside the year (0 to below " +
                     "8760 h, 365 days)."};
    }
    if (!read.empty() && !(hours > read.back().first)) {
        return Error{where() + "the times must rise from line to line."};
    }
    if (!(*temperature >= kMissionLowestC && *temperature <= kMissionHighestC)) {
        return Error{where() + "the temperature " + Text(*temperature) + " C lies outside " +
                     Text(kMissionLowestC) + " to " + Text(kMissionHighestC) + " C."};
    }
    return std::pair{hours, *temperature};
}

bool Skipped(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    return trimmed.empty() || trimmed.front() == '#';
}

}  // namespace

Result<Mission> ParseMissionCsv(std::string_view content, std::string name) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);  // a UTF-8 byte order mark
    }
    Mission mission;
    mission.kind = MissionKind::kSeries;
    mission.name = name.empty() ? "Temperature series" : std::move(name);
    if (mission.name.size() > kMaxMissionName) {
        // Cut at the start of a UTF-8 sequence, never inside one.
        std::size_t cut = kMaxMissionName;
        while (cut > 0 && (static_cast<unsigned char>(mission.name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        mission.name.resize(cut);
    }
    LineReader lines(content);
    std::string_view line;
    std::optional<Layout> layout;
    std::vector<std::string_view> fields;
    while (lines.Next(line)) {
        if (Skipped(line)) {
            continue;
        }
        if (!layout) {
            Result<Layout> header = ReadHeader(line, lines.lineNumber());
            if (!header) {
                return header.error();
            }
            layout = *header;
            continue;
        }
        if (mission.series.size() == kMaxSeriesPoints) {
            return Error{"line " + std::to_string(lines.lineNumber()) + ": the series holds " +
                         "more than " + std::to_string(kMaxSeriesPoints) + " points."};
        }
        Split(line, layout->separator, fields);
        Result<std::pair<double, double>> point =
            ReadPoint(fields, *layout, lines.lineNumber(), mission.series);
        if (!point) {
            return point.error();
        }
        mission.series.push_back(*point);
    }
    if (mission.series.empty()) {
        return Error{
            "The file holds no temperatures: a header line and at least one line of "
            "time and temperature are needed."};
    }
    return mission;
}

}  // namespace runwell
