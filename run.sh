#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

runwell_install_missing
runwell_build build
if [ -x build/bin/runwell ]; then
    exec build/bin/runwell "$@"
fi
echo "Built:"
ls build/bin
