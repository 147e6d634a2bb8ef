#!/usr/bin/env bash
# Measures Runwell against natural baselines in one go on this machine, from a clean Release
# build in build-bench/, and prints each figure beside its baseline and its target.
#
#   bench/compare.sh [--runs N] [--no-clean] [--no-wait]
#
#   --runs N     process runs per start-up and report figure (default 15); medians are shown
#   --no-clean   reuse what build-bench/ holds instead of rebuilding it from scratch
#   --no-wait    measure at once even when the machine is busy
#
# Figures are only comparable on a quiet machine: unless --no-wait is given the script waits (up
# to 10 minutes) for the one-minute load average to drop below RUNWELL_BENCH_MAX_LOAD (1.5).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-bench
runs=15
clean=1
wait_quiet=1
max_load=${RUNWELL_BENCH_MAX_LOAD:-1.5}
while [ $# -gt 0 ]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --no-clean) clean=0; shift ;;
        --no-wait) wait_quiet=0; shift ;;
        *) echo "usage: bench/compare.sh [--runs N] [--no-clean] [--no-wait]" >&2; exit 2 ;;
    esac
done

source scripts/setup.sh
runwell_install_missing libbenchmark-dev time jq

bin=$build/bin
targets=(runwell runwell-cli runwell_data bench_core bench_window bench_analysis empty_dialog trivial)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
if [ "$clean" = 1 ]; then
    cmake --build "$build" --target clean >/dev/null
fi
echo "Building ${targets[*]} (Release) ..."
cmake --build "$build" --target "${targets[@]}" >/dev/null

