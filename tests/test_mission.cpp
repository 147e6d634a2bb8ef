// Missions: the file and CSV readers and their refusals, the year's spans, the temperatures to
// cache, a device's current between its characterised temperatures, the capacity spreads.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "mission/CapacitySpread.h"
#include "mission/Mission.h"
#include "mission/TemperatureCurrent.h"

namespace runwell {
namespace {

/// A version 1 mission file of `kind` with `fields` (JSON members, each followed by a comma).
std::string File(const std::string& kind, const std::string& fields) {
    return R"({"format": "runwell-mission", "version": 1, "name": "Test", )" + fields +
           R"("kind": ")" + kind + R"("})";
}

Mission Parsed(const std::string& content) {
    Result<Mission> mission = ParseMission(content);
    EXPECT_TRUE(mission.ok()) << (mission.ok() ? "" : mission.error().message);
    return mission.ok() ? *mission : Mission{};
}

double TotalHours(const std::vector<TemperatureSpan>& spans) {
    return std::accumulate(
        spans.begin(), spans.end(), 0.0,
        [](double sum, const TemperatureSpan& span) { return sum + span.hours; });
}

TEST(MissionFile, ReadsEachKind) {
    const Mission constant = Parsed(File("constant", R"("temperatureC": -12.5, )"));
    EXPECT_EQ(constant.kind, MissionKind::kConstant);
    EXPECT_EQ(constant.constantC, -12.5);
    EXPECT_EQ(constant.storageMonths, 0.0);

    const Mission monthly = Parsed(File(
        "monthly", R"("source": "Station normals", "monthlyC": [1,2,3,4,5,6,7,8,9,10,11,-12], )"));
    EXPECT_EQ(monthly.source, "Station normals");
    EXPECT_EQ(monthly.monthlyC[0], 1.0);
    EXPECT_EQ(monthly.monthlyC[11], -12.0);

    const Mission dayNight =
        Parsed(File("day-night", R"("dayC": 30, "nightC": 18, "dayHours": 14, )"));
    EXPECT_EQ(dayNight.dayC, 30.0);
    EXPECT_EQ(dayNight.nightC, 18.0);
    EXPECT_EQ(dayNight.dayHours, 14.0);

    const Mission series = Parsed(File(
        "series",
        R"("points": [[0, 5], [4380.5, 25]], "storage": {"months": 3, "temperatureC": -5}, )"));
    ASSERT_EQ(series.series.size(), 2u);
    EXPECT_EQ(series.series[1], std::make_pair(4380.5, 25.0));
    EXPECT_EQ(series.storageMonths, 3.0);
    EXPECT_EQ(series.storageC, -5.0);
}

TEST(MissionFile, RefusalsNameTheField) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"version": 1, "name": "T", "kind": "constant", "temperatureC": 1})", "\"format\""},
        {File("constant", R"("temperatureC": 1, "version": 2, )"), "given twice"},
        {R"({"format": "runwell-mission", "version": 2, "name": "T", "kind": "constant",
             "temperatureC": 1})",
         "\"version\" must be 1"},
        {File("weekly", ""), "\"kind\" must be"},
        {File("constant", R"("dayC": 1, "temperatureC": 1, )"),
         "\"dayC\" is not a field of a constant mission"},
        {File("constant", ""), "\"temperatureC\" is missing"},
        {File("constant", R"("temperatureC": "warm", )"), "temperatureC must be a number"},
        {File("constant", R"("temperatureC": 250, )"), "temperatureC is 250 C"},
        {File("monthly", R"("monthlyC": [1,2,3,4,5,6,7,8,9,10,11], )"), "list of 12"},
        {File("monthly", R"("monthlyC": [1,2,"x",4,5,6,7,8,9,10,11,12], )"), "monthlyC: entry 3"},
        {File("monthly", R"("monthlyC": [1,2,-300,4,5,6,7,8,9,10,11,12], )"), "monthlyC: March"},
        {File("day-night", R"("dayC": 1, "nightC": 1, "dayHours": 25, )"), "dayHours is 25"},
        {File("day-night", R"("dayC": 1, "dayHours": 2, )"), "\"nightC\" is missing"},
        {File("series", R"("points": [], )"), "points: a series needs 1 to 100000"},
        {File("series", R"("points": [[1, 2, 3]], )"), "points: point 1 must be a pair"},
        {File("series", R"("points": [[5, 1], [5, 2]], )"), "points: point 2: the times must rise"},
        {File("series", R"("points": [[8760, 1]], )"), "points: point 1: the time 8760 h"},
        {File("series", R"("points": [[0, 1], [1, 999]], )"), "points: point 2: the temperature"},
        {File("constant", R"("temperatureC": 1, "storage": {"months": -1, "temperatureC": 1}, )"),
         "storage: months is -1"},
        {File("constant", R"("temperatureC": 1, "storage": {"weeks": 1}, )"),
         "storage: \"weeks\" is not a field"},
        {File("constant", R"("temperatureC": 1, "storage": {"months": 1}, )"),
         "storage: \"temperatureC\" is missing"},
        {R"({"format": "runwell-mission", "version": 1, "kind": "constant", "temperatureC": 1})",
         "\"name\""},
        {R"({"format": "runwell-mission", "version": 1, "name": "", "kind": "constant",
             "temperatureC": 1})",
         "name: a mission needs a name"},
        {R"({"format": "runwell-mission", "version": 1, "name": "T", "kind": "series",
             "points": [[[0, 1]]]})",
         "nests"},
        {"{\"format\": ", "not valid JSON"},
        {"[1, 2]", "one JSON object"},
    };
    for (const auto& [content, expected] : cases) {
        Result<Mission> mission = ParseMission(content);
        ASSERT_FALSE(mission.ok()) << content;
        EXPECT_NE(mission.error().message.find(expected), std::string::npos)
            << content << "\n -> " << mission.error().message;
    }
}

