#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Result.h"

namespace runwell {

/// How a mission's temperature changes over the year.
enum class MissionKind { kConstant, kMonthly, kDayNight, kSeries };

/// A stretch of time at one temperature.
struct TemperatureSpan {
    double hours;
    double temperatureC;
};

/// The temperatures a product sees over a year of use, repeated year after year, and the
/// storage before its first use. The year has 365 days (8760 h); a month is 365/12 days (730 h).
struct Mission {
    std::string name;    ///< shown in the window and the results
    std::string source;  ///< where the temperatures come from (optional text)
    MissionKind kind = MissionKind::kConstant;
    double constantC = 25.0;
    std::array<double, 12> monthlyC{};                   ///< January..December
    double dayC = 25.0, nightC = 25.0, dayHours = 12.0;  ///< repeated every 24 h
    /// (hours from the year's start, C), rising, each in [0, 8760): each value holds until the
    /// next point, and the last one until the year ends and on from its start up to the first.
    std::vector<std::pair<double, double>> series;
    double storageMonths = 0.0;  ///< spent before use, with no load
    double storageC = 20.0;

    bool operator==(const Mission&) const = default;
};

inline constexpr double kHoursPerYear = 8760.0;
inline constexpr double kHoursPerMonth = kHoursPerYear / 12.0;
inline constexpr double kMissionLowestC = -100.0;
inline constexpr double kMissionHighestC = 200.0;
inline constexpr double kMaxStorageMonths = 1200.0;  // a hundred years
inline constexpr std::size_t kMaxSeriesPoints = 100000;
inline constexpr std::size_t kMaxMissionName = 200;

/// Whether `mission` is one the readers would hand on: a name, every temperature within
/// -100..200 C, a day of 0..24 h, a series of 1..100,000 rising points within the year, storage
/// of 0..1200 months. The message names the field (and the point).
Status CheckMission(const Mission& mission);

/// Reads a mission file: JSON {"format": "runwell-mission", "version": 1, "name", "source"
/// (optional), "kind": "constant"|"monthly"|"day-night"|"series", the kind's fields, "storage"
/// (optional): {"months", "temperatureC"}}. The kind's fields are "temperatureC" (constant),
/// "monthlyC": 12 numbers (monthly), "dayC", "nightC", "dayHours" (day-night), "points": [[hours,
/// C], ...] (series). Keys are strict: one of another kind, or unknown, is refused by name.
Result<Mission> ParseMission(std::string_view content);

/// The mission as the file ParseMission reads; a checked mission reads back equal.
std::string WriteMission(const Mission& mission);

/// A CSV of time and temperature as a series mission named `name` ("Temperature series" when
/// empty). The first line names the columns ("hours,temperature", "day;C"); the separator is
/// ';' or a tab when the header holds one, else ','. Time is in hours, or in days when its
/// caption says "day"; with ';' or a tab a decimal comma is read too. Blank lines and lines
/// starting with '#' are skipped. A bad line is refused with its line number; at most
/// 100,000 points.
Result<Mission> ParseMissionCsv(std::string_view content, std::string name);

/// The spans of one year (8760 h) in order, consecutive spans of the same temperature merged,
/// so they always add up to 8760 h. Constant: one span. Monthly: up to 12 spans of 730 h.
/// Day-night: the whole year, 365 days of a day and a night span (730 spans; one when the two
/// temperatures are equal or one part is 0 h), so a walk over ten years takes 7,300 steps and
/// no caller repeats days itself. Series: one span per point, the span before the first point
/// at the last point's temperature. Storage is not part of the year.
std::vector<TemperatureSpan> YearSpans(const Mission& mission);

/// The distinct temperatures of the year's spans, and the storage temperature when the mission
/// stores for more than 0 months, in rising order: one computation per entry can be cached.
std::vector<double> Temperatures(const Mission& mission);

/// The lowest and the highest temperature the mission reaches, storage (of more than 0 months)
/// included.
std::pair<double, double> TemperatureRange(const Mission& mission);

/// "constant", "monthly", "day-night" or "series", as the file writes the kind.
const char* MissionKindName(MissionKind kind);

}  // namespace runwell
