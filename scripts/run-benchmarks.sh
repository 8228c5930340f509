#!/usr/bin/env bash
# Runs every benchmark program of a build (BUILD_DIR/bin/*_bench), then measures the real game
# under Xvfb with each device (bench/game-bench.sh, one device after the other), and ends with
# one table of every figure beside its target.
#
#   scripts/run-benchmarks.sh BUILD_DIR [more Google Benchmark flags...]
#
# Each benchmark runs for at least BENCH_MIN_TIME seconds (default 0.5): long enough for the
# slowest walk case, a trail walk over 50,000 corners at a few hundred microseconds, to repeat a
# thousand times, short enough that the whole set takes under a minute. Extra flags go to every
# program, e.g. --benchmark_filter=Drive or --benchmark_repetitions=5; rows of the table that
# such flags leave out read "not run". DEMO_SECONDS (default 60) sets how long the demo is
# watched; GAME_BENCH=0 leaves the real game out.
#
# A JSON copy of each program's results, and the real game's figures per device
# (game-gl.txt, game-soft.txt), are kept in BUILD_DIR/bench-results/. A missed target does not
# fail the script; it fails when there is nothing to run, when a program fails or reports an
# error, or when a figure of the table could not be measured.
set -euo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD_DIR [benchmark flags...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")/.." && pwd)
min_time=${BENCH_MIN_TIME:-0.5}
demo_seconds=${DEMO_SECONDS:-60}
game_bench=${GAME_BENCH:-1}
filtered=$#
command -v jq >/dev/null || { echo "run-benchmarks: jq is missing (scripts/install-deps.sh --test)" >&2; exit 1; }

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
rm -f "$results"/game-*.txt
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

if [ "$game_bench" != 0 ]; then
    for device in gl soft; do
        echo "== the real game, $device device"
        if ! "$here/bench/game-bench.sh" "$build" "$device" "$demo_seconds" \
                >"$results/game-$device.txt"; then
            echo "run-benchmarks: the real game could not be measured with the $device device" >&2
            rm -f "$results/game-$device.txt"
            failed=1
        fi
    done
fi

# ---- The table

rows=$(mktemp)
trap 'rm -f "$rows"' EXIT

# One benchmark's field from a program's JSON: the median of repetitions when there are any,
# else the run itself. Times (real_time, cpu_time) come in milliseconds.
bench_field() {
    local file="$results/$1.json"
    [ -f "$file" ] || return 0
    jq -r --arg name "$2" --arg field "$3" '
        [.benchmarks[] | select(.run_name == $name or (.run_name | startswith($name + "/")))
                       | select(.error_occurred != true)]
        | (map(select(.aggregate_name == "median"))[0] // map(select(.run_type == "iteration"))[0])
        | if . == null then empty
          elif $field == "real_time" or $field == "cpu_time" then
              .[$field] * ({"ns": 1e-6, "us": 1e-3, "ms": 1, "s": 1e3}[.time_unit])
          else .[$field] end' "$file"
}

game_field() {
    local file="$results/game-$1.txt"
    if [ -f "$file" ]; then sed -n "s/^$2=//p" "$file"; fi
}

# verdict VALUE OP LIMIT [TOLERANCE]: pass or FAIL; OP is le (at most) or near (within TOLERANCE).
verdict() {
    awk -v v="$1" -v op="$2" -v limit="$3" -v tol="${4:-0}" 'BEGIN {
        ok = op == "le" ? v <= limit : (v - limit <= tol && limit - v <= tol)
        print ok ? "pass" : "FAIL" }'
}

# row FIGURE VALUE TEXT TARGET OP LIMIT TOLERANCE MEANING WHY: VALUE is the number the target is
# checked on, TEXT how it is shown. VALUE "" is a missing figure (WHY says why: bench, game or
# skipped). OP is le (at most), near (within TOLERANCE) or - (no target).
row() {
    local figure=$1 value=$2 text=$3 target=$4 op=$5 limit=$6 tol=$7 meaning=$8 why=$9
    local result="-"
    if [ -z "$value" ]; then
        # A figure that should have been measured and was not fails the run; one left out by
        # the caller's flags or GAME_BENCH=0 does not.
        if [ "$why" = skipped ] || { [ "$why" = bench ] && [ "$filtered" -gt 0 ]; }; then
            text="not run"
        else
            text="NOT MEASURED"
            failed=1
        fi
    elif [ "$op" != "-" ]; then
        result=$(verdict "$value" "$op" "$limit" "$tol")
    fi
    printf '%s\t%s\t%s\t%s\t%s\n' "$figure" "$text" "$target" "$result" "$meaning" >>"$rows"
}

# A time in milliseconds as shown: microseconds below 1 ms.
ms_text() {
    [ -z "$1" ] || awk -v t="$1" 'BEGIN {
        if (t < 1) printf "%.1f us", t * 1000; else printf "%.2f ms", t }'
}
# A number with `2` decimals and a unit.
num_text() { [ -z "$1" ] || awk -v v="$1" -v d="$2" -v u="$3" 'BEGIN { printf "%.*f%s", d, v, u }'; }

