// bench_derated: the derated life. For a profile of 10,000 modes: the discharge simulation
// alone (given the profile's average and peak), and with the profile results it starts from,
// as the workspace runs them on every change; then the simulation for every battery of the
// shipped catalogue with the shipped models, as a battery comparison runs it.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchData.h"
#include "battery/BatteryCatalogue.h"
#include "battery/BatteryModelFiles.h"
#include "battery/DeratedLife.h"
#include "device/DeviceFile.h"
#include "estimate/ProfileResults.h"
#include "platform/FileRead.h"

namespace runwell::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kModes = 10000;

struct Inputs {
    BenchFolder folder;
    DeviceData device;
    std::vector<ModeRecord> profile;
    std::vector<BatteryRecord> batteries;  // the shipped catalogue
    BatteryModelSet models;                // the shipped models
    std::size_t cr2032 = 0;
};

Inputs* inputs = nullptr;

DeratingConditions ConditionsOf(const ProfileResults& results) {
    return {results.average, static_cast<double>(results.peak), 25.0, std::nullopt,
            LoadStepsOf(inputs->profile)};
}

void BM_DeratedLifeOnly(benchmark::State& state) {
    const BatteryRecord& battery = inputs->batteries[inputs->cr2032];
    const BatteryModel* model = &*inputs->models.models[inputs->cr2032];
    const DeratingConditions conditions = ConditionsOf(
        ComputeProfileResults(inputs->profile, inputs->device.columnNames, &battery));
    for (auto _ : state) {
        DeratedLife life = ComputeDeratedLife(battery, model, conditions);
        benchmark::DoNotOptimize(life);
    }
}

void BM_ProfileWithDeratedLife(benchmark::State& state) {
    const BatteryRecord& battery = inputs->batteries[inputs->cr2032];
    const BatteryModel* model = &*inputs->models.models[inputs->cr2032];
    for (auto _ : state) {
        ProfileResults results =
            ComputeProfileResults(inputs->profile, inputs->device.columnNames, &battery);
        DeratedLife life = ComputeDeratedLife(battery, model, ConditionsOf(results));
        benchmark::DoNotOptimize(results);
        benchmark::DoNotOptimize(life);
    }
    state.counters["modes"] = kModes;
}

void BM_DeratedLifeEveryBattery(benchmark::State& state) {
    const DeratingConditions conditions = ConditionsOf(ComputeProfileResults(
        inputs->profile, inputs->device.columnNames, &inputs->batteries.front()));
    for (auto _ : state) {
        for (std::size_t i = 0; i < inputs->batteries.size(); ++i) {
            const std::optional<BatteryModel>& model = inputs->models.models[i];
            DeratedLife life = ComputeDeratedLife(inputs->batteries[i],
                                                  model ? &*model : nullptr, conditions);
            benchmark::DoNotOptimize(life);
        }
    }
    state.counters["batteries"] = static_cast<double>(inputs->batteries.size());
}

/// A pulse-aware life of the 10,000-mode profile (its modes taken as load steps, then the
/// simulation) on the CR2032 model given a polarisation (half its resistance, tau 0.1 s), so that
/// every period's dip is walked over the modes.
void BM_PulseAwareLife(benchmark::State& state) {
    const BatteryRecord& battery = inputs->batteries[inputs->cr2032];
    BatteryModel model = *inputs->models.models[inputs->cr2032];
    std::vector<std::pair<double, double>> half;
    for (const auto& [depth, ohms] : model.resistanceVsDepth.points()) {
        half.emplace_back(depth, ohms / 2);
    }
    model.polarisationVsDepth = InterpolationTable(std::move(half));
    model.polarisationSeconds = 0.1;
    const ProfileResults results =
        ComputeProfileResults(inputs->profile, inputs->device.columnNames, &battery);
    for (auto _ : state) {
        DeratedLife life = ComputeDeratedLife(battery, &model, ConditionsOf(results));
        benchmark::DoNotOptimize(life);
    }
    state.counters["modes"] = kModes;
}

void Prepare() {
    inputs = new Inputs;
    Result<DeviceData> device = LoadDeviceFile(inputs->folder.path() / "Data" / "BENCH40.csv");
    if (!device) {
        throw std::runtime_error(device.error().message);
    }
    inputs->device = std::move(device).value();
    inputs->profile = MakeProfile(inputs->device, kModes);
    const fs::path source(RUNWELL_SOURCE_DIR);
    const std::optional<std::string> csv = ReadWholeFile(source / "StandardBattery.csv");
    if (!csv) {
        throw std::runtime_error("StandardBattery.csv cannot be read");
    }
    inputs->batteries = ParseBatteryRecords(*csv);
    inputs->models = LoadBatteryModels(source / "BatteryModels", inputs->batteries);
    for (std::size_t i = 0; i < inputs->batteries.size(); ++i) {
        if (inputs->batteries[i].description == "CR2032 coin cell" && inputs->models.models[i]) {
            inputs->cr2032 = i;
        }
    }
    if (!inputs->models.models[inputs->cr2032]) {
        throw std::runtime_error("the shipped CR2032 model is missing");
    }
}

}  // namespace
}  // namespace runwell::bench

int main(int argc, char** argv) {
    using namespace runwell::bench;
    Prepare();
    benchmark::RegisterBenchmark("DeratedLifeOnly", BM_DeratedLifeOnly)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ProfileWithDeratedLife/10000", BM_ProfileWithDeratedLife)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PulseAwareLife/10000", BM_PulseAwareLife)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("DeratedLifeEveryBattery", BM_DeratedLifeEveryBattery)
        ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete inputs;
    return 0;
}
