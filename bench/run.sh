#!/usr/bin/env bash
# Runs the export benchmark: time per line and peak memory natively, then,
# where valgrind is installed, the instructions per line of the plug-in's
# writer against the bare formatting loop, counted by callgrind with the
# host's own work left out. Prints figures only.
set -euo pipefail

bench=${1:-build/native/bench/export_bench}
count_sizes=${BENCH_COUNT_SIZES:-"1000 100000 1000000"}

[ -x "$bench" ] || { echo "run.sh: $bench not built (make native)" >&2; exit 1; }

"$bench"
echo

if ! command -v valgrind >/dev/null; then
    echo "valgrind not installed: no instruction counts"
    exit 0
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# shellcheck disable=SC2086
valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out/cg" \
    "$bench" --count $count_sizes >"$out/log" 2>&1 || { cat "$out/log" >&2; exit 1; }

# One dump per phase: "desc: Trigger: Client Request: <phase> <lines>" and
# its instruction total on the "summary:" (or "totals:") line.
declare -A ir
for dump in "$out"/cg.*; do
    label=$(sed -n 's/^desc: Trigger: Client Request: //p' "$dump")
    total=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$dump")
    [ -n "$total" ] || total=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$dump")
    [ -n "$label" ] && ir[$label]=$total
done

echo "Instructions per line (callgrind; the host's scan and sink not counted)"
printf '%9s  %14s  %14s  %6s\n' lines "plugin Ir/l" "bare Ir/l" ratio
for n in $count_sizes; do
    p=${ir["plugin $n"]:-}
    b=${ir["bare $n"]:-}
    if [ -z "$p" ] || [ -z "$b" ]; then
        echo "run.sh: no counts for $n lines" >&2
        continue
    fi
    awk -v n="$n" -v p="$p" -v b="$b" \
        'BEGIN { printf "%9d  %14.1f  %14.1f  %6.3f\n", n, p / n, b / n, p / b }'
done