TEST(MissionFile, WrittenMissionsReadBackEqual) {
    Mission monthly;
    monthly.name = "Quote \" and tab \t in the name";
    monthly.source = "Normals 1991-2020";
    monthly.kind = MissionKind::kMonthly;
    monthly.monthlyC = {-3.1, -2.2, 0.1, 5.0, 10.5, 15.25, 18.0, 17.0, 12.0, 7.5, 2.0, 0.1 + 0.2};
    monthly.storageMonths = 2.5;
    monthly.storageC = 35.0;
    Mission series;
    series.name = "Series";
    series.kind = MissionKind::kSeries;
    series.series = {{0.0, 1.0 / 3.0}, {8759.999, -40.0}};
    Mission dayNight;
    dayNight.name = "Day";
    dayNight.kind = MissionKind::kDayNight;
    dayNight.dayHours = 9.75;
    for (const Mission& mission : {monthly, series, dayNight}) {
        const Mission read = Parsed(WriteMission(mission));
        EXPECT_EQ(read.name, mission.name);
        EXPECT_EQ(read.source, mission.source);
        EXPECT_EQ(read.kind, mission.kind);
        EXPECT_EQ(read.monthlyC, mission.monthlyC);
        EXPECT_EQ(read.series, mission.series);
        EXPECT_EQ(read.dayHours, mission.dayHours);
        EXPECT_EQ(read.storageMonths, mission.storageMonths);
        EXPECT_EQ(read.storageC, mission.storageC);
    }
}

TEST(MissionFile, ShippedExamplesReadWithTheirSources) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(RUNWELL_SOURCE_DIR) / "Missions")) {
        std::ifstream file(entry.path(), std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        const Mission mission = Parsed(content.str());
        EXPECT_FALSE(mission.source.empty()) << entry.path();
        EXPECT_EQ(TotalHours(YearSpans(mission)), kHoursPerYear) << entry.path();
        ++count;
    }
    EXPECT_GE(count, 3);
}

TEST(MissionCsv, ReadsHoursAndDaysWithEachSeparator) {
    Result<Mission> hours = ParseMissionCsv("hours,temperature\n0,10\n12.5,-20\n", "Logger");
    ASSERT_TRUE(hours.ok()) << hours.error().message;
    EXPECT_EQ(hours->name, "Logger");
    EXPECT_EQ(hours->kind, MissionKind::kSeries);
    const std::vector<std::pair<double, double>> expectedHours = {{0.0, 10.0}, {12.5, -20.0}};
    EXPECT_EQ(hours->series, expectedHours);

    // Days, a semicolon and a decimal comma; a byte order mark, CR LF, comments, blank lines.
    Result<Mission> days =
        ParseMissionCsv("\xEF\xBB\xBF# logger 7\r\nday;C\r\n\r\n0;-5,5\r\n# gap\r\n1,5;3\r\n", "");
    ASSERT_TRUE(days.ok()) << days.error().message;
    EXPECT_EQ(days->name, "Temperature series");
    const std::vector<std::pair<double, double>> expectedDays = {{0.0, -5.5}, {36.0, 3.0}};
    EXPECT_EQ(days->series, expectedDays);

    Result<Mission> tabs = ParseMissionCsv("time (days)\ttemperature (C)\n364.5\t+1e1\n", "T");
    ASSERT_TRUE(tabs.ok()) << tabs.error().message;
    EXPECT_EQ(tabs->series.front(), std::make_pair(8748.0, 10.0));
}

