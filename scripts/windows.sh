#!/usr/bin/env bash
# The Windows stage of test.sh: cross-builds the core, runwell-cli and the core tests with
# MinGW-w64 into build-windows/, runs the tests under wine, then runs the CLI golden cases
# (tests/cli/cases) against the Windows runwell-cli.exe, byte for byte as on Linux; where a static
# Qt for MinGW is cached, also the window program and its tests (build-windows-gui/), the zip and
# the MSI (packaging/windows/). Installs the cross compiler and wine when missing. The wine
# prefix is a scratch one in build-windows/wine (RUNWELL_WINEPREFIX to choose another), created on
# the first run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

runwell_install_missing g++-mingw-w64-x86-64 wine wine64
# The golden cases are driven by the Linux test_cli.
runwell_build build
runwell_build build-windows -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DRUNWELL_GUI=OFF

export WINEPREFIX="${RUNWELL_WINEPREFIX:-$PWD/build-windows/wine}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or browser engine to offer to install
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the wine prefix $WINEPREFIX (once)"
    # Without the 32-bit wine, wineboot may report a failure (53) for the 32-bit helpers it
    # cannot start, though the prefix is made; the prefix's registry is what counts.
    wineboot --init >/dev/null 2>&1 || true
    wineserver --wait 2>/dev/null || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Could not create the wine prefix $WINEPREFIX" >&2
        exit 1
    fi
fi
wineserver --wait 2>/dev/null || true

# Now and then wine fails to start a test at all: it ends in 0.01 s without a line of output,
# and passes when run again. A failed test is therefore run once more; a test that fails in
# earnest fails twice. (A persistent wine server instead keeps wine's own services alive, and
# they hold ctest's output pipe open, so ctest waits for ever.)
ctest --test-dir build-windows --output-on-failure --repeat until-pass:2
RUNWELL_CLI="$PWD/build-windows/bin/runwell-cli.exe" RUNWELL_CLI_RUNNER=wine build/tests/test_cli

# The window program for Windows needs a static Qt for MinGW, built once into a cache outside
# the clone (scripts/qt-windows.sh, about 40 minutes on two cores the first time). With it,
# runwell.exe (one static program, no DLLs beside it) and the window tests are cross-built into
# build-windows-gui/ and the tests run under wine on the offscreen platform, with the DejaVu
# fonts read from their folder.
if [ -x scripts/qt-windows.sh ] && prefix=$(scripts/qt-windows.sh --print-prefix 2>/dev/null); then
    echo "Windows window program: building runwell.exe and the window tests with the static Qt at $prefix"
    runwell_install_missing fonts-dejavu-core
    window_tests=(test_main_window test_main_window_edits test_mode_editor_dialog test_trace_dialog
                  test_derated_curve_view test_analysis_panel test_prediction_panel
                  test_regulator_dialog test_charts
                  test_charge_share_chart test_app_shell test_file_dialogs test_mode_spread_dialog
                  test_screen_fit_1366_768_1_5 test_screen_fit_1280_720_1)
    cmake -S . -B build-windows-gui -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER="$(command -v ccache || true)" \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
    nice cmake --build build-windows-gui --target runwell "${window_tests[@]}"
    ctest --test-dir build-windows-gui --output-on-failure -L window --repeat until-pass:2

    # The portable zip and the installer, and the installer's round trip in a scratch prefix.
    runwell_install_missing msitools wixl zip
    version=$(sed -n 's/^project(Runwell VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    packaging/windows/package.sh build-windows-gui/bin build-windows/bin build-windows-gui/package \
        "$version"
    packaging/windows/check_msi.sh "build-windows-gui/package/Runwell-$version-windows-x86_64.msi"
else
    echo "Windows window program: not built, no static Qt for MinGW is cached; build it once with scripts/qt-windows.sh (about 40 minutes)."
fi
