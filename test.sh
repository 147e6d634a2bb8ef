#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

runwell_install_missing
runwell_build build
ctest --test-dir build --output-on-failure
