#!/usr/bin/env bash
# Installs what is missing, builds and runs every test; then runs them again built with the
# address and undefined-behaviour sanitizers, and fuzzes every file reader for 20 s each
# (RUNWELL_SKIP_FUZZ=1 skips the fuzzing for a quick local run). The Windows build is then
# tested under wine (scripts/windows.sh; RUNWELL_SKIP_WINDOWS=1 skips it).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

runwell_install_missing
runwell_build build
ctest --test-dir build --output-on-failure
packaging/check_package.sh build  # the .deb: file list, desktop files, lintian

# Warnings are errors in the default build; the instrumented build only has to run.
runwell_build build-asan -DRUNWELL_SANITIZE=ON -DRUNWELL_WERROR=OFF
ctest --test-dir build-asan --output-on-failure

if [ "${RUNWELL_SKIP_WINDOWS:-0}" != 1 ]; then
    scripts/windows.sh
fi

if [ "${RUNWELL_SKIP_FUZZ:-0}" != 1 ]; then
    fuzz/run.sh 20
fi
