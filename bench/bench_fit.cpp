// bench_fit: fitting a battery model to a discharge log of 10 million samples (about 300 MB,
// written in a temporary folder at start) in one streaming pass through the log reader and the
// fitter. Every allocation is counted: the peak heap of the fit shows it does not grow with the
// log.
//
//   bench_fit [benchmark flags]
//   bench_fit --write-log OUT [SAMPLES]    write the log file only

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "CountedHeap.h"
#include "measure/DischargeFit.h"

namespace {

namespace fs = std::filesystem;

constexpr long kSamples = 10'000'000;

void Append(std::string& line, double value, int decimals) {
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    line.append(buffer, end.ptr);
}

/// A cell of about 20 Ah logged every 100 ms for 11.6 days: rests of 60 s at 10 mA, pulses of
/// 30 s at 200 mA; OCV from 4.1 V falling with depth, R0 0.1 ohm, R1 0.05 ohm with tau 5 s.
void WriteLog(const fs::path& path, long samples) {
    std::ofstream out(path, std::ios::binary);
    out << "Time(s),Voltage(V),Current(mA)\n";
    const double capacity = 6.6 / 90.0 * 0.1 * static_cast<double>(samples);  // coulombs
    const double decay = std::exp(-0.1 / 5.0);
    double charge = 0.0, polarisation = 0.0;
    std::string line;
    for (long k = 0; k < samples; ++k) {
        const bool pulse = k % 900 >= 600;
        const double amps = pulse ? 0.2 : 0.01;
        const double depth = charge / capacity;
        const double volts = 4.1 - 0.8 * depth - 0.2 * depth * depth - amps * 0.1 - polarisation;
        line.clear();
        Append(line, static_cast<double>(k) * 0.1, 1);
        line += ',';
        Append(line, volts, 6);
        line += ',';
        Append(line, amps * 1e3, 3);
        line += '\n';
        out << line;
        charge += amps * 0.1;
        polarisation = amps * 0.05 + (polarisation - amps * 0.05) * decay;
    }
}

fs::path LogPath() {
    static const fs::path path = [] {
        const fs::path folder = fs::temp_directory_path() / "runwell-bench-fit";
        fs::create_directories(folder);
        const fs::path file = folder / "discharge.csv";
        if (!fs::exists(file)) {
            WriteLog(file, kSamples);
        }
        return file;
    }();
    return path;
}

void BM_FitLog(benchmark::State& state) {
    const fs::path path = LogPath();
    const auto bytes = static_cast<std::int64_t>(fs::file_size(path));
    runwell::DischargeFitOptions options;
    options.battery = "Cell";
    options.logName = "discharge.csv";
    options.date = "2026-12-08";
    std::int64_t before = 0;
    for (auto _ : state) {
        before = runwell::bench::ResetHeapPeak();
        const auto model = runwell::FitDischargeLog(path, options);
        if (!model.ok()) {
            state.SkipWithError(model.error().message.c_str());
            return;
        }
        benchmark::DoNotOptimize(model->polarisationSeconds);
    }
    state.SetBytesProcessed(bytes * static_cast<std::int64_t>(state.iterations()));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["peak_heap_KB"] =
        static_cast<double>(runwell::bench::HeapPeak() - before) / 1024.0;
}

BENCHMARK(BM_FitLog)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string_view(argv[1]) == "--write-log") {
        WriteLog(argv[2], argc >= 4 ? std::atol(argv[3]) : kSamples);
        return 0;
    }
    // The log is written before any benchmark runs, so the first one is not charged with it.
    LogPath();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