TEST(MissionCsv, BadLinesNameTheirNumber) {
    const std::pair<std::string, std::string> cases[] = {
        {"hours,temperature\n0,10\nx,20\n", "line 3: the time \"x\" is not a number"},
        {"hours,temperature\n0,10\n1,warm\n", "line 3: the temperature \"warm\""},
        {"hours,temperature\n5,10\n5,11\n", "line 3: the times must rise"},
        {"hours,temperature\n0,10,3\n", "line 2: expected 2 fields"},
        {"hours,temperature\n0\n", "line 2: expected 2 fields"},
        {"hours,temperature\n8760,1\n", "line 2: the time 8760 h lies outside the year"},
        {"day,C\n365,1\n", "line 2: the time 8760 h"},
        {"hours,temperature\n-1,1\n", "line 2: the time -1 h"},
        {"hours,temperature\n0,300\n", "line 2: the temperature 300 C"},
        {"hours,temperature\n0,1.5.2\n", "line 2: the temperature \"1.5.2\""},
        {"hours,temperature\n0,nan\n", "line 2: the temperature \"nan\""},
        {"\n0,10\n1,11\n", "line 2: the first line must name the two columns"},
        {"minutes,temperature\n0,1\n", "line 1: the time column must be in hours or days"},
        {"hours,temperature (F)\n0,1\n",
         "line 1: the temperature column must be in degrees Celsius"},
        {"hours\n0\n", "line 1: the first line must name"},
        {"hours,temperature\n", "holds no temperatures"},
        {"", "holds no temperatures"},
    };
    for (const auto& [content, expected] : cases) {
        Result<Mission> mission = ParseMissionCsv(content, "T");
        ASSERT_FALSE(mission.ok()) << content;
        EXPECT_NE(mission.error().message.find(expected), std::string::npos)
            << content << "\n -> " << mission.error().message;
    }
}

TEST(MissionCsv, HoldsAtMostOneHundredThousandPoints) {
    std::string content = "hours,temperature\n";
    for (std::size_t i = 0; i < kMaxSeriesPoints; ++i) {
        content += std::to_string(static_cast<double>(i) * 0.08) + ",20\n";
    }
    Result<Mission> full = ParseMissionCsv(content, "Full");
    ASSERT_TRUE(full.ok()) << full.error().message;
    EXPECT_EQ(full->series.size(), kMaxSeriesPoints);
    EXPECT_TRUE(CheckMission(*full).ok());
    content += "8759.5,20\n";
    Result<Mission> over = ParseMissionCsv(content, "Over");
    ASSERT_FALSE(over.ok());
    EXPECT_NE(over.error().message.find("line 100002: the series holds more than 100000"),
              std::string::npos)
        << over.error().message;
}

