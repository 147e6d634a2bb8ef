// bench_core: the core's costs on large inputs it generates at start in a temporary folder:
// the device data file load, the profile results, settings save and load, and the report.
//
//   bench_core [benchmark flags]               run the benchmarks
//   bench_core --write-shipped-settings FOLDER OUT
//                                              write a settings file of a few modes for the first
//                                              device of FOLDER/Data (for bench/compare.sh)
//   bench_core --write-device-file OUT         write the large device data file
//
// RUNWELL_BENCH_DEVICE_FILE=PATH makes the device benchmarks load that file instead of their own.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "BenchData.h"
#include "battery/BatteryCatalogue.h"
#include "device/DeviceFile.h"
#include "estimate/ProfileResults.h"
#include "exchange/ProfileJson.h"
#include "exchange/Report.h"
#include "files/ProfileDocument.h"
#include "files/SafeFile.h"
#include "files/SettingsFile.h"
#include "platform/FileRead.h"
#include "session/Workspace.h"

namespace runwell::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kSettingsModes = 100000;

/// Everything the benchmarks read, made once before the first one runs.
struct Inputs {
    BenchFolder folder;  // the small device, the batteries; also holds the generated files
    fs::path largeDeviceFile;
    std::string largeDeviceBytes;
    DeviceData device;                // the small device, loaded
    std::vector<ModeRecord> profile;  // kSettingsModes modes; smaller profiles are its prefixes
    fs::path settingsFile;
};

Inputs* inputs = nullptr;

std::vector<ModeRecord> Profile(std::int64_t count) {
    return {inputs->profile.begin(), inputs->profile.begin() + count};
}

/// A workspace started from the bench folder, with `count` modes in its profile.
Workspace StartWorkspace(std::int64_t count) {
    SilentPrompter prompter;
    Result<Workspace> started = Workspace::Start(inputs->folder.path(), prompter);
    if (!started) {
        throw std::runtime_error(started.error().message);
    }
    Workspace workspace = std::move(started).value();
    workspace.SetModes(Profile(count));
    return workspace;
}

