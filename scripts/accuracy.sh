#!/usr/bin/env bash
# Rebuilds the accuracy table of docs/accuracy.md: the predicted life and the classic life of the
# shipped battery models beside the published measurements in accuracy/measurements.tsv.
# Brings accuracy_table in build/ up to date and rewrites the part of docs/accuracy.md between
# its two table markers; prints the table too.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja >/dev/null
fi
cmake --build build --target accuracy_table runwell_data >/dev/null
table=$(build/bin/accuracy_table accuracy/measurements.tsv .)
echo "$table"
doc=docs/accuracy.md
begin='<!-- accuracy table: begin (scripts/accuracy.sh) -->'
end='<!-- accuracy table: end -->'
if [ -f "$doc" ] && grep -qF "$begin" "$doc"; then
    awk -v begin="$begin" -v end="$end" -v table="$table" '
        $0 == begin { print; print table; skip = 1; next }
        $0 == end { skip = 0 }
        !skip { print }' "$doc" >"$doc.new"
    mv "$doc.new" "$doc"
fi
