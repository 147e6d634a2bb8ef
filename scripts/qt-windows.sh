#!/usr/bin/env bash
# Builds a static Qt 6 (qtbase: Core, Gui, Widgets, Test, Xml and the qwindows, qoffscreen and
# qminimal platform plugins) for 64-bit Windows with Debian's MinGW-w64, once, into a cache outside
# the clone, then checks it by cross-building a scratch Widgets program into one static .exe and
# running it under wine. The last line on stdout is the install prefix; all else goes to stderr.
#
#   scripts/qt-windows.sh                 build when the cache is cold, check, print the prefix
#   scripts/qt-windows.sh --print-prefix  print the prefix when the cache is warm, else exit 1;
#                                         installs and builds nothing
#   scripts/qt-windows.sh --no-check      build when cold and print the prefix, without the check
#
# Environment: RUNWELL_QT_CACHE (cache root, default /var/cache/runwell/qt-mingw),
# RUNWELL_QT_JOBS (parallel compiles, default 2), RUNWELL_QT_KEEP_CHECK=1 (keep the scratch
# program, its build, wine prefix and screenshot in /tmp).
#
# The source is Debian's qt6-base source package of exactly the version of the installed host
# tools (qt6-base-dev-tools: moc, rcc, uic), which a cross build of Qt has to match. The install
# lives in <cache>/<key>, the key naming that version, the MinGW compiler's version and a short
# sha256 of this script and of cmake/mingw-w64-x86_64.cmake, so changing either builds anew. A
# stamp file is written last: an install without it is half-finished and is built again. The
# build (about 1000 steps, 50 minutes on two busy cores) runs under nice in a scratch folder
# under the cache root that is removed on success; its output is in <cache>/<key>.log.
#
# Using it: configure with Qt's toolchain file from the install, chain-loading the project's,
#   cmake -S . -B build-windows -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=<prefix>/lib/cmake/Qt6/qt.toolchain.cmake \
#       -DQT_CHAINLOAD_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64-x86_64.cmake -DQT_HOST_PATH=/usr
# (the project's toolchain alone searches packages only under /usr/x86_64-w64-mingw32, so a
# CMAKE_PREFIX_PATH outside it is not seen). Qt's targets bring the Windows libraries they need.
# With add_executable or qt_add_executable alike, the default plugins are linked in (qwindows,
# the windowsvista style, gif, ico); qoffscreen needs
#   qt_import_plugins(<target> INCLUDE Qt6::QOffscreenIntegrationPlugin)
#
# Under wine: wine hands no QT_* variable to a Windows program (they are meant for the Linux Qt),
# but passes WINEQT_X on as QT_X. The windows platform works without a display and finds fonts
# through wine. The offscreen platform finds none on its own: it reads TrueType files from
# QT_QPA_FONTDIR only, given as a wine path to a Linux folder (fonts-dejavu-core):
#   WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/dejavu \
#       wine program.exe
# Without it every glyph is drawn as an empty box. Its theme asks for "Sans Serif", which that
# font folder does not name, so Qt takes the first family (DejaVu Math TeX Gyre, a serif face);
# a program that cares sets its font by family ("DejaVu Sans").
set -euo pipefail
SELF=$(realpath "$0")
readonly SELF
cd "$(dirname "$SELF")/.."
source scripts/setup.sh

readonly MINGW=x86_64-w64-mingw32
readonly TOOLCHAIN=$PWD/cmake/mingw-w64-x86_64.cmake
readonly CACHE_ROOT=${RUNWELL_QT_CACHE:-/var/cache/runwell/qt-mingw}
readonly FONT_DIR=/usr/share/fonts/truetype/dejavu

say() { echo "qt-windows: $*" >&2; }
die() { say "$*"; exit 1; }

package_version() {
    dpkg-query -W -f='${Status} ${Version}' "$1" 2>/dev/null |
        sed -n 's/^install ok installed //p'
}

# Prints the install prefix for the installed host Qt and compiler; fails when either is missing.
cache_prefix() {
    local qt gcc hash
    qt=$(package_version qt6-base-dev)
    gcc=$(package_version g++-mingw-w64-x86-64-posix)
    [ -n "$qt" ] && [ -n "$gcc" ] || return 1
    hash=$(cat "$SELF" "$TOOLCHAIN" | sha256sum | cut -c1-12)
    echo "$CACHE_ROOT/$(echo "qt$qt-gcc$gcc" | tr -c 'A-Za-z0-9.\n-' '_')-$hash"
}

readonly STAMP_NAME=.runwell-complete
is_warm() { [ -f "$1/$STAMP_NAME" ]; }