# A benchmark time row: row's arguments less TEXT, the program and benchmark naming the value.
time_row() {
    local figure=$1 program=$2 bench=$3 field=$4
    shift 4
    local value
    value=$(bench_field "$program" "$bench" "$field")
    row "$figure" "$value" "$(ms_text "$value")" "$@" bench
}

time_row "Simulation frame, demo, first minute" sim_bench BM_DemoFrame_FirstMinute cpu_time \
    "-" - 0 0 "CPU time of one game frame (moves, look-ahead tests, driver scans, camera): five computer cycles, seeded demo, first 2,400 frames"
time_row "Simulation frame, demo, after 20,000" sim_bench BM_DemoFrame_After20000Frames cpu_time \
    "-" - 0 0 "the same game after 20,000 frames, its trails grown"
time_row "Simulation frame, 1,000 trail nodes" sim_bench BM_TrailFrame/nodes:1000 cpu_time \
    "-" - 0 0 "the same, five cycles driving while their trails hold 1,000 nodes in all"
time_row "Simulation frame, 10,000 trail nodes" sim_bench BM_TrailFrame/nodes:10000 cpu_time \
    "<= 1 ms" le 1 0 "the same with 10,000 nodes"
time_row "Simulation frame, 50,000 trail nodes" sim_bench BM_TrailFrame/nodes:50000 cpu_time \
    "<= 5 ms" le 5 0 "the same with 50,000 nodes"
time_row "Software device frame, median" frame_bench BM_WholeFrames_Demo median_ms \
    "<= 1 ms" le 1 0 "wall time of a whole frame (update, scene, rasteriser, flip) over the seeded 2,000-frame demo, headless"
time_row "Software device frame, 99th percentile" frame_bench BM_WholeFrames_Demo p99_ms \
    "<= 2 ms" le 2 0 "the same frames: 1 in 100 takes longer"

why=game
[ "$game_bench" = 0 ] && why=skipped
frames_target=$((40 * demo_seconds))
for device in gl soft; do
    if [ "$device" = gl ]; then cpu_limit=30 peak_limit=100; else cpu_limit=10 peak_limit=40; fi
    value=$(game_field $device first_frame_ms)
    row "$device: exec to first title frame" "$value" "$(num_text "$value" 1 " ms")" \
        "<= 150 ms" le 150 0 \
        "real game, Xvfb 1024 x 768: exec to the title picture on screen, median of 5 warm runs" "$why"
    value=$(game_field $device demo_cpu_pct)
    row "$device: CPU, demo" "$value" "$(num_text "$value" 1 " %")" "<= $cpu_limit %" le "$cpu_limit" 0 \
        "user + system ticks of all threads (/proc) / wall time over ${demo_seconds} s of demo, % of one core" \
        "$why"
    value=$(game_field $device title_cpu_pct)
    row "$device: CPU, title screen" "$value" "$(num_text "$value" 1 " %")" "<= 2 %" le 2 0 \
        "the same over ${TITLE_SECONDS:-20} s of the title screen, music playing" "$why"
    value=$(game_field $device peak_kib)
    [ -z "$value" ] || value=$(awk -v k="$value" 'BEGIN { print k / 1024 }')
    row "$device: peak memory" "$value" "$(num_text "$value" 1 " MiB")" "<= $peak_limit MiB" le \
        "$peak_limit" 0 "VmHWM (/proc) at the end of that run" "$why"
    value=$(game_field $device demo_frames)
    row "$device: frames in ${demo_seconds} s of demo" "$value" "$value" "$frames_target +- 2" near \
        "$frames_target" 2 "frames that reached the screen in the same ${demo_seconds} s (X DAMAGE, xwatch)" \
        "$why"
    [ "$device" = gl ] || continue
    value=$(game_field gl floor_first_frame_ms)
    row "gl: bare OpenGL window, first frame" "$value" "$(num_text "$value" 1 " ms")" "-" - 0 0 \
        "bin/gl_floor, measured as the game is: SDL, a window, an OpenGL 3.3 context, one clear, one swap" \
        "$why"
    value=$(game_field gl floor_peak_kib)
    [ -z "$value" ] || value=$(awk -v k="$value" 'BEGIN { print k / 1024 }')
    row "gl: bare OpenGL window, peak memory" "$value" "$(num_text "$value" 1 " MiB")" "-" - 0 0 \
        "its VmHWM: what this machine's OpenGL costs before a game does anything" "$why"
done

echo
echo "Benchmarks of $(basename "$build") ($(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores):"
awk -F'\t' '
    { for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) } }
    END {
        split("Figure|Measured|Target|Result|What it means", head, "|")
        for (i = 1; i <= 5; i++) if (length(head[i]) > width[i]) width[i] = length(head[i])
        line = sprintf("%-*s  %*s  %-*s  %-*s  %s", width[1], head[1], width[2], head[2],
                       width[3], head[3], width[4], head[4], head[5])
        print line
        rule = ""
        for (i = 1; i <= width[1] + width[2] + width[3] + width[4] + 8 + width[5]; i++) rule = rule "-"
        print rule
        for (r = 1; r <= NR; r++)
            printf "%-*s  %*s  %-*s  %-*s  %s\n", width[1], cell[r, 1], width[2], cell[r, 2],
                   width[3], cell[r, 3], width[4], cell[r, 4], cell[r, 5]
    }' "$rows"
exit $failed
