// The mission readers over arbitrary bytes, the first byte choosing the file (even) or the CSV
// (odd) reader: a mission either reader hands on passes CheckMission, covers the year with its
// spans, reads back from what WriteMission makes, and gives currents between its points.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "mission/CapacitySpread.h"
#include "mission/Mission.h"
#include "mission/TemperatureCurrent.h"

namespace {

using runwell::Mission;

void CheckSpans(const Mission& mission) {
    double total = 0.0;
    for (const runwell::TemperatureSpan& span : runwell::YearSpans(mission)) {
        RUNWELL_FUZZ_CHECK(span.hours > 0.0);
        RUNWELL_FUZZ_CHECK(span.temperatureC >= runwell::kMissionLowestC &&
                           span.temperatureC <= runwell::kMissionHighestC);
        total += span.hours;
    }
    RUNWELL_FUZZ_CHECK(std::abs(total - runwell::kHoursPerYear) < 1e-6);
    const std::vector<double> temperatures = runwell::Temperatures(mission);
    RUNWELL_FUZZ_CHECK(!temperatures.empty());
    RUNWELL_FUZZ_CHECK(std::adjacent_find(temperatures.begin(), temperatures.end(),
                                          [](double a, double b) { return !(a < b); }) ==
                       temperatures.end());
    const auto [lowest, highest] = runwell::TemperatureRange(mission);
    RUNWELL_FUZZ_CHECK(lowest == temperatures.front() && highest == temperatures.back());
}

/// The series read as (temperature, current) points: every current lies between the lowest and
/// the highest of the points'.
void CheckCurrents(const Mission& mission) {
    std::vector<std::pair<double, double>> points;
    for (std::size_t i = 0; i < mission.series.size() && i < 16; ++i) {
        points.emplace_back(mission.series[i].second, mission.series[i].first);
    }
    if (points.empty()) {
        return;
    }
    const auto [low, high] =
        std::minmax_element(points.begin(), points.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; });
    for (double temperature : {-150.0, 0.0, 25.0, 250.0, points.front().first + 0.5}) {
        const runwell::CurrentAtTemperature at = runwell::CurrentAt(points, temperature);
        RUNWELL_FUZZ_CHECK(std::isfinite(at.current));
        RUNWELL_FUZZ_CHECK(at.current >= low->second * (1 - 1e-12) - 1e-300 &&
                           at.current <= high->second * (1 + 1e-12) + 1e-300);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool csv = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const runwell::Result<Mission> read =
        csv ? runwell::ParseMissionCsv(text, "Fuzzed") : runwell::ParseMission(text);
    if (!read.ok()) {
        RUNWELL_FUZZ_CHECK(!read.error().message.empty());
        return 0;
    }
    RUNWELL_FUZZ_CHECK(runwell::CheckMission(*read).ok());
    CheckSpans(*read);
    CheckCurrents(*read);
    const runwell::Result<Mission> back = runwell::ParseMission(runwell::WriteMission(*read));
    RUNWELL_FUZZ_CHECK(back.ok());
    RUNWELL_FUZZ_CHECK(back->kind == read->kind && back->series == read->series &&
                       back->monthlyC == read->monthlyC && back->storageC == read->storageC);
    const std::optional<runwell::SpreadFigure> spread = runwell::DefaultCapacitySpread(read->name);
    RUNWELL_FUZZ_CHECK(!spread || (spread->percent > 0.0 && spread->percent < 100.0));
    return 0;
}