/// Time per mode, shown beside the time per iteration: flat across sizes means linear.
void CountModes(benchmark::State& state, std::int64_t modes) {
    state.SetComplexityN(modes);
    state.counters["per_mode"] = benchmark::Counter(
        static_cast<double>(modes),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LoadDeviceFile(benchmark::State& state) {
    for (auto _ : state) {
        Result<DeviceData> device = LoadDeviceFile(inputs->largeDeviceFile);
        if (!device) {
            state.SkipWithError(device.error().message.c_str());
            return;
        }
        benchmark::DoNotOptimize(device->rows.size());
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(inputs->largeDeviceBytes.size()));
}

void BM_ParseDeviceData(benchmark::State& state) {
    for (auto _ : state) {
        Result<DeviceData> device = ParseDeviceData(inputs->largeDeviceBytes, "BENCH40.csv");
        benchmark::DoNotOptimize(device);
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(inputs->largeDeviceBytes.size()));
}

void BM_ComputeProfileResults(benchmark::State& state) {
    const std::vector<ModeRecord> modes = Profile(state.range(0));
    const BatteryRecord battery = IdealBattery();
    for (auto _ : state) {
        ProfileResults results = ComputeProfileResults(modes, inputs->device.columnNames, &battery);
        benchmark::DoNotOptimize(results);
    }
    CountModes(state, state.range(0));
}

void BM_SerializeSettings(benchmark::State& state) {
    SettingsData settings{"BENCH40", kVoltage, kTemperature, 0, Profile(state.range(0))};
    for (auto _ : state) {
        std::string bytes = SerializeSettings(settings);
        benchmark::DoNotOptimize(bytes);
    }
    CountModes(state, state.range(0));
}

/// What the Save Settings button does: the workspace's settings serialized and written through
/// the temporary file, flushed to disk, renamed into place.
void BM_SaveSettings(benchmark::State& state) {
    const Workspace workspace = StartWorkspace(state.range(0));
    const fs::path target = inputs->folder.path() / "saved.set";
    for (auto _ : state) {
        const Status saved = SaveSettings(workspace, target);
        if (!saved) {
            state.SkipWithError(saved.error().message.c_str());
            return;
        }
    }
    CountModes(state, state.range(0));
    state.counters["bytes"] = static_cast<double>(fs::file_size(target));
}

void BM_ParseSettings(benchmark::State& state) {
    const std::optional<std::string> bytes = ReadWholeFile(inputs->settingsFile);
    for (auto _ : state) {
        ParsedSettings parsed = ParseSettings(*bytes);
        benchmark::DoNotOptimize(parsed);
    }
    CountModes(state, state.range(0));
}

/// runwell-cli export and import without the files: settings bytes to a text profile and back.
void BM_ExportProfileJson(benchmark::State& state) {
    const std::optional<std::string> bytes = ReadWholeFile(inputs->settingsFile);
    for (auto _ : state) {
        Result<std::string> profile = ExportProfileJson(*bytes);
        benchmark::DoNotOptimize(profile);
    }
    CountModes(state, state.range(0));
}

void BM_ImportProfileJson(benchmark::State& state) {
    const std::optional<std::string> bytes = ReadWholeFile(inputs->settingsFile);
    const Result<std::string> profile = ExportProfileJson(*bytes);
    for (auto _ : state) {
        Result<std::string> back = ImportProfileJson(*profile);
        benchmark::DoNotOptimize(back);
    }
    if (!profile || ImportProfileJson(*profile).value() != *bytes) {
        state.SkipWithError("the profile does not round-trip");
    }
    state.counters["json_bytes"] = static_cast<double>(profile ? profile->size() : 0);
    CountModes(state, state.range(0));
}

/// What the Load Settings button does: read, parse, select the device (reloading its file),
/// voltage, temperature and battery, replace the profile and recompute the results.
void BM_LoadSettings(benchmark::State& state) {
    Workspace workspace = StartWorkspace(0);
    SilentPrompter prompter;
    for (auto _ : state) {
        LoadSettings(workspace, inputs->settingsFile, prompter);
    }
    if (prompter.messages != 0 || workspace.modes().size() != inputs->profile.size()) {
        state.SkipWithError(("the load failed: " + prompter.lastMessage).c_str());
    }
    CountModes(state, state.range(0));
}

void BM_BuildReport(benchmark::State& state) {
    const Workspace workspace = StartWorkspace(state.range(0));
    for (auto _ : state) {
        std::string report = BuildReport(workspace);
        benchmark::DoNotOptimize(report);
    }
    CountModes(state, state.range(0));
}

void MakeInputs() {
    inputs = new Inputs;
    // bench/compare.sh hands over the file it also times `wc -l` on.
    if (const char* given = std::getenv("RUNWELL_BENCH_DEVICE_FILE"); given && *given) {
        inputs->largeDeviceFile = given;
        std::optional<std::string> bytes = ReadWholeFile(inputs->largeDeviceFile);
        if (!bytes) {
            throw std::runtime_error("cannot read " + inputs->largeDeviceFile.string());
        }
        inputs->largeDeviceBytes = std::move(*bytes);
    } else {
        inputs->largeDeviceBytes = MakeDeviceFile(kLargeDevice);
        inputs->largeDeviceFile = inputs->folder.path() / "BENCH40-large.csv";
        WriteFile(inputs->largeDeviceFile, inputs->largeDeviceBytes);
    }

    Result<DeviceData> device = LoadDeviceFile(inputs->folder.path() / "Data" / "BENCH40.csv");
    if (!device) {
        throw std::runtime_error(device.error().message);
    }
    inputs->device = std::move(device).value();
    inputs->profile = MakeProfile(inputs->device, kSettingsModes);

    inputs->settingsFile = inputs->folder.path() / "profile.set";
    const SettingsData settings{"BENCH40", kVoltage, kTemperature, 0, inputs->profile};
    WriteFile(inputs->settingsFile, SerializeSettings(settings));
    std::fprintf(stderr, "inputs: device file %.1f MB, settings file %.1f MB (%d modes)\n",
                 static_cast<double>(inputs->largeDeviceBytes.size()) / 1e6,
                 static_cast<double>(fs::file_size(inputs->settingsFile)) / 1e6, kSettingsModes);
}

void Register() {
    benchmark::RegisterBenchmark("LoadDeviceFile", BM_LoadDeviceFile)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ParseDeviceData", BM_ParseDeviceData)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ComputeProfileResults", BM_ComputeProfileResults)
        ->RangeMultiplier(10)
        ->Range(1000, 100000)
        ->Complexity(benchmark::oN)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SerializeSettings", BM_SerializeSettings)
        ->Arg(kSettingsModes)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SaveSettings", BM_SaveSettings)
        ->Arg(kSettingsModes)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ParseSettings", BM_ParseSettings)
        ->Arg(kSettingsModes)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ExportProfileJson", BM_ExportProfileJson)
        ->Arg(kSettingsModes)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ImportProfileJson", BM_ImportProfileJson)
        ->Arg(kSettingsModes)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("LoadSettings", BM_LoadSettings)
        ->Arg(kSettingsModes)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BuildReport", BM_BuildReport)
        ->RangeMultiplier(10)
        ->Range(1000, 100000)
        ->Complexity(benchmark::oN)
        ->Unit(benchmark::kMillisecond);
}

/// A few modes on the first device of `folder`/Data at its first voltage and temperature, saved
/// as the Save Settings button would.
int WriteShippedSettings(const fs::path& folder, const fs::path& out) {
    SilentPrompter prompter;
    Result<Workspace> started = Workspace::Start(folder, prompter);
    if (!started) {
        std::fprintf(stderr, "%s\n", started.error().message.c_str());
        return 1;
    }
    Workspace& workspace = *started;
    workspace.SetModes(MakeProfile(workspace.device(), 6, std::string(workspace.voltage()),
                                   std::string(workspace.temperature())));
    const Status saved = SaveSettings(workspace, out);
    if (!saved) {
        std::fprintf(stderr, "%s\n", saved.error().message.c_str());
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace runwell::bench

int main(int argc, char** argv) {
    using namespace runwell::bench;
    if (argc == 4 && std::string_view(argv[1]) == "--write-shipped-settings") {
        return WriteShippedSettings(argv[2], argv[3]);
    }
    if (argc == 3 && std::string_view(argv[1]) == "--write-device-file") {
        WriteFile(argv[2], MakeDeviceFile(kLargeDevice));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    MakeInputs();
    Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete inputs;  // removes the temporary folder
    return 0;
}
