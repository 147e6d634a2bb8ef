// Memory of the loaded device and of the device scan, as bytes held per byte of the file, with
// the time each takes. Every allocation of this program is counted, so the figures are the
// heap the load or scan holds afterwards ("held") and the most it held at once ("peak").

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchData.h"
#include "CountedHeap.h"
#include "device/DeviceCatalogue.h"
#include "device/DeviceFile.h"

namespace {

namespace fs = std::filesystem;
using runwell::bench::WriteFile;

struct Inputs {
    fs::path folder;
    fs::path benchDevice;   // the 40-column file of bench_core, about 90 MB
    fs::path shortDevice;   // short data lines of three currents, about 100 MB
    fs::path namesFolder;   // Data/ with one file whose line 1 holds 10,000,000 names
    std::uintmax_t namesBytes = 0;
};
Inputs* inputs = nullptr;

std::string ShortLinesDevice() {
    std::string content = "SHORT1\r\nShort lines\r\nMode,Voltage,Temperature,Frequency";
    for (int k = 0; k < 40; ++k) {
        content += ",C" + std::to_string(k);
    }
    content += "\r\n";
    content.reserve(100u << 20);
    for (int i = 0; content.size() < (100u << 20); ++i) {
        content += "RUN,3.3V,25C," + std::to_string(i % 997 + 1) + "MHZ,1200,150,540\r\n";
    }
    return content;
}

std::string ManyNames() {
    std::string content;
    content.reserve(90u << 20);
    char name[16];
    for (int i = 0; i < 10000000; ++i) {
        // Not in sorted order, so the sort has work to do.
        std::snprintf(name, sizeof name, "N%07lld,", static_cast<long long>(i) * 7919 % 10000000);
        content += name;
    }
    content += "\r\nNotes\r\nMode,Voltage,Temperature,Frequency,Base\r\nSLEEP,3V,25C,0,5\r\n";
    return content;
}

void Report(benchmark::State& state, std::int64_t before, std::int64_t held, std::uintmax_t bytes) {
    state.counters["held_per_file_byte"] =
        static_cast<double>(held - before) / static_cast<double>(bytes);
    state.counters["peak_per_file_byte"] =
        static_cast<double>(runwell::bench::HeapPeak() - before) / static_cast<double>(bytes);
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

void BM_DeviceMemory(benchmark::State& state, const fs::path* path) {
    const std::uintmax_t bytes = fs::file_size(*path);
    std::int64_t before = 0;
    std::int64_t held = 0;
    for (auto _ : state) {
        before = runwell::bench::ResetHeapPeak();
        runwell::Result<runwell::DeviceData> device = runwell::LoadDeviceFile(*path);
        held = runwell::bench::HeapHeld();
        if (!device) {
            state.SkipWithError(device.error().message.c_str());
            return;
        }
        benchmark::DoNotOptimize(device->rows.size());
    }
    Report(state, before, held, bytes);
}

void BM_ScanMemory(benchmark::State& state) {
    std::int64_t before = 0;
    std::int64_t held = 0;
    for (auto _ : state) {
        before = runwell::bench::ResetHeapPeak();
        runwell::DeviceScan scan = runwell::ScanDeviceFolder(inputs->namesFolder);
        held = runwell::bench::HeapHeld();
        if (scan.entries.size() != 10000000) {
            state.SkipWithError("the scan did not find 10,000,000 names");
            return;
        }
        benchmark::DoNotOptimize(scan.entries.size());
    }
    Report(state, before, held, inputs->namesBytes);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Inputs made;
    std::string pattern = (fs::temp_directory_path() / "runwell-bench-memory-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    made.folder = pattern;
    made.benchDevice = made.folder / "BENCH40.csv";
    WriteFile(made.benchDevice, runwell::bench::MakeDeviceFile(runwell::bench::kLargeDevice));
    made.shortDevice = made.folder / "SHORT.csv";
    WriteFile(made.shortDevice, ShortLinesDevice());
    made.namesFolder = made.folder / "Data";
    fs::create_directory(made.namesFolder);
    WriteFile(made.namesFolder / "names.csv", ManyNames());
    made.namesBytes = fs::file_size(made.namesFolder / "names.csv");
    inputs = &made;

    benchmark::RegisterBenchmark("DeviceMemory/bench40", BM_DeviceMemory, &made.benchDevice)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("DeviceMemory/short_lines", BM_DeviceMemory, &made.shortDevice)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("ScanMemory/10M_names", BM_ScanMemory)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(made.folder, ec);
    return 0;
}
