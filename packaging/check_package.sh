#!/usr/bin/env bash
# Builds the .deb from a built tree and checks it: its file list, its dependencies, the desktop
# entry, the AppStream metainfo and the settings file type, and lintian (no errors).
# Usage: packaging/check_package.sh [BUILD_DIR]   (a stage of test.sh; BUILD_DIR defaults to build)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
runwell_install_missing desktop-file-utils appstream lintian dpkg-dev fakeroot file shared-mime-info

build=$(realpath "${1:-build}")
fail() {
    echo "check_package: $*" >&2
    exit 1
}

rm -f "$build"/runwell_*.deb
(cd "$build" && fakeroot cpack -G DEB >/dev/null)
debs=("$build"/runwell_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no .deb"
deb=${debs[0]}
echo "check_package: $(basename "$deb")"

listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
expected=(
    ./usr/bin/runwell ./usr/bin/runwell-cli
    ./usr/share/runwell/StandardBattery.csv
    ./usr/share/applications/runwell.desktop
    ./usr/share/metainfo/io.github.runwell.Runwell.metainfo.xml
    ./usr/share/mime/packages/io.github.runwell.Runwell.xml
    ./usr/share/icons/hicolor/scalable/apps/runwell.svg
    ./usr/share/man/man1/runwell.1.gz ./usr/share/man/man1/runwell-cli.1.gz
    ./usr/share/doc/runwell/copyright ./usr/share/doc/runwell/changelog.gz
)
for shipped in Data/*.csv BatteryModels/*.json Regulators/*.json Missions/*.json; do
    expected+=("./usr/share/runwell/$shipped")
done
for size in 16 22 24 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/runwell.png")
done
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$listing" || fail "$path is missing from the package"
done
! grep -q CustomBattery.csv <<<"$listing" || fail "the package holds a CustomBattery.csv"
! grep -qv '^\./usr/' <<<"$listing" || fail "the package installs outside /usr"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6widgets6; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
for program in runwell runwell-cli; do
    file -b "$tree/usr/bin/$program" | grep -q '^ELF.*, stripped$' || fail "$program is not stripped"
done
desktop-file-validate "$tree/usr/share/applications/runwell.desktop"
appstreamcli validate --no-net "$tree/usr/share/metainfo/io.github.runwell.Runwell.metainfo.xml"

# The file type: a private MIME database built from the package's definition alone.
mkdir -p "$tree/mime/packages"
cp "$tree/usr/share/mime/packages/io.github.runwell.Runwell.xml" "$tree/mime/packages/"
update-mime-database "$tree/mime" >/dev/null 2>&1 || fail "update-mime-database refused the file type"
grep -q 'application/x-runwell-settings:\*\.set' "$tree/mime/globs2" ||
    fail "*.set is not mapped to application/x-runwell-settings"

# Errors fail the stage; warnings and notes are shown.
lintian --fail-on error --info "$deb" 2> >(grep -v 'running with root privileges' >&2)
echo "check_package: the package is complete and lintian reports no errors"
