#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ (clang-14 with the address and undefined-behaviour
# sanitizers) and runs each for SECONDS_PER_TARGET seconds (default 20), one after the other;
# naming targets after the seconds runs only those.
# The committed seeds in fuzz/corpus/ are copied into build-fuzz/corpus/, which keeps what the
# runs add; findings (crash-*, leak-*, timeout-*, oom-*) go to build-fuzz/artifacts/<target>/.
# Prints the executions and findings per target; exits 1 when any target found something or
# could not run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

seconds=${1:-20}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: fuzz/run.sh [SECONDS_PER_TARGET [TARGET...]]" >&2
    exit 2
fi
shift $(($# > 0 ? 1 : 0))

runwell_install_missing clang-14 libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DRUNWELL_FUZZ=ON \
    -DRUNWELL_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz --target runwell_fuzzers

# Target and the longest input it is given: files up to 64 KiB, numbers as typed into a field.
targets=(
    "fuzz_device_file 65536"
    "fuzz_battery_file 65536"
    "fuzz_settings 65536"
    "fuzz_numbers 256"
    "fuzz_profile_json 65536"
    "fuzz_trace 65536"
    "fuzz_battery_model 65536"
    "fuzz_profile_extras 65536"
    "fuzz_foreign_file 65536"
    "fuzz_recent_files 4096"
    "fuzz_discharge_log 65536"
    "fuzz_battery_profile 65536"
    "fuzz_regulator 65536"
    "fuzz_mission 65536"
    "fuzz_prediction_fields 256"
    "fuzz_regulator_text 65536"
)

export UBSAN_OPTIONS=print_stacktrace=1
summary=()
status=0
for entry in "${targets[@]}"; do
    read -r target max_len <<<"$entry"
    if [ $# -gt 0 ] && [[ " $* " != *" $target "* ]]; then
        continue
    fi
    corpus=build-fuzz/corpus/$target
    artifacts=build-fuzz/artifacts/$target
    log=build-fuzz/logs/$target.log
    mkdir -p "$corpus" build-fuzz/logs
    rm -rf "$artifacts"
    mkdir -p "$artifacts"
    cp fuzz/corpus/"$target"/* "$corpus"/
    options=(-max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048
        -print_final_stats=1 -artifact_prefix="$artifacts/")
    if [ -f fuzz/"$target".dict ]; then
        options+=(-dict=fuzz/"$target".dict)
    fi
    echo "== $target: ${seconds}s"
    # libFuzzer stops at its first finding; the outcome is judged from the artifacts.
    build-fuzz/fuzz/"$target" "$corpus" "${options[@]}" >"$log" 2>&1 || true
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    findings=$(find "$artifacts" -type f \
        \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
    if [ -z "$executions" ]; then
        executions="?"
        echo "$target did not finish its run; see $log" >&2
        status=1
    fi
    if [ "$findings" -ne 0 ]; then
        status=1
        grep -m 1 -E 'ERROR|check failed|runtime error|shows a non-finite' "$log" >&2 || true
        ls "$artifacts" >&2
    fi
    summary+=("$(printf '%-18s %12s executions %3d findings' "$target" "$executions" "$findings")")
done

echo
printf '%s\n' "${summary[@]}"
if [ "$status" -ne 0 ]; then
    echo "Fuzzing found problems: inputs in build-fuzz/artifacts/, logs in build-fuzz/logs/." >&2
fi
exit "$status"
