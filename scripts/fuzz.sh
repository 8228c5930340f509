#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang and libFuzzer in a build folder of their own, then
# runs each for SECONDS seconds: from the seeds in fuzz/corpus/TARGET, adding every input that
# reaches new code to BUILD/corpus/TARGET, which later runs start from. Any finding (a crash, a
# sanitizer report, a leak, a hang of over 10 s, a broken check) fails the run; the input that
# caused it is kept in BUILD/findings/ and the target's whole output in BUILD/logs/.
#
#   scripts/fuzz.sh [--run-only] [BUILD [SECONDS [TARGET...]]]
#       BUILD     build folder (default build-fuzz)
#       SECONDS   time per target (default 10)
#       TARGET    setup texture model wav title keys (default: all, one after the other)
#       --run-only  do not configure or build (for runs side by side on one build)
set -euo pipefail
cd "$(dirname "$0")/.."

build_first=1
if [ "${1:-}" = "--run-only" ]; then
    build_first=0
    shift
fi
build=${1:-build-fuzz}
seconds=${2:-10}
shift $(( $# < 2 ? $# : 2 ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(setup texture model wav title keys)

if [ $build_first -eq 1 ]; then
    CC=${FUZZ_CC:-clang} CXX=${FUZZ_CXX:-clang++} cmake -S . -B "$build" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARKRIDE_FUZZ=ON -DZARKRIDE_TESTS=OFF \
        -DZARKRIDE_BENCH=OFF >/dev/null
    cmake --build "$build" --target fuzzers -j "${JOBS:-$(nproc)}"
fi

mkdir -p "$build/findings" "$build/logs"
failed=()
for target in "${targets[@]}"; do
    program="$build/bin/fuzz_$target"
    if [ ! -x "$program" ] || [ ! -d "fuzz/corpus/$target" ]; then
        echo "fuzz: no target $target" >&2
        failed+=("$target")
        continue
    fi
    corpus="$build/corpus/$target"
    log="$build/logs/$target.log"
    mkdir -p "$corpus"
    command=("$program" -max_total_time="$seconds" -timeout=10 -print_final_stats=1
             -close_fd_mask=2 -dict="fuzz/$target.dict" -artifact_prefix="$build/findings/$target-"
             "$corpus" "fuzz/corpus/$target")
    echo "fuzz: $target for $seconds s: ${command[*]}"
    status=0
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1} \
        "${command[@]}" >"$log" 2>&1 || status=$?
    if [ $status -ne 0 ]; then
        echo "fuzz: $target FOUND A FAULT (exit $status); the end of $log:" >&2
        tail -n 40 "$log" >&2
        failed+=("$target")
        continue
    fi
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    inputs=$(find "$corpus" -type f | wc -l)
    # The fuzzer adds a file for every smaller input it finds and never removes the one it
    # replaces: once the folder holds far more than the fuzzer keeps, it is merged down.
    kept=$(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$done_line")
    if [ -n "$kept" ] && [ "$inputs" -gt $(( 2 * kept + 20 )) ]; then
        rm -rf "$corpus.merged"
        mkdir "$corpus.merged"
        if "$program" -merge=1 -close_fd_mask=2 "$corpus.merged" "$corpus" >"$log.merge" 2>&1; then
            rm -rf "$corpus"
            mv "$corpus.merged" "$corpus"
            echo "fuzz: $target: corpus folder merged from $inputs to $(find "$corpus" -type f | wc -l) inputs"
            inputs=$(find "$corpus" -type f | wc -l)
        else
            rm -rf "$corpus.merged"
        fi
    fi
    bytes=$(du -sb "$corpus" | cut -f1)
    echo "fuzz: $target: $runs runs; corpus $inputs inputs, $bytes bytes"
    echo "fuzz: $target: $done_line"
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: findings in: ${failed[*]} (inputs in $build/findings/)" >&2
    exit 1
fi
echo "fuzz: no findings in ${targets[*]}"
