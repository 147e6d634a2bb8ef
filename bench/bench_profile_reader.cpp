// The text profile reader (runwell-cli import) against large and hostile inputs: the time it
// takes and the most heap it holds at once, per byte of the input. Every allocation of this
// program is counted. A reader that builds a whole document before checking it, or searches an
// object's keys one by one, shows here as a peak of many bytes per input byte or as a time that
// grows with the square of the keys.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchData.h"
#include "CountedHeap.h"
#include "device/DeviceFile.h"
#include "exchange/ProfileJson.h"
#include "files/SettingsFile.h"

namespace {

using namespace runwell;
using namespace runwell::bench;

const std::string kHeader =
    R"({"format":"runwell-profile","version":1,"device":"BENCH40","voltage":"3.3V",)"
    R"("temperature":"25C","battery":0,)";

/// A genuine profile: the export of a settings file of `modes` modes.
std::string GenuineProfile(int modes) {
    Result<DeviceData> device = ParseDeviceData(MakeDeviceFile(kSmallDevice), "BENCH40.csv");
    if (!device) {
        throw std::runtime_error(device.error().message);
    }
    const SettingsData settings{"BENCH40", kVoltage, kTemperature, 0, MakeProfile(*device, modes)};
    Result<std::string> profile = ExportProfileJson(SerializeSettings(settings));
    if (!profile) {
        throw std::runtime_error(profile.error().message);
    }
    return std::move(profile).value();
}

/// A list of modes that are all empty objects, `bytes` long.
std::string EmptyModes(std::size_t bytes) {
    std::string text = kHeader + R"("modes":[{})";
    text.reserve(bytes + 8);
    while (text.size() < bytes) {
        text += ",{}";
    }
    return text + "]}";
}

/// One object of `keys` distinct keys, placed at the top level (keys the reader does not know)
/// or as the first mode's label.
std::string ManyKeys(int keys, bool inMode) {
    std::string object = "{";
    for (int i = 0; i < keys; ++i) {
        object += (i == 0 ? "\"k" : ",\"k") + std::to_string(i) + "\":0";
    }
    object += "}";
    return inMode ? kHeader + R"("modes":[{"label":)" + object + "}]}"
                  : R"({"unknown":)" + object + "," + kHeader.substr(1) + R"("modes":[]})";
}

void BM_Import(benchmark::State& state, const std::string* text) {
    std::int64_t before = 0;
    bool read = false;
    for (auto _ : state) {
        before = ResetHeapPeak();
        Result<std::string> bytes = ImportProfileJson(*text);
        read = static_cast<bool>(bytes);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["input_MB"] = static_cast<double>(text->size()) / 1e6;
    state.counters["peak_per_input_byte"] =
        static_cast<double>(HeapPeak() - before) / static_cast<double>(text->size());
    state.counters["read"] = read ? 1 : 0;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text->size()));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::vector<std::pair<const char*, std::string>> inputs = {
        {"Import/genuine_100000_modes", GenuineProfile(100000)},
        {"Import/empty_modes_20MB", EmptyModes(20u << 20)},
        {"Import/100000_unknown_keys", ManyKeys(100000, false)},
        {"Import/100000_keys_in_a_mode", ManyKeys(100000, true)},
        {"Import/1000000_keys_in_a_mode", ManyKeys(1000000, true)},
    };
    for (const auto& [name, text] : inputs) {
        benchmark::RegisterBenchmark(name, BM_Import, &text)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
