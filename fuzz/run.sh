#!/usr/bin/env bash
# Runs every fuzz target for a bounded time and prints, per target, the
# executions and the findings.
#
#   fuzz/run.sh BUILD_DIR SECONDS_PER_TARGET [TARGET...]
#
# Each target first replays its regression inputs (fuzz/regressions/TARGET/),
# inputs that once broke a property: a fault that is still there, or back,
# shows up there. Then it fuzzes from the corpus in the repository
# (fuzz/corpus/TARGET) and the inputs kept by earlier runs
# (BUILD_DIR/work/TARGET/corpus). libFuzzer stops at the first input that
# breaks something; the run is resumed for the rest of the target's time, so
# that one fault does not hide others, and the executions of all its parts
# are summed from libFuzzer's final statistics. Exit status 1 when anything
# was found or a regression input still fails.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?build directory}" && pwd)
seconds=${2:?seconds per target}
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(export_file export_command ftp_delivery unscramble_text null_stub
                                     missing_report file_name)

# Longest input per target: enough for every field the target reads.
declare -A max_len=(
    [export_file]=4096 [export_command]=1024 [ftp_delivery]=600 [unscramble_text]=256
    [null_stub]=256 [missing_report]=2048 [file_name]=1100
)

# The line that names what broke, from a libFuzzer log.
finding_of() {
    local line
    line=$(grep -m1 -E 'property broken|runtime error:|SUMMARY: AddressSanitizer|ERROR: libFuzzer: (timeout|out-of-memory)' "$1")
    if [[ $line == *"property broken"* ]]; then
        # The check, and the line after it that shows the values.
        line="$line | $(grep -m1 -A1 'property broken' "$1" | tail -n1 | sed 's/^ *//')"
    fi
    echo "${line//$root\//}"
}

status=0
summary=()
details=()
for target in "${targets[@]}"; do
    binary=$build/fuzz/fuzz_$target
    [ -x "$binary" ] || { echo "fuzz: $binary is missing (build the fuzz preset)" >&2; exit 2; }
    work=$build/work/$target
    mkdir -p "$work/corpus" "$work/findings" "$work/tmp"
    rm -rf "${work:?}/tmp/"* "${work:?}/log."*
    export TMPDIR=$work/tmp  # the harnesses' scratch directories go here

    # Regression inputs.
    regressions=0
    still=0
    for input in "$root"/fuzz/regressions/"$target"/*; do
        [ -f "$input" ] || continue
        regressions=$((regressions + 1))
        if ! "$binary" "$input" >"$work/log.regression" 2>&1; then
            still=$((still + 1))
            details+=("$target: regression ${input#"$root"/} still fails: $(finding_of "$work/log.regression")")
        fi
    done

    # Fuzzing, resumed after each finding until the time is used.
    executions=0
    crashes=0
    declare -A seen=()
    findings=0
    start=$(date +%s)
    part=0
    while :; do
        left=$((start + seconds - $(date +%s)))
        [ "$left" -ge 1 ] || break
        part=$((part + 1))
        log=$work/log.$part
        timeout $((left + 120)) "$binary" -max_total_time="$left" -print_final_stats=1 \
            -max_len="${max_len[$target]:-4096}" -timeout=10 -use_value_profile=1 \
            -artifact_prefix="$work/findings/" "$work/corpus" "$root/fuzz/corpus/$target" \
            >"$log" 2>&1
        result=$?
        count=$(grep -m1 '^stat::number_of_executed_units:' "$log" | awk '{print $2}')
        executions=$((executions + ${count:-0}))
        [ "$result" -eq 0 ] && break
        crashes=$((crashes + 1))
        artifact=$(grep -m1 -o 'Test unit written to .*' "$log" | sed 's/^Test unit written to //')
        finding=$(finding_of "$log")
        [ -n "$finding" ] || finding="exit status $result, see ${log#"$root"/}"
        check=${finding%% | *}  # one finding per broken check, whatever the values
        if [ -z "${seen[$check]:-}" ]; then
            seen[$check]=1
            findings=$((findings + 1))
            details+=("$target: $finding"$'\n'"    input: ${artifact#"$root"/}")
        fi
        [ -n "$artifact" ] || break  # nothing to resume from
    done
    unset seen
    rm -rf "${work:?}/tmp"

    summary+=("$(printf '%-16s %12s %8s %8s %9s %12s' "$target" "$executions" "$seconds" "$crashes" \
                 "$findings" "$still/$regressions")")
    [ "$findings" -eq 0 ] && [ "$still" -eq 0 ] || status=1
done

echo
printf '%-16s %12s %8s %8s %9s %12s\n' "fuzz target" "executions" "seconds" "crashes" "findings" \
       "regressions"
printf '%s\n' "${summary[@]}"
if [ ${#details[@]} -gt 0 ]; then
    echo
    echo "findings (rerun one with: $build/fuzz/fuzz_TARGET INPUT):"
    printf '  %s\n' "${details[@]}"
fi
exit $status