work=$(mktemp -d /tmp/runwell-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT

load1() { cut -d' ' -f1 /proc/loadavg; }
if [ "$wait_quiet" = 1 ]; then
    for _ in $(seq 40); do
        awk -v l="$(load1)" -v m="$max_load" 'BEGIN { exit !(l < m) }' && break
        echo "Load average $(load1) >= $max_load; waiting for a quieter machine ..."
        sleep 15
    done
fi
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# --- helpers ---------------------------------------------------------------------------------
now_ns() { date +%s%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Runs "$@" once; appends its wall time in ms to $times and its peak RSS in MB to $rss.
timed_run() {
    local start end
    start=$(now_ns)
    /usr/bin/time -f "%M" -o "$work/rss" "$@" >/dev/null 2>"$work/stderr"
    end=$(now_ns)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f\n", (e - s) / 1e6 }' >>"$times"
    awk '{ printf "%.2f\n", $1 / 1024 }' "$work/rss" >>"$rss"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "-"; else printf "%.2f", a / b }'; }
row() { printf "%-34s %12s %12s %8s  %-22s %s\n" "$@"; }
# A field of the benchmark named `name` in Google Benchmark's JSON output `file`.
json_field() {
    jq -r --arg name "$2" --arg field "$3" \
        '.benchmarks[] | select(.name == $name) | .[$field] // empty' "$1" | head -1
}
ms() {  # real_time in the benchmark's time unit (ms here)
    json_field "$1" "$2" real_time | awk '{ printf "%.3f", $1 }'
}
per_mode_us() {  # real time per mode, in us; the benchmark's name holds its mode count
    local n
    n=$(echo "$2" | grep -o '/[0-9][0-9]*' | head -1 | tr -d /)
    json_field "$1" "$2" real_time | awk -v n="$n" '{ printf "%.3f", $1 * 1000 / n }'
}
verdict() { awk -v c="$1" 'BEGIN { print (c ? "met" : "MISSED") }'; }

# --- inputs ----------------------------------------------------------------------------------
echo "Generating inputs ..."
"$bin/bench_core" --write-device-file "$work/device.csv"
device_mb=$(awk -v b="$(stat -c %s "$work/device.csv")" 'BEGIN { printf "%.1f", b / 1e6 }')
"$bin/bench_core" --write-shipped-settings "$bin" "$work/shipped.set"
QT_QPA_PLATFORM=offscreen "$bin/runwell-cli" report "$work/shipped.set" >"$work/report.txt"

# --- Google Benchmark figures ----------------------------------------------------------------
echo "Running bench_core and bench_window ..."
RUNWELL_BENCH_DEVICE_FILE=$work/device.csv "$bin/bench_core" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_out="$work/core.json" \
    --benchmark_out_format=json >"$work/core.txt" 2>&1
"$bin/bench_window" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$work/window.json" --benchmark_out_format=json >"$work/window.txt" 2>&1
"$bin/bench_analysis" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$work/analysis.json" --benchmark_out_format=json >"$work/analysis.txt" 2>&1

# --- device file load against wc -l ----------------------------------------------------------
cat "$work/device.csv" >/dev/null  # in the page cache for both
times=$work/wc.times
rss=$work/wc.rss
for _ in $(seq "$runs"); do timed_run wc -l "$work/device.csv"; done
wc_ms=$(median <"$times")
wc_mbs=$(awk -v mb="$device_mb" -v t="$wc_ms" 'BEGIN { printf "%.0f", mb / (t / 1000) }')
load_mbs=$(json_field "$work/core.json" "LoadDeviceFile/real_time_median" bytes_per_second |
    awk '{ printf "%.0f", $1 / 1e6 }')

# --- start-up to the first shown window, whole processes --------------------------------------
export QT_QPA_PLATFORM=offscreen RUNWELL_EXIT_AFTER_SHOW=1
"$bin/runwell" >/dev/null 2>&1 || true  # warm the caches (and create CustomBattery.csv)
"$bin/empty_dialog" >/dev/null 2>&1 || true
: >"$work/app.times" >"$work/app.rss" >"$work/dlg.times" >"$work/dlg.rss"
: >"$work/wid.times" >"$work/wid.rss"
for _ in $(seq "$runs"); do
    times=$work/app.times rss=$work/app.rss timed_run "$bin/runwell"
    times=$work/dlg.times rss=$work/dlg.rss timed_run "$bin/empty_dialog"
    times=$work/wid.times rss=$work/wid.rss timed_run "$bin/empty_dialog" --widgets
done
unset RUNWELL_EXIT_AFTER_SHOW
app_ms=$(median <"$work/app.times")
dlg_ms=$(median <"$work/dlg.times")
wid_ms=$(median <"$work/wid.times")
app_mb=$(median <"$work/app.rss")
dlg_mb=$(median <"$work/dlg.rss")
wid_mb=$(median <"$work/wid.rss")

# --- runwell-cli report against a trivial process ----------------------------------------------
: >"$work/cli.times" >"$work/cli.rss" >"$work/triv.times" >"$work/triv.rss"
for _ in $(seq "$runs"); do
    times=$work/cli.times rss=$work/cli.rss timed_run "$bin/runwell-cli" report "$work/shipped.set"
    times=$work/triv.times rss=$work/triv.rss timed_run "$bin/trivial" "$work/report.txt"
done
cli_ms=$(median <"$work/cli.times")
triv_ms=$(median <"$work/triv.times")
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# --- the table -------------------------------------------------------------------------------
echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'),"\
    "$(awk '/MemTotal/ { printf "%.1f GB", $2 / 1048576 }' /proc/meminfo) memory"
echo "Load average (1, 5, 15 min): $load_before before, $load_after after; $runs runs per process figure"
echo
row "figure" "ours" "baseline" "ratio" "target" "verdict"
row "device file load ($device_mb MB), MB/s" "$load_mbs" "$wc_mbs" "$(ratio "$load_mbs" "$wc_mbs")" \
    ">= 400 MB/s (wc -l)" "$(verdict "$(awk -v v="$load_mbs" 'BEGIN { print (v >= 400) }')")"
startup_ratio=$(ratio "$app_ms" "$dlg_ms")
row "start-up to first window, ms" "$app_ms" "$dlg_ms" "$startup_ratio" "<= 1.3x empty QDialog" \
    "$(verdict "$(awk -v r="$startup_ratio" 'BEGIN { print (r <= 1.3) }')")"
memory_ratio=$(ratio "$app_mb" "$dlg_mb")
row "start-up peak RSS, MB" "$app_mb" "$dlg_mb" "$memory_ratio" "<= 1.3x empty QDialog" \
    "$(verdict "$(awk -v r="$memory_ratio" 'BEGIN { print (r <= 1.3) }')")"
widgets_ratio=$(ratio "$app_ms" "$wid_ms")
row "  same against label+combo+table, ms" "$app_ms" "$wid_ms" "$widgets_ratio" \
    "<= 1.15x --widgets" "$(verdict "$(awk -v r="$widgets_ratio" 'BEGIN { print (r <= 1.15) }')")"
widgets_memory=$(ratio "$app_mb" "$wid_mb")
row "  same against label+combo+table, MB" "$app_mb" "$wid_mb" "$widgets_memory" \
    "<= 1.2x --widgets" "$(verdict "$(awk -v r="$widgets_memory" 'BEGIN { print (r <= 1.2) }')")"
row "runwell-cli report (shipped), ms" "$cli_ms" "$triv_ms" "$(ratio "$cli_ms" "$triv_ms")" \
    "- (trivial.cpp)" "info"

echo
printf "%-34s %12s %14s  %-22s %s\n" "benchmark (median of 3)" "time, ms" "per mode, us" "target" "verdict"
gb() { printf "%-34s %12s %14s  %-22s %s\n" "$@"; }
core=$work/core.json
window=$work/window.json
for n in 1000 10000 100000; do
    t=$(ms "$core" "ComputeProfileResults/$n""_median")
    target="-" v="info"
    if [ "$n" = 100000 ]; then
        target="< 60 ms"
        v=$(verdict "$(awk -v t="$t" 'BEGIN { print (t < 60) }')")
    fi
    gb "ComputeProfileResults $n" "$t" "$(per_mode_us "$core" "ComputeProfileResults/$n""_median")" \
        "$target" "$v"
done
small=$(per_mode_us "$core" "ComputeProfileResults/1000_median")
large=$(per_mode_us "$core" "ComputeProfileResults/100000_median")
linear=$(ratio "$large" "$small")
gb "  per mode 100k / per mode 1k" "-" "${linear}x" "linear (<= 1.5x)" \
    "$(verdict "$(awk -v r="$linear" 'BEGIN { print (r <= 1.5) }')")"
for name in SerializeSettings/100000 SaveSettings/100000/real_time ParseSettings/100000 \
    LoadSettings/100000/real_time; do
    t=$(ms "$core" "${name}_median")
    target="-" v="info"
    case $name in
        Save* | Load*)
            target="< 50 ms"
            v=$(verdict "$(awk -v t="$t" 'BEGIN { print (t < 50) }')")
            ;;
    esac
    gb "${name%/real_time}" "$t" "$(per_mode_us "$core" "${name}_median")" "$target" "$v"
done
for n in 1000 10000 100000; do
    gb "BuildReport $n" "$(ms "$core" "BuildReport/$n""_median")" \
        "$(per_mode_us "$core" "BuildReport/$n""_median")" "-" "info"
done
gb "ParseDeviceData ($device_mb MB)" "$(ms "$core" "ParseDeviceData_median")" "-" \
    "$(json_field "$core" ParseDeviceData_median bytes_per_second | awk '{ printf "%.0f MB/s", $1 / 1e6 }')" "info"
for n in 1000 10000; do
    t=$(ms "$window" "RecomputeResults/window/$n/real_time_median")
    if [ "$n" = 1000 ]; then target="<= 16 ms"; ok=$(awk -v t="$t" 'BEGIN { print (t <= 16) }')
    else target="< 150 ms"; ok=$(awk -v t="$t" 'BEGIN { print (t < 150) }'); fi
    gb "RecomputeResults (window) $n" "$t" \
        "$(per_mode_us "$window" "RecomputeResults/window/$n/real_time_median")" "$target" \
        "$(verdict "$ok")"
done
# The window with the Analysis panel open on each tab (0 current over time, 1 charge share,
# 2 batteries, 3 operating points, 4 derated voltage): a click on the current battery.
# EditedResults: the same after the last mode's label changed (as Modify does).
for kind in RecomputeResults EditedResults; do
    for tab in 0 1 2 3 4; do
        for n in 1000 10000; do
            t=$(ms "$window" "$kind/analysis/$n/$tab/real_time_median")
            if [ "$n" = 1000 ]; then limit=16; else limit=60; fi
            gb "$kind analysis tab $tab $n" "$t" \
                "$(per_mode_us "$window" "$kind/analysis/$n/$tab/real_time_median")" \
                "< $limit ms" "$(verdict "$(awk -v t="$t" -v l="$limit" 'BEGIN { print (t < l) }')")"
        done
    done
done
# The analysis: name, target in ms.
for entry in "BatteryComparison/100x10000 20" "OperatingPointMatrix/3x3x10000 100" \
    "ProfileTimeline/100000 -" "ChargeShare/10000 -"; do
    set -- $entry
    t=$(ms "$work/analysis.json" "$1_median")
    if [ "$2" = - ]; then target="-" v="info"
    else target="< $2 ms" v=$(verdict "$(awk -v t="$t" -v l="$2" 'BEGIN { print (t < l) }')"); fi
    gb "$1" "$t" "-" "$target" "$v"
done
