// bench_trace: reading a measured current trace of 10 million samples (about 200 MB, written in
// a temporary folder at start) in one streaming pass: the figures alone, and with the levels.
// The peak resident memory before and after the reads is reported, to show it does not grow
// with the file.
//
//   bench_trace [benchmark flags]
//   bench_trace --write-trace OUT [SAMPLES]    write the trace file only

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <optional>
#include <string_view>

#include "trace/TraceStatistics.h"

namespace {

namespace fs = std::filesystem;

constexpr long kSamples = 10'000'000;

/// A power analyser's export at 100 kS/s: time in s with 7 decimals, current in uA with 3, and a
/// voltage column that is not read. The board sleeps at about 2 uA and wakes every 100 ms for
/// 5 ms at about 6 mA.
void WriteTrace(const fs::path& path, long samples) {
    std::ofstream out(path, std::ios::binary);
    out << "Time(s),Current(uA),Voltage(V)\n";
    std::string line;
    char buffer[64];
    unsigned noise = 12345;
    for (long k = 0; k < samples; ++k) {
        noise = noise * 1103515245u + 12345u;
        const double jitter = static_cast<double>((noise >> 16) % 200) / 1000.0;  // 0 .. 0.2
        const bool awake = k % 10000 < 500;
        const double current = awake ? 6000.0 + 100.0 * jitter : 2.0 + jitter;
        line.clear();
        const auto time = std::to_chars(buffer, buffer + sizeof buffer,
                                        static_cast<double>(k) * 1e-5, std::chars_format::fixed, 7);
        line.append(buffer, time.ptr);
        line += ',';
        const auto amps =
            std::to_chars(buffer, buffer + sizeof buffer, current, std::chars_format::fixed, 3);
        line.append(buffer, amps.ptr);
        line += ",3.0\n";
        out << line;
    }
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

fs::path TracePath() {
    static const fs::path path = [] {
        const fs::path folder = fs::temp_directory_path() / "runwell-bench-trace";
        fs::create_directories(folder);
        const fs::path file = folder / "trace.csv";
        if (!fs::exists(file)) {
            WriteTrace(file, kSamples);
        }
        return file;
    }();
    return path;
}

void Read(benchmark::State& state, bool levels) {
    const fs::path path = TracePath();
    const auto bytes = static_cast<std::int64_t>(fs::file_size(path));
    const long before = PeakRssKb();
    double average = 0.0;
    for (auto _ : state) {
        std::optional<runwell::Segmentation> segmentation;
        if (levels) {
            segmentation = runwell::Segmentation{};
        }
        const auto analysis = runwell::AnalyseTraceFile(path, {}, {}, segmentation);
        if (!analysis.ok() || analysis->read.samples != kSamples) {
            state.SkipWithError("trace not read");
            return;
        }
        average = analysis->statistics.average;
        benchmark::DoNotOptimize(average);
    }
    state.SetBytesProcessed(bytes * static_cast<std::int64_t>(state.iterations()));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["peak_rss_MB_before"] = static_cast<double>(before) / 1024.0;
    state.counters["peak_rss_MB_after"] = static_cast<double>(PeakRssKb()) / 1024.0;
}

void BM_TraceFigures(benchmark::State& state) { Read(state, false); }
void BM_TraceFiguresAndLevels(benchmark::State& state) { Read(state, true); }

BENCHMARK(BM_TraceFigures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TraceFiguresAndLevels)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string_view(argv[1]) == "--write-trace") {
        WriteTrace(argv[2], argc >= 4 ? std::atol(argv[3]) : kSamples);
        return 0;
    }
    // The file is written before any benchmark runs, so the first one is not charged with it.
    TracePath();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
