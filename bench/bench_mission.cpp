// bench_mission: reading a year of logged temperatures, 100,000 points (a point every 5.3
// minutes, about 1.5 MB of CSV made in memory at start), as a series mission; the same mission
// through its JSON file; its year's spans; and a ten-year walk over a day-night mission's spans.
//
//   bench_mission [benchmark flags]

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <numbers>
#include <string>

#include "mission/Mission.h"

namespace {

constexpr int kPoints = 100000;

/// A logger's export: hours with 4 decimals, a seasonal swing of +-12 C around 10 C with a
/// daily one of +-5 C, to one decimal.
std::string LoggedYear() {
    std::string csv = "hours,temperature (C)\n";
    char buffer[32];
    const double step = 8760.0 / kPoints;
    for (int i = 0; i < kPoints; ++i) {
        const double hours = i * step;
        const double turn = 2.0 * std::numbers::pi * hours;
        const double temperature =
            10.0 - 12.0 * std::cos(turn / 8760.0) - 5.0 * std::cos(turn / 24.0);
        auto end =
            std::to_chars(buffer, buffer + sizeof buffer, hours, std::chars_format::fixed, 4);
        csv.append(buffer, end.ptr);
        csv += ',';
        end =
            std::to_chars(buffer, buffer + sizeof buffer, temperature, std::chars_format::fixed, 1);
        csv.append(buffer, end.ptr);
        csv += '\n';
    }
    return csv;
}

const std::string& Csv() {
    static const std::string csv = LoggedYear();
    return csv;
}

void ParseCsv100k(benchmark::State& state) {
    for (auto _ : state) {
        runwell::Result<runwell::Mission> mission = runwell::ParseMissionCsv(Csv(), "Logger");
        if (!mission.ok() || mission->series.size() != kPoints) {
            state.SkipWithError("the CSV did not read");
            return;
        }
        benchmark::DoNotOptimize(mission);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Csv().size()));
}
BENCHMARK(ParseCsv100k)->Unit(benchmark::kMillisecond);

void ParseJson100k(benchmark::State& state) {
    const std::string file = runwell::WriteMission(*runwell::ParseMissionCsv(Csv(), "Logger"));
    for (auto _ : state) {
        runwell::Result<runwell::Mission> mission = runwell::ParseMission(file);
        if (!mission.ok()) {
            state.SkipWithError("the file did not read");
            return;
        }
        benchmark::DoNotOptimize(mission);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(ParseJson100k)->Unit(benchmark::kMillisecond);

void YearSpans100k(benchmark::State& state) {
    const runwell::Mission mission = *runwell::ParseMissionCsv(Csv(), "Logger");
    for (auto _ : state) {
        benchmark::DoNotOptimize(runwell::YearSpans(mission));
    }
}
BENCHMARK(YearSpans100k)->Unit(benchmark::kMillisecond);

/// Ten years of a day-night mission, span by span, as a life simulation walks them.
void TenYearWalkDayNight(benchmark::State& state) {
    runwell::Mission mission;
    mission.name = "Day and night";
    mission.kind = runwell::MissionKind::kDayNight;
    mission.dayC = 31.5;
    mission.nightC = 26.6;
    for (auto _ : state) {
        const std::vector<runwell::TemperatureSpan> spans = runwell::YearSpans(mission);
        double degreeHours = 0.0;
        for (int year = 0; year < 10; ++year) {
            for (const runwell::TemperatureSpan& span : spans) {
                degreeHours += span.hours * span.temperatureC;
            }
        }
        benchmark::DoNotOptimize(degreeHours);
    }
}
BENCHMARK(TenYearWalkDayNight)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
