#include "mission/Mission.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace runwell {

namespace {

constexpr const char* kMonthNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};

std::string Text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

/// Fails unless `value` is a temperature within the mission's range; `what` names the field.
Status CheckTemperature(double value, const std::string& what) {
    if (!(value >= kMissionLowestC && value <= kMissionHighestC)) {
        return Error{what + " is " + Text(value) + " C; it must lie within " +
                     Text(kMissionLowestC) + " to " + Text(kMissionHighestC) + " C."};
    }
    return {};
}

Status CheckSeries(const std::vector<std::pair<double, double>>& series) {
    if (series.empty() || series.size() > kMaxSeriesPoints) {
        return Error{"points: a series needs 1 to " + std::to_string(kMaxSeriesPoints) +
                     " points."};
    }
    for (std::size_t i = 0; i < series.size(); ++i) {
        const std::string where = "points: point " + std::to_string(i + 1) + ": ";
        const double hours = series[i].first;
        if (!(hours >= 0.0 && hours < kHoursPerYear)) {
            return Error{where + "the time " + Text(hours) + " h lies outside the year (0 to " +
                         "below 8760 h)."};
        }
        if (i > 0 && !(hours > series[i - 1].first)) {
            return Error{where + "the times must rise from point to point."};
        }
        if (Status t = CheckTemperature(series[i].second, where + "the temperature"); !t) {
            return t;
        }
    }
    return {};
}

Status CheckYear(const Mission& mission) {
    switch (mission.kind) {
        case MissionKind::kConstant:
            return CheckTemperature(mission.constantC, "temperatureC");
        case MissionKind::kMonthly:
            for (std::size_t m = 0; m < 12; ++m) {
                const std::string what = "monthlyC: " + std::string(kMonthNames[m]);
                if (Status t = CheckTemperature(mission.monthlyC[m], what); !t) {
                    return t;
                }
            }
            return {};
        case MissionKind::kDayNight:
            if (Status t = CheckTemperature(mission.dayC, "dayC"); !t) {
                return t;
            }
            if (Status t = CheckTemperature(mission.nightC, "nightC"); !t) {
                return t;
            }
            if (!(mission.dayHours >= 0.0 && mission.dayHours <= 24.0)) {
                return Error{"dayHours is " + Text(mission.dayHours) +
                             "; it must lie within 0 to 24."};
            }
            return {};
        case MissionKind::kSeries:
            return CheckSeries(mission.series);
    }
    return Error{"kind: not a kind of mission."};
}

/// Appends a span, merged into the last one when the temperature is the same.
void Append(std::vector<TemperatureSpan>& spans, double hours, double temperatureC) {
    if (hours <= 0.0) {
        return;
    }
    if (!spans.empty() && spans.back().temperatureC == temperatureC) {
        spans.back().hours += hours;
    } else {
        spans.push_back({hours, temperatureC});
    }
}

/// A series' spans. Points that do not rise within the year (a mission CheckMission refuses)
/// are passed over, so any mission gives spans that add up to the year.
void SeriesSpans(const std::vector<std::pair<double, double>>& series,
                 std::vector<TemperatureSpan>& spans) {
    const auto kept = [](double hours, double previous) {
        return hours >= 0.0 && hours < kHoursPerYear && hours > previous;
    };
    double previous = -1.0;
    double firstHours = -1.0;
    double lastC = 0.0;
    for (const auto& [hours, temperatureC] : series) {
        if (kept(hours, previous)) {
            firstHours = firstHours < 0.0 ? hours : firstHours;
            previous = hours;
            lastC = temperatureC;
        }
    }
    if (firstHours < 0.0) {
        return;
    }
    // The last point's temperature holds over the turn of the year up to the first point.
    Append(spans, firstHours, lastC);
    previous = -1.0;
    double heldC = lastC;
    for (const auto& [hours, temperatureC] : series) {
        if (kept(hours, previous)) {
            if (previous >= 0.0) {
                Append(spans, hours - previous, heldC);
            }
            previous = hours;
            heldC = temperatureC;
        }
    }
    Append(spans, kHoursPerYear - previous, heldC);
}

}  // namespace

const char* MissionKindName(MissionKind kind) {
    switch (kind) {
        case MissionKind::kConstant:
            return "constant";
        case MissionKind::kMonthly:
            return "monthly";
        case MissionKind::kDayNight:
            return "day-night";
        case MissionKind::kSeries:
            return "series";
    }
    return "constant";
}

Status CheckMission(const Mission& mission) {
    if (mission.name.empty() || mission.name.size() > kMaxMissionName) {
        return Error{"name: a mission needs a name of 1 to " + std::to_string(kMaxMissionName) +
                     " bytes."};
    }
    if (Status year = CheckYear(mission); !year) {
        return year;
    }
    if (!(mission.storageMonths >= 0.0 && mission.storageMonths <= kMaxStorageMonths)) {
        return Error{"storage: months is " + Text(mission.storageMonths) +
                     "; it must lie within 0 to " + Text(kMaxStorageMonths) + "."};
    }
    return CheckTemperature(mission.storageC, "storage: temperatureC");
}

std::vector<TemperatureSpan> YearSpans(const Mission& mission) {
    std::vector<TemperatureSpan> spans;
    switch (mission.kind) {
        case MissionKind::kConstant:
            break;
        case MissionKind::kMonthly:
            for (double temperature : mission.monthlyC) {
                Append(spans, kHoursPerMonth, temperature);
            }
            break;
        case MissionKind::kDayNight: {
            const double day = std::clamp(mission.dayHours, 0.0, 24.0);
            spans.reserve(730);
            for (int d = 0; d < 365; ++d) {
                Append(spans, day, mission.dayC);
                Append(spans, 24.0 - day, mission.nightC);
            }
            break;
        }
        case MissionKind::kSeries:
            SeriesSpans(mission.series, spans);
            break;
    }
    if (spans.empty()) {
        // A constant mission, or a series with no usable point.
        spans.push_back({kHoursPerYear, mission.constantC});
    }
    return spans;
}

std::vector<double> Temperatures(const Mission& mission) {
    std::vector<double> temperatures;
    for (const TemperatureSpan& span : YearSpans(mission)) {
        temperatures.push_back(span.temperatureC);
    }
    if (mission.storageMonths > 0.0) {
        temperatures.push_back(mission.storageC);
    }
    // Only a mission CheckMission refuses holds a NaN; it would break the sort's ordering.
    std::erase_if(temperatures, [](double t) { return std::isnan(t); });
    std::sort(temperatures.begin(), temperatures.end());
    temperatures.erase(std::unique(temperatures.begin(), temperatures.end()), temperatures.end());
    return temperatures;
}

std::pair<double, double> TemperatureRange(const Mission& mission) {
    const std::vector<double> temperatures = Temperatures(mission);
    if (temperatures.empty()) {
        return {mission.constantC, mission.constantC};
    }
    return {temperatures.front(), temperatures.back()};
}

}  // namespace runwell
