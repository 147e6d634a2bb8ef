#!/bin/sh
# Rebuilds the shipped battery models that are made from measured battery profiles and discharge
# logs, with the tool's own importer and fitter. The profiles are those of the public repository
# qoitech/otii-battery-profiles: the files of its commit 91733950 are read from a snapshot of it
# (the first argument: a git directory or work tree), and the older files that commit no longer
# holds from the excerpts in measurements/battery-profiles/ (each names its commit and the rows
# it keeps). The discharge logs are those of the public repository dhennessy/BatteryCapacityTester,
# read from a snapshot of it (the second argument). Run from the repository's root after a build:
#
#   scripts/battery-models.sh /path/to/otii-battery-profiles /path/to/BatteryCapacityTester
set -eu
usage="usage: scripts/battery-models.sh SNAPSHOT_OF_otii-battery-profiles SNAPSHOT_OF_BatteryCapacityTester"
snapshot=${1:?$usage}
tester=${2:?$usage}
cli=${RUNWELL_CLI:-build/bin/runwell-cli}
commit=91733950d0548eb79ec4f668ebe0458f0bb921b1
excerpts=measurements/battery-profiles
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fetch() {  # fetch FILE: the snapshot's file at the pinned commit, into $work
    git -C "$snapshot" show "$commit:battery-profiles/$1" >"$work/$1"
    echo "$work/$1"
}

cite="qoitech/otii-battery-profiles, commit $commit"
tester_commit=d722aafc62184e29d307662355f1e1a866858b32

tester_log() {  # tester_log NAME: Results/NAME.csv of the tester's snapshot, into $work
    # The logs' headers name no units; the tester's are seconds, volts and amperes. One header
    # (panasonic-evolta.csv) begins with a stray "2".
    git -C "$tester" show "$tester_commit:Results/$1.csv" |
        sed '1s/^2\{0,1\}time,voltage,current,/time(s),voltage(V),current(A),/' >"$work/$1.csv"
    echo "$work/$1.csv"
}

steady_alkaline=
for product in duracell-plus-power duracell-simply duracell-ultra-power energizer-hightech \
    energizer-industrial energizer-ultra-plus maplin-longlife panasonic-evolta rs-alkaline \
    rs-power-ultra; do
    steady_alkaline="$steady_alkaline --steady $(tester_log "$product")"
done
steady_cite="dhennessy/BatteryCapacityTester, commit $tester_commit, Results/, their headers given units: one alkaline AA cell of each of ten products on a 5.5 ohm resistor, 2012, sampled each second; the current is the voltage over 5.5 ohm; the tester's probe read 19 to 38 C"
cite_old="qoitech/otii-battery-profiles, commit 1fc05f0a, excerpt in $excerpts"

"$cli" battery-model import "$(fetch CR2032-Varta-40mA.json)" --pulse-current 40 --rating 225@0.19 \
    --battery "CR2032 coin cell" --citation "$cite" -o BatteryModels/CR2032.json
"$cli" battery-model import "$(fetch CR2450-MuRata-40mA.json)" --pulse-current 40 --rating 620@0.2 \
    --battery "CR2450 coin cell" --citation "$cite" -o BatteryModels/CR2450.json
"$cli" battery-model import "$(fetch AAA-Energizer_Industrial_EN92-Alkaline-100mA.json)" \
    --pulse-current 100 --rating 1200@25 --battery "AAA alkaline" --citation "$cite" \
    -o BatteryModels/AAA-alkaline.json
"$cli" battery-model import "$(fetch AAA-GP_Excellent-Lithium-100mA.json)" \
    --pulse-current 100 --rating 1200@25 --battery "AAA lithium iron disulfide" --citation "$cite" \
    -o BatteryModels/AAA-lithium-iron-disulfide.json
# The AA alkaline cell: Varta's profile, measured under 35 mA pulses, and the capacity that ten
# alkaline AA cells of ten products delivered on the tester's 5.5 ohm resistor (about 210 mA),
# each logged each second to below the profile's end voltage of 0.75 V; the tester's probe read
# 19 to 38 C. The importer sets the capacity at their mean drain so that the model reproduces
# their mean capacity under that drain.
"$cli" battery-model import "$excerpts/AA-Varta-(25).json" --rating 2850@25 \
    --battery "AA alkaline" --citation "$cite_old" $steady_alkaline \
    --steady-citation "$steady_cite" -o BatteryModels/AA-alkaline.json
"$cli" battery-model import "$excerpts/AA-Varta-(25).json" --series 2 --rating 2850@25 \
    --battery "2 x AA alkaline in series" --citation "$cite_old" $steady_alkaline \
    --steady-citation "$steady_cite" -o BatteryModels/2xAA-alkaline.json
"$cli" battery-model import "$excerpts/CR123A-GP-(25).json" --rating 1500@100 \
    --battery "CR123A cylindrical cell" --citation "$cite_old" -o BatteryModels/CR123A.json
# The ratings above are the catalogue's (StandardBattery.csv, its notes name the drain).
# The Li-polymer pouch of the catalogue (1000 mAh) as two of Renata's 525 mAh cells in parallel,
# at the three temperatures the profiles were measured at. It takes no rating: a rating is a
# point of the 20 C capacity against drain, while the -10 and 5 C tables hold one capacity at
# any drain, so the catalogue's 1000 mAh at 200 mA would leave the pack more at 5 C than at
# 20 C under that drain.
"$cli" battery-model import "$(fetch 'LiPo-ICP632136HPST-Renata-WiFi-(-10).json')" \
    "$(fetch 'LiPo-ICP632136HPST-Renata_WiFi-5.json')" \
    "$(fetch 'LiPo-ICP632136HPST-Renata-WiFi-20.json')" --parallel 2 \
    --battery "Li-polymer pouch 1000 mAh" --citation "$cite" -o BatteryModels/LiPo-1000.json
# The AA lithium iron disulfide cell from a steady discharge of an Energizer lithium AA on the
# tester's 5.5 ohm resistor, sampled each second (its sketch reads the voltage against a 5 V
# reference taken as exact and logs the current as that voltage over 5.5 ohm), to the catalogue's
# end voltage of 0.9 V; the tester's temperature probe read 26 to 32 C, 28 C on average. The
# log gives the capacity at its average drain, about 250 mA; the catalogue's rating adds the
# light load, as for the profiles above.
"$cli" battery-model fit "$(tester_log energizer-lithium)" --battery "AA lithium iron disulfide" \
    --temperature 28 --cutoff 0.9 --rating 3500@25 --date 2026-12-09 \
    --citation "dhennessy/BatteryCapacityTester, commit $tester_commit, Results/energizer-lithium.csv, its header given units: an Energizer lithium AA on a 5.5 ohm resistor, 2012, sampled each second, to 0.9 V; the current is the voltage over 5.5 ohm; the tester's probe read 26 to 32 C" \
    -o BatteryModels/AA-lithium-iron-disulfide.json