TEST(YearSpans, CoverTheYearForEveryKind) {
    Mission constant;
    constant.constantC = 7.0;
    ASSERT_EQ(YearSpans(constant).size(), 1u);
    EXPECT_EQ(YearSpans(constant)[0].hours, 8760.0);
    EXPECT_EQ(YearSpans(constant)[0].temperatureC, 7.0);

    Mission monthly;
    monthly.kind = MissionKind::kMonthly;
    monthly.monthlyC = {5, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const std::vector<TemperatureSpan> months = YearSpans(monthly);
    ASSERT_EQ(months.size(), 11u);  // January and February merged
    EXPECT_EQ(months[0].hours, 1460.0);
    EXPECT_EQ(months[1].hours, 730.0);
    EXPECT_EQ(months[10].temperatureC, 15.0);
    EXPECT_NEAR(TotalHours(months), 8760.0, 1e-9);

    Mission dayNight;
    dayNight.kind = MissionKind::kDayNight;
    dayNight.dayC = 30.0;
    dayNight.nightC = 18.0;
    dayNight.dayHours = 14.0;
    const std::vector<TemperatureSpan> days = YearSpans(dayNight);
    ASSERT_EQ(days.size(), 730u);
    EXPECT_EQ(days[0].hours, 14.0);
    EXPECT_EQ(days[0].temperatureC, 30.0);
    EXPECT_EQ(days[1].hours, 10.0);
    EXPECT_EQ(days[1].temperatureC, 18.0);
    EXPECT_EQ(days[729].temperatureC, 18.0);
    EXPECT_NEAR(TotalHours(days), 8760.0, 1e-9);

    Mission series;
    series.kind = MissionKind::kSeries;
    series.series = {{100.0, 5.0}, {200.0, 10.0}, {300.0, 10.0}};
    const std::vector<TemperatureSpan> points = YearSpans(series);
    // Before the first point the last one's 10 C holds over the turn of the year.
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].hours, 100.0);
    EXPECT_EQ(points[0].temperatureC, 10.0);
    EXPECT_EQ(points[1].hours, 100.0);
    EXPECT_EQ(points[1].temperatureC, 5.0);
    EXPECT_EQ(points[2].hours, 8560.0);
    EXPECT_EQ(TotalHours(points), 8760.0);
}

TEST(YearSpans, OneSpanWhenDayOrNightIsEmptyOrAlike) {
    Mission mission;
    mission.kind = MissionKind::kDayNight;
    mission.dayC = 30.0;
    mission.nightC = 10.0;
    for (const auto& [dayHours, temperature] : {std::pair{0.0, 10.0}, std::pair{24.0, 30.0}}) {
        mission.dayHours = dayHours;
        const std::vector<TemperatureSpan> spans = YearSpans(mission);
        ASSERT_EQ(spans.size(), 1u);
        EXPECT_EQ(spans[0].hours, 8760.0);
        EXPECT_EQ(spans[0].temperatureC, temperature);
    }
    mission.dayHours = 12.0;
    mission.nightC = 30.0;
    EXPECT_EQ(YearSpans(mission).size(), 1u);
}

TEST(YearSpans, UncheckedSeriesStillCoverTheYear) {
    Mission mission;
    mission.kind = MissionKind::kSeries;
    mission.series = {{50.0, 1.0}, {20.0, 2.0}, {9000.0, 3.0}, {NAN, 4.0}, {60.0, 5.0}};
    const std::vector<TemperatureSpan> spans = YearSpans(mission);
    EXPECT_EQ(TotalHours(spans), 8760.0);
    ASSERT_EQ(spans.size(), 3u);  // 50 h at 5 C, 10 h at 1 C, the rest at 5 C
    EXPECT_EQ(spans[1].temperatureC, 1.0);
    mission.series.clear();
    EXPECT_EQ(YearSpans(mission).size(), 1u);
    EXPECT_FALSE(CheckMission(mission).ok());
}

