#!/usr/bin/env bash
# Checks the Windows installer under wine, in a scratch prefix removed afterwards: a quiet
# install, the installed runwell-cli.exe (its version, and the report of a shipped profile against
# the installed data, byte for byte as on Linux), the Start menu entry and
# the .set association, then a quiet uninstall that must leave no file, entry or key behind.
#
#   packaging/windows/check_msi.sh MSI
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "Usage: $0 MSI" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
msi=$(realpath "$1")
case_dir=$root/tests/cli/cases/report-shipped

fail() {
    echo "check_msi: $*" >&2
    exit 1
}

WINEPREFIX=$(mktemp -d /tmp/runwell-msi.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
# wineboot may report a failure for the 32-bit helpers a 64-bit-only wine cannot start, though
# the prefix is made; the prefix's registry is what counts.
wineboot --init >/dev/null 2>&1 || true
wineserver --wait
[ -f "$WINEPREFIX/system.reg" ] || { echo "check_msi: could not create the wine prefix" >&2; exit 1; }

installed=$WINEPREFIX/drive_c/Program\ Files/Runwell
# The Start menu entry: Windows puts a per-machine one in the common menu, wine in the user's.
start_menu_entry() {
    find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Runwell.lnk' | head -n 1
}
class_key='HKLM\Software\Classes\Runwell.Settings'

wine msiexec /i "$(winepath -w "$msi")" /qn || fail "msiexec /i failed"
wineserver --wait
for file in runwell.exe runwell-cli.exe StandardBattery.csv Data BatteryModels Regulators \
    Missions; do
    [ -e "$installed/$file" ] || fail "not installed: $file"
done
[ -n "$(start_menu_entry)" ] || fail "no Start menu entry"

cli='C:\Program Files\Runwell\runwell-cli.exe'
version=$(wine "$cli" --version | tr -d '\r')
[ "$version" = "$(cat "$root/tests/cli/cases/version/stdout")" ] ||
    fail "runwell-cli.exe --version printed '$version'"
scratch=$WINEPREFIX/drive_c/profile.set
cp "$case_dir/profile.set" "$scratch"
wine "$cli" report 'C:\profile.set' | cmp - "$case_dir/stdout" ||
    fail "the installed runwell-cli.exe reports differently from tests/cli/cases/report-shipped"

association=$(wine reg query 'HKLM\Software\Classes\.set' /ve | tr -d '\r')
grep -q 'Runwell.Settings' <<<"$association" || fail ".set is not associated: $association"
command=$(wine reg query "$class_key\\shell\\open\\command" /ve | tr -d '\r')
grep -qF '"C:\Program Files\Runwell\runwell.exe" "%1"' <<<"$command" ||
    fail "the open command of .set files is: $command"

wine msiexec /x "$(winepath -w "$msi")" /qn || fail "msiexec /x failed"
wineserver --wait
# The only file allowed to stay is the user's CustomBattery.csv, which the report's run created
# beside the programs (their folder is the data folder on Windows) and which is never installed.
rm -f "$installed/CustomBattery.csv"
rmdir "$installed" 2>/dev/null || true
[ ! -e "$installed" ] || fail "left after uninstalling: $(cd "$installed" && find . | tr '\n' ' ')"
[ -z "$(start_menu_entry)" ] || fail "the Start menu entry is left after uninstalling"
for key in 'HKLM\Software\Classes\.set' "$class_key" 'HKLM\Software\Runwell'; do
    if wine reg query "$key" >/dev/null 2>&1; then
        fail "the registry key $key is left after uninstalling"
    fi
done
echo "check_msi: $(basename "$msi") installs, runs, opens .set files and uninstalls cleanly"
