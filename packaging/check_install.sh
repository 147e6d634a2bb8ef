#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks that the installed programs run in the
# installed layout: data from share/runwell, CustomBattery.csv in the user's data folder and
# never beside the executables, reports byte for byte as from the build tree.
# Usage: check_install.sh BUILD_DIR SOURCE_DIR VERSION   (run by CTest as install_layout)
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
version=$3

scratch=$build/install-check
rm -rf "$scratch"
mkdir -p "$scratch"
trap 'rm -rf "$scratch"' EXIT
DESTDIR=$scratch/root cmake --install "$build" --prefix /usr >/dev/null
root=$scratch/root/usr

fail() {
    echo "install_layout: $*" >&2
    exit 1
}

for file in bin/runwell-cli share/runwell/StandardBattery.csv share/man/man1/runwell-cli.1.gz \
            share/doc/runwell/copyright; do
    [ -f "$root/$file" ] || fail "$file is not installed"
done
for device in "$source"/Data/*.csv; do
    cmp -s "$device" "$root/share/runwell/Data/$(basename "$device")" ||
        fail "Data/$(basename "$device") is not installed as shipped"
done
[ -z "$(find "$scratch/root" -name CustomBattery.csv)" ] || fail "CustomBattery.csv is installed"

# The same report as the build tree's tool gives for a fresh copy of the shipped data.
profile=$source/tests/cli/cases/report-shipped/profile.set
portable=$scratch/portable
mkdir -p "$portable"
cp -r "$build/bin/Data" "$build/bin/StandardBattery.csv" "$portable/"
"$build/bin/runwell-cli" report "$profile" --data "$portable" >"$scratch/expected.txt"

run_cli() {  # XDG_DATA_HOME HOME args...: the installed tool with that environment
    local xdg=$1 home=$2
    shift 2
    env -u XDG_DATA_HOME -u HOME ${xdg:+"XDG_DATA_HOME=$xdg"} ${home:+"HOME=$home"} \
        "$root/bin/runwell-cli" "$@"
}

run_cli "$scratch/xdg" "$scratch/home" report "$profile" >"$scratch/installed.txt" \
    2>"$scratch/stderr" || fail "the installed runwell-cli report failed: $(cat "$scratch/stderr")"
cmp "$scratch/expected.txt" "$scratch/installed.txt" || fail "the installed report differs"
[ ! -s "$scratch/stderr" ] || fail "unexpected messages: $(cat "$scratch/stderr")"
header=$(head -c 200 "$scratch/xdg/runwell/CustomBattery.csv" 2>/dev/null) ||
    fail "CustomBattery.csv was not created under XDG_DATA_HOME"
[[ $header == Description,* ]] || fail "CustomBattery.csv lacks its header line"
[ -z "$(find "$scratch/root" -name CustomBattery.csv)" ] ||
    fail "CustomBattery.csv was created in the installed tree"
[ ! -e "$scratch/home/.local" ] || fail "HOME was used although XDG_DATA_HOME is set"

# Without XDG_DATA_HOME the file goes to ~/.local/share/runwell.
run_cli "" "$scratch/home" report "$profile" >/dev/null
[ -f "$scratch/home/.local/share/runwell/CustomBattery.csv" ] ||
    fail "CustomBattery.csv was not created under HOME/.local/share"

# A user data folder that cannot take the file: the report is made from the shipped batteries,
# and only --verbose says why.
touch "$scratch/blocked"
run_cli "$scratch/blocked" "" report "$profile" >"$scratch/blocked.txt" 2>"$scratch/stderr" ||
    fail "the report failed without a custom battery file"
cmp -s "$scratch/expected.txt" "$scratch/blocked.txt" || fail "the report without it differs"
[ ! -s "$scratch/stderr" ] || fail "messages without --verbose: $(cat "$scratch/stderr")"
run_cli "$scratch/blocked" "" report "$profile" --verbose >/dev/null 2>"$scratch/stderr"
[ "$(cat "$scratch/stderr")" = \
  "runwell-cli: $scratch/blocked/runwell/CustomBattery.csv: Cannot open file for writing." ] ||
    fail "--verbose said: $(cat "$scratch/stderr")"

[ "$(run_cli "" "" --version)" = "runwell-cli $version" ] || fail "runwell-cli --version"

# The window program, when it was built: its version, and one start on the offscreen platform.
if [ -f "$build/bin/runwell" ]; then
    for file in share/applications/runwell.desktop share/icons/hicolor/scalable/apps/runwell.svg \
                share/icons/hicolor/256x256/apps/runwell.png share/man/man1/runwell.1.gz; do
        [ -f "$root/$file" ] || fail "$file is not installed"
    done
    [ "$("$root/bin/runwell" --version)" = "runwell $version" ] || fail "runwell --version"
    env -u HOME XDG_DATA_HOME="$scratch/xdg-window" QT_QPA_PLATFORM=offscreen \
        RUNWELL_EXIT_AFTER_SHOW=1 timeout 60 "$root/bin/runwell" >"$scratch/window.log" 2>&1 ||
        fail "the installed runwell did not start and end: $(cat "$scratch/window.log")"
    [ -f "$scratch/xdg-window/runwell/CustomBattery.csv" ] ||
        fail "the window did not create CustomBattery.csv under XDG_DATA_HOME"
fi
[ -z "$(find "$scratch/root" -name CustomBattery.csv)" ] ||
    fail "CustomBattery.csv was created in the installed tree"
echo "install_layout: the installed tree runs as the build tree does"
