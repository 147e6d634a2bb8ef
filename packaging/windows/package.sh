#!/usr/bin/env bash
# Packages the Windows programs into OUT: Runwell-VERSION-windows-x86_64.zip, a portable folder
# (the programs find their data beside them), and Runwell-VERSION-windows-x86_64.msi, the
# installer of runwell.wxs built with wixl (msitools). Both hold the same stripped programs and
# data: runwell.exe, runwell-cli.exe, StandardBattery.csv, Data/, BatteryModels/
# Regulators/ and Missions/.
#
#   packaging/windows/package.sh WINDOW_BIN CLI_BIN OUT VERSION
#
# WINDOW_BIN is the bin folder of the window program's build (its data beside it), CLI_BIN that
# of runwell-cli.exe.
set -euo pipefail
if [ $# -ne 4 ]; then
    echo "Usage: $0 WINDOW_BIN CLI_BIN OUT VERSION" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
window_bin=$1
cli_bin=$2
out=$(mkdir -p "$3" && cd "$3" && pwd)
version=$4
name=Runwell-$version-windows-x86_64

stage=$out/$name
rm -rf "$stage" "$out/$name.zip" "$out/$name.msi"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/runwell.exe" "$window_bin/runwell.exe"
x86_64-w64-mingw32-strip -o "$stage/runwell-cli.exe" "$cli_bin/runwell-cli.exe"
cp -r "$window_bin/Data" "$window_bin/BatteryModels" "$window_bin/Regulators" \
    "$window_bin/Missions" \
    "$window_bin/StandardBattery.csv" "$stage/"

(cd "$out" && zip -qr9X "$name.zip" "$name")

# The data files' components, one a file, generated so a new data file needs no edit here.
(cd "$stage" && find Data BatteryModels Regulators Missions StandardBattery.csv -type f |
     LC_ALL=C sort |
     wixl-heat -p "" --directory-ref INSTALLDIR --var var.SourceDir --component-group DataFiles \
         --win64) > "$out/data-files.wxs"
# wixl finds the sources relative to the folder it runs in, not by absolute paths.
(cd "$stage" && wixl --arch x64 -D Version="$version" -D SourceDir=. -D Win64=yes \
     -o "$out/$name.msi" "$here/runwell.wxs" "$out/data-files.wxs")
echo "$out/$name.zip"
echo "$out/$name.msi"
