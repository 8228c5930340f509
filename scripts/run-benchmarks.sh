#!/usr/bin/env bash
# Runs every benchmark program of a build (BUILD_DIR/bin/*_bench) and prints its results.
#
#   scripts/run-benchmarks.sh BUILD_DIR [more Google Benchmark flags...]
#
# Each benchmark runs for at least BENCH_MIN_TIME seconds (default 0.5): long enough for the
# slowest case, a trail walk over 50,000 corners at a few hundred microseconds, to repeat a
# thousand times, short enough that the whole set takes well under a minute. Extra flags go to
# every program, e.g. --benchmark_filter=Drive or --benchmark_repetitions=5.
# A JSON copy of each program's results is kept in BUILD_DIR/bench-results/. The script fails
# when there is nothing to run, when a program fails, or when a benchmark reports an error.
set -euo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD_DIR [benchmark flags...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
shift
min_time=${BENCH_MIN_TIME:-0.5}

shopt -s nullglob
programs=()
for p in "$build"/bin/*_bench; do
    [ -f "$p" ] && [ -x "$p" ] && programs+=("$p")
done
if [ ${#programs[@]} -eq 0 ]; then
    echo "run-benchmarks: no *_bench programs in $build/bin (configured with ZARKRIDE_BENCH=OFF?)" >&2
    exit 1
fi

results="$build/bench-results"
mkdir -p "$results"
failed=0
for p in "${programs[@]}"; do
    name=$(basename "$p")
    out="$results/$name.json"
    echo "== $name"
    if ! "$p" --benchmark_min_time="$min_time" \
            --benchmark_out="$out" --benchmark_out_format=json "$@"; then
        echo "run-benchmarks: $name failed" >&2
        failed=1
        continue
    fi
    # A benchmark that stops itself with an error still lets the program exit with 0.
    if grep -q '"error_occurred": true' "$out"; then
        echo "run-benchmarks: $name reported errors (see ERROR OCCURRED above)" >&2
        failed=1
    fi
    echo
done
echo "run-benchmarks: results of ${#programs[@]} program(s) in $results"
exit $failed