TEST(MissionTemperatures, DistinctRisingWithStorage) {
    Mission mission;
    mission.kind = MissionKind::kMonthly;
    mission.monthlyC = {3, 1, 3, 2, 2, 1, 3, 1, 2, 3, 1, 2};
    mission.storageC = 40.0;
    EXPECT_EQ(Temperatures(mission), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(TemperatureRange(mission), std::make_pair(1.0, 3.0));
    mission.storageMonths = 0.5;
    EXPECT_EQ(Temperatures(mission), (std::vector<double>{1, 2, 3, 40}));
    EXPECT_EQ(TemperatureRange(mission), std::make_pair(1.0, 40.0));
    mission.storageC = -10.0;
    EXPECT_EQ(TemperatureRange(mission), std::make_pair(-10.0, 3.0));
}

TEST(CurrentAt, LogLinearBetweenCharacterisedTemperatures) {
    const std::vector<std::pair<double, double>> points = {{85.0, 4e-6}, {25.0, 1e-6}};
    const CurrentAtTemperature middle = CurrentAt(points, 55.0);
    EXPECT_NEAR(middle.current, 2e-6, 1e-15);  // sqrt(1 uA x 4 uA)
    EXPECT_FALSE(middle.outside);
    // A quarter of the way: 1 uA x 4^(1/4) = 1.41421 uA.
    EXPECT_NEAR(CurrentAt(points, 40.0).current, std::sqrt(2.0) * 1e-6, 1e-15);
    EXPECT_EQ(CurrentAt(points, 85.0).current, 4e-6);
    EXPECT_FALSE(CurrentAt(points, 85.0).outside);

    const std::vector<std::pair<double, double>> three = {{-40.0, 0.5}, {25.0, 1.0}, {85.0, 16.0}};
    EXPECT_NEAR(CurrentAt(three, 55.0).current, 4.0, 1e-12);  // between 25 and 85 only
    EXPECT_NEAR(CurrentAt(three, -7.5).current, std::sqrt(0.5), 1e-12);
}

TEST(CurrentAt, OutsideHoldsTheNearestPoint) {
    const std::vector<std::pair<double, double>> points = {{25.0, 1.0}, {85.0, 4.0}};
    const CurrentAtTemperature cold = CurrentAt(points, -40.0);
    EXPECT_EQ(cold.current, 1.0);
    EXPECT_TRUE(cold.outside);
    const CurrentAtTemperature hot = CurrentAt(points, 125.0);
    EXPECT_EQ(hot.current, 4.0);
    EXPECT_TRUE(hot.outside);
    EXPECT_TRUE(CurrentAt(points, NAN).outside);

    const std::vector<std::pair<double, double>> one = {{25.0, 3.0}};
    EXPECT_FALSE(CurrentAt(one, 25.0).outside);
    EXPECT_TRUE(CurrentAt(one, 26.0).outside);
    EXPECT_EQ(CurrentAt(one, 26.0).current, 3.0);
    EXPECT_EQ(CurrentAt({}, 25.0).current, 0.0);
    EXPECT_TRUE(CurrentAt({}, 25.0).outside);
}

TEST(CurrentAt, ZeroOrNegativeFallsBackToLinear) {
    EXPECT_NEAR(
        CurrentAt(std::vector<std::pair<double, double>>{{25.0, 0.0}, {85.0, 6.0}}, 55.0).current,
        3.0, 1e-12);
    EXPECT_NEAR(
        CurrentAt(std::vector<std::pair<double, double>>{{25.0, -2.0}, {85.0, 2.0}}, 40.0).current,
        -1.0, 1e-12);
}

TEST(CurrentAt, EqualTemperaturesAveragedAndBadPointsPassedOver) {
    const std::vector<std::pair<double, double>> points = {
        {25.0, 1.0}, {85.0, 8.0}, {25.0, 3.0}, {NAN, 100.0}, {50.0, INFINITY}};
    EXPECT_EQ(CurrentAt(points, 25.0).current, 2.0);
    EXPECT_NEAR(CurrentAt(points, 55.0).current, 4.0, 1e-12);  // sqrt(2 x 8)
}

TEST(CapacitySpread, SourcedChemistriesOnly) {
    const std::optional<SpreadFigure> polymer = DefaultCapacitySpread("Li-polymer pouch 1000 mAh");
    ASSERT_TRUE(polymer);
    EXPECT_NEAR(polymer->percent, 3.846, 0.001);  // (130 - 125) / 130
    EXPECT_NE(polymer->source.find("ICP401230UPR"), std::string::npos);
    const std::optional<SpreadFigure> nimh = DefaultCapacitySpread("AA NiMH low self-discharge");
    ASSERT_TRUE(nimh);
    EXPECT_NEAR(nimh->percent, 5.738, 0.001);  // (1220 - 1150) / 1220
    const std::optional<SpreadFigure> ion = DefaultCapacitySpread("LITHIUM ION");
    ASSERT_TRUE(ion);
    EXPECT_NEAR(ion->percent, 3.125, 1e-9);  // (3200 - 3100) / 3200
    EXPECT_EQ(DefaultCapacitySpread("Lithium ion polymer")->percent, polymer->percent);
    EXPECT_EQ(DefaultCapacitySpread("Nickel metal hydride")->percent, nimh->percent);

    // The catalogue's primary cells: no datasheet states a minimum capacity for them.
    for (const char* primary : {"CR2032 coin cell", "Lithium manganese dioxide", "AA alkaline",
                                "2 x AA alkaline in series", "AA lithium iron disulfide",
                                "ER14505 AA bobbin cell", "Lithium thionyl chloride bobbin"}) {
        EXPECT_FALSE(DefaultCapacitySpread(primary)) << primary;
    }
}

}  // namespace
}  // namespace runwell
