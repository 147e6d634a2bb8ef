// bench_regulator: the battery current a regulator draws. 10,000 loads from 1 nA to 1 A (even
// in log10) at 12 cell voltages from 1.8 V to 4.2 V, for a buck with efficiency curves at six
// input voltages of 12 points each, and for a linear regulator, as a life simulation would ask
// for every mode at every step of a discharge.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "power/Regulator.h"

namespace runwell::bench {
namespace {

constexpr int kLoads = 10000;
constexpr int kCellVoltages = 12;

std::vector<double> Loads() {
    std::vector<double> amps(kLoads);
    for (int i = 0; i < kLoads; ++i) {
        amps[i] = std::pow(10.0, -9.0 + 9.0 * i / (kLoads - 1));
    }
    return amps;
}

std::vector<double> CellVoltages() {
    std::vector<double> volts(kCellVoltages);
    for (int i = 0; i < kCellVoltages; ++i) {
        volts[i] = 1.8 + 2.4 * i / (kCellVoltages - 1);
    }
    return volts;
}

/// Curves at 2 V to 4.5 V, points a decade apart from 1 nA to 100 mA and one at 400 mA; the
/// figures only need to be plausible, the cost is in the look-up.
Regulator Buck() {
    Regulator buck;
    buck.name = "Buck";
    buck.kind = RegulatorKind::kBuck;
    buck.quiescentMicroamps = 0.06;
    buck.minimumInputVolts = 1.8;
    buck.maximumInputVolts = 6.5;
    for (int c = 0; c < 6; ++c) {
        std::vector<std::pair<double, double>> points;
        for (int p = 0; p < 11; ++p) {
            points.emplace_back(std::pow(10.0, p - 6.0), 0.5 + 0.04 * p - 0.01 * c);
        }
        points.emplace_back(400.0, 0.85 - 0.01 * c);
        buck.efficiency.push_back({2.0 + 0.5 * c, InterpolationTable(std::move(points))});
    }
    return buck;
}

void Run(benchmark::State& state, const Regulator& regulator) {
    const std::vector<double> loads = Loads();
    const std::vector<double> cells = CellVoltages();
    for (auto _ : state) {
        double sum = 0.0;
        for (const double cell : cells) {
            for (const double load : loads) {
                sum += BatteryAmps(regulator, load, 1.8, cell);
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kLoads * kCellVoltages);
}

void BM_BatteryAmpsBuck(benchmark::State& state) { Run(state, Buck()); }

void BM_BatteryAmpsLinear(benchmark::State& state) {
    Regulator ldo;
    ldo.kind = RegulatorKind::kLinear;
    ldo.quiescentMicroamps = 0.025;
    ldo.dropoutVsLoadMa = InterpolationTable({{200.0, 0.27}});
    Run(state, ldo);
}

BENCHMARK(BM_BatteryAmpsBuck)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BatteryAmpsLinear)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace runwell::bench

BENCHMARK_MAIN();
