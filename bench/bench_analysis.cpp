// bench_analysis: the analysis of a profile of 10,000 modes. The battery comparison over a
// catalogue of 100 batteries (the shipped catalogue and its models repeated), the
// operating-point matrix of a device with 3 voltages x 3 temperatures (every mode recomputed at
// eight points by the mode editor's logic), the timeline of 100,000 modes decimated for drawing,
// and the charge share.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchData.h"
#include "analysis/BatteryComparison.h"
#include "analysis/ChargeShare.h"
#include "analysis/OperatingPointMatrix.h"
#include "analysis/ProfileTimeline.h"
#include "battery/BatteryCatalogue.h"
#include "battery/BatteryModelFiles.h"
#include "device/DeviceFile.h"
#include "platform/FileRead.h"

namespace runwell::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kModes = 10000;
constexpr std::size_t kBatteries = 100;

struct Inputs {
    DeviceData device;  // 3 voltages x 3 temperatures
    std::vector<std::string> voltages;
    std::vector<std::string> temperatures;
    std::vector<ModeRecord> profile;
    std::vector<ModeRecord> longProfile;  // 100,000 modes
    std::vector<BatteryRecord> batteries;
    BatteryModelSet models;
    std::vector<const BatteryModel*> modelOf;  // one per battery
};

Inputs* inputs = nullptr;

void BM_BatteryComparison(benchmark::State& state) {
    const PredictionInput conditions;
    for (auto _ : state) {
        BatteryComparison comparison =
            CompareBatteries(inputs->profile, inputs->batteries, inputs->modelOf, conditions);
        SortByLife(comparison.rows);
        benchmark::DoNotOptimize(comparison);
    }
    state.counters["modes"] = kModes;
    state.counters["batteries"] = static_cast<double>(inputs->batteries.size());
}

void BM_OperatingPointMatrix(benchmark::State& state) {
    for (auto _ : state) {
        OperatingPointMatrix matrix =
            ComputeOperatingPointMatrix(inputs->device, inputs->voltages, inputs->temperatures,
                                        0, 0, inputs->profile, &inputs->batteries.front());
        benchmark::DoNotOptimize(matrix);
    }
    state.counters["modes"] = kModes;
    state.counters["points"] =
        static_cast<double>(inputs->voltages.size() * inputs->temperatures.size());
}

void BM_ProfileTimeline(benchmark::State& state) {
    for (auto _ : state) {
        ProfileTimeline timeline = ComputeProfileTimeline(inputs->longProfile);
        benchmark::DoNotOptimize(timeline);
    }
    state.counters["modes"] = static_cast<double>(inputs->longProfile.size());
}

void BM_ChargeShare(benchmark::State& state) {
    for (auto _ : state) {
        ChargeShare share = ComputeChargeShare(inputs->profile, &inputs->batteries.front());
        benchmark::DoNotOptimize(share);
    }
    state.counters["modes"] = kModes;
}

void Prepare() {
    inputs = new Inputs;
    Result<DeviceData> device = ParseDeviceData(MakeDeviceFile({3, 3, 4}), "BENCH33.csv");
    if (!device) {
        throw std::runtime_error(device.error().message);
    }
    inputs->device = std::move(device).value();
    inputs->voltages = inputs->device.voltageNames;
    inputs->temperatures = inputs->device.temperatureNames;
    inputs->profile = MakeProfile(inputs->device, kModes);
    const std::vector<ModeRecord> piece = MakeProfile(inputs->device, kModes);
    for (int i = 0; i < 10; ++i) {
        inputs->longProfile.insert(inputs->longProfile.end(), piece.begin(), piece.end());
    }

    const fs::path source(RUNWELL_SOURCE_DIR);
    const std::optional<std::string> csv = ReadWholeFile(source / "StandardBattery.csv");
    if (!csv) {
        throw std::runtime_error("StandardBattery.csv cannot be read");
    }
    const std::vector<BatteryRecord> shipped = ParseBatteryRecords(*csv);
    inputs->models = LoadBatteryModels(source / "BatteryModels", shipped);
    for (std::size_t i = 0; i < kBatteries; ++i) {
        const std::size_t k = i % shipped.size();
        inputs->batteries.push_back(shipped[k]);
        const std::optional<BatteryModel>& model = inputs->models.models[k];
        inputs->modelOf.push_back(model ? &*model : nullptr);
    }
}

}  // namespace
}  // namespace runwell::bench

int main(int argc, char** argv) {
    using namespace runwell::bench;
    Prepare();
    benchmark::RegisterBenchmark("BatteryComparison/100x10000", BM_BatteryComparison)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("OperatingPointMatrix/3x3x10000", BM_OperatingPointMatrix)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ProfileTimeline/100000", BM_ProfileTimeline)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ChargeShare/10000", BM_ChargeShare)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete inputs;
    return 0;
}
