// bench_derated: the derated life. For a profile of 10,000 modes: the discharge simulation
// alone (given the profile's average and peak), and with the profile results it starts from,
// as the workspace runs them on every change; then the simulation for every battery of the
// shipped catalogue with the shipped models, as a battery comparison runs it; and the predicted
// life through the shipped nano-quiescent buck over a monthly mission, for the profile and for
// every battery.

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
#include "mission/Mission.h"
#include "platform/FileRead.h"
#include "power/Regulator.h"
#include "prediction/LifePrediction.h"

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
    PredictionOptions pathAndMission;      // the shipped buck, the shipped monthly mission
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

/// The profile's modes at 25 C and at 85 C (twice the current), as a device characterises them.
PredictionInput PathInput(const ProfileResults& results) {
    PredictionInput input;
    input.conditions = ConditionsOf(results);
    input.outputVolts = 1.8;
    std::vector<LoadStep> hot = input.conditions.steps;
    for (LoadStep& step : hot) {
        step.amps *= 2.0;
    }
    input.characterised = {{25.0, input.conditions.steps}, {85.0, std::move(hot)}};
    return input;
}

/// The predicted life of the 10,000-mode profile on the CR2032 model through a buck over a
/// monthly mission, with its worst case.
void BM_PredictedLifePathAndMission(benchmark::State& state) {
    const BatteryRecord& battery = inputs->batteries[inputs->cr2032];
    const BatteryModel* model = &*inputs->models.models[inputs->cr2032];
    const PredictionInput input = PathInput(
        ComputeProfileResults(inputs->profile, inputs->device.columnNames, &battery));
    PredictionOptions options = inputs->pathAndMission;
    for (auto _ : state) {
        LifePrediction prediction = PredictLife(battery, model, input, options);
        benchmark::DoNotOptimize(prediction);
    }
    state.counters["modes"] = kModes;
}

/// The same with every mode of its own current: the worst case for a profile, where no two
/// modes share a computation.
void BM_PredictedLifeDistinctModes(benchmark::State& state) {
    const BatteryRecord& battery = inputs->batteries[inputs->cr2032];
    const BatteryModel* model = &*inputs->models.models[inputs->cr2032];
    PredictionInput input = PathInput(
        ComputeProfileResults(inputs->profile, inputs->device.columnNames, &battery));
    for (TemperatureModes& at : input.characterised) {
        for (std::size_t i = 0; i < at.steps.size(); ++i) {
            at.steps[i].amps *= 1.0 + 1e-6 * static_cast<double>(i);
        }
    }
    for (auto _ : state) {
        LifePrediction prediction = PredictLife(battery, model, input, inputs->pathAndMission);
        benchmark::DoNotOptimize(prediction);
    }
    state.counters["modes"] = kModes;
}

void BM_PredictedLifePathAndMissionEveryBattery(benchmark::State& state) {
    const PredictionInput input = PathInput(ComputeProfileResults(
        inputs->profile, inputs->device.columnNames, &inputs->batteries.front()));
    for (auto _ : state) {
        for (std::size_t i = 0; i < inputs->batteries.size(); ++i) {
            const std::optional<BatteryModel>& model = inputs->models.models[i];
            LifePrediction prediction = PredictLife(
                inputs->batteries[i], model ? &*model : nullptr, input, inputs->pathAndMission);
            benchmark::DoNotOptimize(prediction);
        }
    }
    state.counters["batteries"] = static_cast<double>(inputs->batteries.size());
}

/// Reads a shipped file of the source tree.
std::string Shipped(const fs::path& file) {
    const std::optional<std::string> text = ReadWholeFile(fs::path(RUNWELL_SOURCE_DIR) / file);
    if (!text) {
        throw std::runtime_error(file.string() + " cannot be read");
    }
    return *text;
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
    Result<Regulator> buck = ParseRegulator(Shipped("Regulators/TPS62840-3.3V.json"));
    Result<Mission> monthly = ParseMission(Shipped("Missions/hong-kong-monthly.json"));
    if (!buck || !monthly) {
        throw std::runtime_error("a shipped regulator or mission cannot be read");
    }
    inputs->pathAndMission.regulator = std::move(*buck);
    inputs->pathAndMission.regulator->fixedOutputVolts.reset();  // any output: 1.8 V here
    inputs->pathAndMission.mission = std::move(*monthly);
    inputs->pathAndMission.worstCase = true;
    inputs->pathAndMission.currentSpreadPercent = 20.0;
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
    benchmark::RegisterBenchmark("PredictedLifePathAndMission/10000",
                                 BM_PredictedLifePathAndMission)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PredictedLifeDistinctModes/10000",
                                 BM_PredictedLifeDistinctModes)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PredictedLifePathAndMissionEveryBattery",
                                 BM_PredictedLifePathAndMissionEveryBattery)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete inputs;
    return 0;
}
