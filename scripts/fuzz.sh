#!/usr/bin/env bash
# The libFuzzer targets (*_fuzz.cpp beside the code they test).
#
#   scripts/fuzz.sh build                 build every target into build/fuzz/
#   scripts/fuzz.sh corpus                run each target once over its seed
#                                         corpus and fixed regressions (fast;
#                                         part of the test command)
#   scripts/fuzz.sh run [SECONDS] [T...]  fuzz each target (or only T...) for
#                                         SECONDS (default 180); new inputs go
#                                         to build/fuzz/corpus-<target>/, logs
#                                         to build/fuzz/logs/, crashes to
#                                         build/fuzz/artifacts/<target>/
#   scripts/fuzz.sh report                executions and CPU time of the last runs
#
# Environment: FUZZ_CXX (default clang++-14), JOBS (build jobs, default 2),
# FUZZ_PARALLEL (targets fuzzed at once, default 1), FUZZ_NICE (nice level
# for the fuzzers, default 0).
#
# Seeds live in fuzz/corpus/<target>/, dictionaries in fuzz/dict/, inputs
# that once failed in fuzz/regressions/<target>/. A regression listed in
# fuzz/regressions/OPEN still fails (its fix has not landed): `corpus` and
# `run` leave it out, and `corpus` says so.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build/fuzz
TARGETS=(command_line record_lexer installer_settings install_file_list ini_file folder_order)
OPEN_LIST=$ROOT/fuzz/regressions/OPEN

dict_of() {
    case $1 in
        record_lexer | installer_settings | install_file_list) echo "$ROOT/fuzz/dict/records.dict" ;;
        *) echo "$ROOT/fuzz/dict/$1.dict" ;;
    esac
}

is_open() {  # is_open <target>/<file>
    [[ -f $OPEN_LIST ]] && grep -qxF "$1" <(sed -e 's/[[:space:]]*#.*//' -e '/^$/d' "$OPEN_LIST")
}

# The regression inputs of a target whose fixes have landed.
fixed_regressions() {
    local dir=$ROOT/fuzz/regressions/$1 file
    [[ -d $dir ]] || return 0
    for file in "$dir"/*; do
        [[ -f $file && $file != *.md ]] || continue
        is_open "$1/$(basename "$file")" || echo "$file"
    done
}

check_target() {
    local t
    for t in "${TARGETS[@]}"; do [[ $t == "$1" ]] && return 0; done
    echo "fuzz.sh: no target '$1' (targets: ${TARGETS[*]})" >&2
    exit 2
}

build() {
    local cxx=${FUZZ_CXX:-clang++-14}
    if [[ ! -f $BUILD/build.ninja ]]; then
        cmake -S "$ROOT/fuzz" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
    fi
    cmake --build "$BUILD" -j"${JOBS:-2}"
}

corpus() {
    build
    local t failed=0 inputs file
    for t in "${TARGETS[@]}"; do
        inputs=()
        for file in "$ROOT/fuzz/corpus/$t"/*; do [[ -f $file ]] && inputs+=("$file"); done
        while IFS= read -r file; do inputs+=("$file"); done < <(fixed_regressions "$t")
        if "$BUILD/${t}_fuzz" "${inputs[@]}" >"$BUILD/corpus-$t.log" 2>&1; then
            echo "fuzz corpus: $t: ${#inputs[@]} inputs passed"
        else
            echo "fuzz corpus: $t FAILED; see $BUILD/corpus-$t.log" >&2
            grep -E 'PROPERTY VIOLATED|ERROR: |Running: ' "$BUILD/corpus-$t.log" | tail -3 >&2 || true
            failed=1
        fi
    done
    if [[ -f $OPEN_LIST ]]; then
        sed -e 's/[[:space:]]*#.*//' -e '/^$/d' "$OPEN_LIST" | while IFS= read -r file; do
            echo "fuzz corpus: skipped open finding fuzz/regressions/$file"
        done
    fi
    return $failed
}

# Fuzzes one target for $1 seconds; the exit status says whether it found
# anything.
run_one() {
    local seconds=$1 t=$2
    local work=$BUILD/corpus-$t artifacts=$BUILD/artifacts/$t log=$BUILD/logs/$t.log
    mkdir -p "$work" "$artifacts" "$BUILD/logs"
    # Fixed regressions join the working corpus: a fault that comes back is
    # found at once.
    fixed_regressions "$t" | while IFS= read -r file; do cp -f "$file" "$work/regression-$(basename "$file")"; done
    echo "fuzz run: $t for ${seconds}s (log $log)"
    local status=0
    /usr/bin/time -f '%U %S' -o "$BUILD/logs/$t.time" \
        nice -n "${FUZZ_NICE:-0}" "$BUILD/${t}_fuzz" \
        -max_total_time="$seconds" -max_len=4096 -timeout=25 -rss_limit_mb=2048 \
        -dict="$(dict_of "$t")" -artifact_prefix="$artifacts/" -print_final_stats=1 \
        "$work" "$ROOT/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
    return $status
}

report() {
    local t log done_line cpu runs
    printf '%-20s %14s %10s %10s  %s\n' target executions exec/s cpu-s result
    for t in "${TARGETS[@]}"; do
        log=$BUILD/logs/$t.log
        [[ -f $log ]] || continue
        done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        cpu=$(awk '{printf "%.0f", $1 + $2}' "$BUILD/logs/$t.time" 2>/dev/null || echo '?')
        local result=clean
        if grep -qE 'PROPERTY VIOLATED|ERROR: (AddressSanitizer|UndefinedBehaviorSanitizer|LeakSanitizer|libFuzzer)|runtime error' "$log"; then
            result="FOUND: $(ls "$BUILD/artifacts/$t" 2>/dev/null | head -1)"
        fi
        printf '%-20s %14s %10s %10s  %s\n' "$t" "${runs:-?}" \
            "$(sed -n 's/.*exec\/s: \([0-9]*\).*/\1/p' <<<"$done_line")" "$cpu" "$result"
    done
}

run() {
    local seconds=${1:-180}
    shift || true
    local targets=("$@") t
    [[ ${#targets[@]} -gt 0 ]] || targets=("${TARGETS[@]}")
    for t in "${targets[@]}"; do check_target "$t"; done
    build
    local parallel=${FUZZ_PARALLEL:-1} failed=0 running=0
    for t in "${targets[@]}"; do
        if ((running >= parallel)); then
            wait -n || failed=1
            running=$((running - 1))
        fi
        run_one "$seconds" "$t" &
        running=$((running + 1))
    done
    while ((running > 0)); do
        wait -n || failed=1
        running=$((running - 1))
    done
    report
    return $failed
}

case ${1:-} in
    build) build ;;
    corpus) corpus ;;
    run) shift; run "$@" ;;
    report) report ;;
    *)
        sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
esac
