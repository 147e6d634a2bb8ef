#!/usr/bin/env bash
# Installs what the build needs when it is missing (Debian 12, as root or with sudo), then
# configures and builds into build/. Sourced by run.sh and test.sh.
set -euo pipefail

RUNWELL_PACKAGES=(cmake ninja-build g++ libgtest-dev qt6-base-dev libbenchmark-dev
                  libcli11-dev nlohmann-json3-dev python3)

runwell_install_missing() {
    local missing=()
    for package in "${RUNWELL_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

runwell_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir"
}