# What is built: qtbase alone, static, without the modules the program does not use. Debian's
# tarball lacks wintab, hence no tablet events; MinGW has no copies of the third-party libraries
# (but zlib), so Qt's bundled ones are used throughout. Qt 6.4 compiles the DirectWrite font
# database only with Direct2D on, yet the qwindows plugin calls it whenever directwrite3 is on;
# it is an opt-in (-platform windows:fontengine=directwrite), so it is left out.
QT_CONFIGURE_FLAGS=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF
    -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_pkg_config=OFF -DFEATURE_jpeg=OFF
    -DFEATURE_freetype=ON
)

# apt-get source needs a deb-src entry: when there is none, one is added beside each deb entry of
# the system's sources, and the index is brought up to date when it lacks the source wanted.
ensure_source_index() {
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    if ! grep -qsE '^[[:space:]]*deb-src[[:space:]]|^Types:.*deb-src' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
        say "adding deb-src entries for the qt6-base source"
        if compgen -G '/etc/apt/sources.list.d/*.sources' >/dev/null; then
            sed -n '/^Types:/!p; s/^Types:.*/Types: deb-src/p' /etc/apt/sources.list.d/*.sources |
                $sudo tee /etc/apt/sources.list.d/runwell-src.sources >/dev/null
        else
            sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list |
                $sudo tee /etc/apt/sources.list.d/runwell-src.list >/dev/null
        fi
    fi
    apt-cache showsrc qt6-base 2>/dev/null | grep -qxF "Version: $1" || $sudo apt-get update -qq
}

# Runs the build's steps with the output in the log; on failure shows its tail.
run_logged() {
    local log=$1
    shift
    echo "+ $*" >>"$log"
    if ! "$@" >>"$log" 2>&1; then
        say "failed: $*"
        tail -n 40 "$log" >&2
        die "the whole log is $log"
    fi
}

# Prints a line at each tenth of the ninja steps done.
show_progress() {
    awk -F'[][/]' '/^\[[0-9]+\/[0-9]+\]/ {
        tenth = int($2 * 10 / $3)
        if (tenth > shown) { shown = tenth; printf "qt-windows: built %d%% (%d of %d)\n", tenth * 10, $2, $3; fflush() }
    }' >&2
}

build_qt() {
    local prefix=$1 log=$1.log work started
    rm -rf "$prefix" "$CACHE_ROOT"/work.*  # a half-finished install, and stale scratch trees
    work=$(mktemp -d "$CACHE_ROOT/work.XXXXXX")
    : >"$log"
    started=$(date +%s)

    say "fetching the qt6-base $(package_version qt6-base-dev) source (log: $log)"
    run_logged "$log" env -C "$work" apt-get source --download-only -o APT::Sandbox::User=root \
        "qt6-base=$(package_version qt6-base-dev)"
    run_logged "$log" env -C "$work" sh -c 'dpkg-source -x qt6-base_*.dsc src'

    say "configuring"
    run_logged "$log" nice -n 19 cmake -G Ninja -S "$work/src" -B "$work/build" \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_INSTALL_PREFIX="$prefix" \
        "${QT_CONFIGURE_FLAGS[@]}"

    say "building with ${RUNWELL_QT_JOBS:-2} jobs (about 40 minutes on two idle cores)"
    if ! nice -n 19 ninja -C "$work/build" -j "${RUNWELL_QT_JOBS:-2}" 2>&1 | tee -a "$log" |
        show_progress; then
        tail -n 40 "$log" >&2
        die "the build failed; the whole log is $log"
    fi
    run_logged "$log" cmake --install "$work/build"

    {
        echo "built $(date -u +%FT%TZ) in $(($(date +%s) - started)) s"
        echo "qt6-base $(package_version qt6-base-dev), $MINGW-g++-posix $(package_version g++-mingw-w64-x86-64-posix)"
        echo "${QT_CONFIGURE_FLAGS[*]}"
    } >"$prefix/$STAMP_NAME"
    rm -rf "$work"
    say "built in $((($(date +%s) - started) / 60)) minutes"
}

# Cross-builds a scratch Widgets program against the install into one static .exe, with the
# windows and offscreen platform plugins in it, and runs it under wine on either platform: it draws
# a label into a PNG, and fails when it is on another platform than asked for, when a plugin is
# missing, or when the label's font has no glyphs for its text.
check_qt() {
    local prefix=$1 dir
    dir=$(mktemp -d /tmp/runwell-qt-check.XXXXXX)
    cat >"$dir/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.21)
project(qtcheck LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(qtcheck main.cpp)
target_link_libraries(qtcheck PRIVATE Qt6::Widgets)
qt_import_plugins(qtcheck INCLUDE Qt6::QOffscreenIntegrationPlugin)
EOF
    cat >"$dir/main.cpp" <<'EOF'
// qtcheck PLATFORM PNG: draws a label on the platform Qt chose, which must be PLATFORM, into PNG.
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QJsonObject>
#include <QLabel>
#include <QPluginLoader>
#include <QStaticPlugin>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QStringList plugins;
    for (const QStaticPlugin& plugin : QPluginLoader::staticPlugins())
        plugins << plugin.metaData().value(QLatin1String("className")).toString();

    QWidget window;
    const QString text = QStringLiteral("Runwell 4200 mAh");
    auto* label = new QLabel(text, &window);
    (new QVBoxLayout(&window))->addWidget(label);
    window.resize(240, 60);
    window.show();
    const QImage shot = window.grab().toImage();
    int dark = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            dark += qGray(shot.pixel(x, y)) < 128;

    const QFontMetrics metrics(label->font());
    bool glyphs = true;
    for (const QChar c : text)
        glyphs = glyphs && metrics.inFont(c);
    std::printf("platform %s; static plugins %s; font %s%s; %d dark pixels\n",
                qPrintable(QGuiApplication::platformName()), qPrintable(plugins.join(u' ')),
                qPrintable(QFontInfo(label->font()).family()), glyphs ? "" : " (no glyphs)", dark);
    const bool linked = plugins.contains(QLatin1String("QWindowsIntegrationPlugin")) &&
                        plugins.contains(QLatin1String("QOffscreenIntegrationPlugin"));
    return QGuiApplication::platformName() == QString::fromLocal8Bit(argv[1]) && linked && glyphs &&
                   dark > 0 && shot.save(QString::fromLocal8Bit(argv[2]))
               ? 0
               : 1;
}
EOF
    say "checking: a scratch Widgets program in $dir"
    run_logged "$dir/check.log" cmake -G Ninja -S "$dir" -B "$dir/build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$TOOLCHAIN" -DQT_HOST_PATH=/usr
    run_logged "$dir/check.log" nice -n 19 cmake --build "$dir/build"

    local exe=$dir/build/qtcheck.exe dlls
    dlls=$("$MINGW-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -f | xargs)
    say "$(basename "$exe"): $(($(stat -c %s "$exe") / 1048576)) MiB, imports $dlls"
    if grep -qiE 'qt6|libstdc|libgcc|winpthread' <<<"$dlls"; then
        die "the program needs DLLs beside it; the whole check is in $dir"
    fi

    export WINEPREFIX=$dir/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot --init >/dev/null 2>&1
    local platform result
    for platform in windows offscreen; do
        if ! result=$(cd "$dir" && WINEQT_QPA_PLATFORM=$platform WINEQT_QPA_FONTDIR="Z:$FONT_DIR" \
            wine "$exe" "$platform" "$platform.png" 2>&1 | tr -d '\r'); then
            say "$result"
            wineserver -k 2>/dev/null || true
            die "the program failed under wine on the $platform platform; the check is in $dir"
        fi
        say "under wine: $result"
    done
    wineserver -k 2>/dev/null || true
    if [ "${RUNWELL_QT_KEEP_CHECK:-0}" = 1 ]; then
        say "kept $dir (screenshots $dir/windows.png, $dir/offscreen.png)"
    else
        rm -rf "$dir"
    fi
}

mode=${1:-}
case "$mode" in
"" | --no-check) ;;
--print-prefix)
    prefix=$(cache_prefix) && is_warm "$prefix" && echo "$prefix" && exit 0
    exit 1
    ;;
*) die "usage: scripts/qt-windows.sh [--print-prefix | --no-check]" ;;
esac

runwell_install_missing dpkg-dev g++-mingw-w64-x86-64 qt6-base-dev qt6-base-dev-tools ninja-build \
    cmake fonts-dejavu-core wine wine64
prefix=$(cache_prefix) || die "cannot tell the Qt and MinGW versions"

if ! is_warm "$prefix"; then
    [ -d "$CACHE_ROOT" ] || mkdir -p "$CACHE_ROOT" 2>/dev/null ||
        sudo install -d -o "$(id -u)" -g "$(id -g)" "$CACHE_ROOT"
    [ -w "$CACHE_ROOT" ] || die "$CACHE_ROOT is not writable (RUNWELL_QT_CACHE chooses another)"
    exec 9>"$CACHE_ROOT/.lock"
    flock -n 9 || { say "waiting for another build of Qt to end"; flock 9; }
    if ! is_warm "$prefix"; then
        ensure_source_index "$(package_version qt6-base-dev)"
        build_qt "$prefix"
    fi
    flock -u 9
fi

[ "$mode" = --no-check ] || check_qt "$prefix"
echo "$prefix"
