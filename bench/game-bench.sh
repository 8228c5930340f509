#!/usr/bin/env bash
# Measures the real game from outside the process, with one device, on a private Xvfb screen
# (1024 x 768 x 24, black root), sound and music on (OpenAL Soft's null output where there is no
# sound card: it mixes as a card would and throws the result away).
#
#   bench/game-bench.sh BUILD_DIR gl|soft [DEMO_SECONDS]
#
#  1. Exec to the first title frame on screen: xwatch starts the game and watches the screen;
#     one unmeasured warm-up run, then the median of FIRST_FRAME_RUNS (default 5) runs. With the
#     gl device, the same for bin/gl_floor, a bare OpenGL window, and its peak memory: what the
#     machine's OpenGL costs before a game does anything.
#  2. The title screen, music playing: from 2 s after start, CPU over TITLE_SECONDS (default 20).
#  3. The demo (D pressed, then 1 s): CPU and frames presented on screen over DEMO_SECONDS
#     (default 60), then the peak resident memory (VmHWM) of the whole run.
# CPU is the user + system ticks of all the game's threads from /proc/PID/stat over the wall
# time, in percent of one core; frames are counted by xwatch from the X server's reports of
# drawing. Nothing is taken from the game's own clock.
#
# Prints one NAME=VALUE per line on stdout (progress goes to stderr):
#   first_frame_ms first_frame_runs title_cpu_pct title_seconds title_frames
#   demo_cpu_pct demo_frames demo_seconds demo_longest_gap_ms peak_kib
# and with gl, floor_first_frame_ms floor_peak_kib,
# and fails when a measurement cannot be made (no xwatch, the game dies, no title...).
set -euo pipefail

usage() {
    echo "usage: $0 BUILD_DIR gl|soft [DEMO_SECONDS]" >&2
    exit 2
}
if [ $# -lt 2 ] || [ $# -gt 3 ] || [ ! -d "$1" ]; then usage; fi
build=$(cd "$1" && pwd)
device=$2
demo_seconds=${3:-60}
title_seconds=${TITLE_SECONDS:-20}
runs=${FIRST_FRAME_RUNS:-5}
case $device in gl | soft) ;; *) usage ;; esac
if ! [[ $demo_seconds =~ ^[0-9]+$ ]] || [ "$demo_seconds" -eq 0 ]; then usage; fi

xwatch=$build/bin/xwatch
game_dir=$build/game
fail() {
    echo "game-bench ($device): $*" >&2
    exit 1
}
[ -x "$xwatch" ] || fail "$xwatch is missing (Xlib and the XDamage headers were not found; " \
    "scripts/install-deps.sh --test installs them)"
[ -x "$game_dir/zarkride" ] || fail "$game_dir/zarkride is missing: build the game first"
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh --test)"
done

work=$(mktemp -d /tmp/zarkride-bench-XXXXXX)
xvfb=
game=
cleanup() {
    if [ -n "$game" ] && kill -0 "$game" 2>/dev/null; then
        kill -KILL "$game" 2>/dev/null || true
        wait "$game" 2>/dev/null || true
    fi
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and writes its number once it is ready for clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb gave no display within 10 s"
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY

# The game as a player starts it, but with no setup file of the player's own, so that every
# machine measures the same game.
mkdir -p "$work/config"
game_env=(env XDG_CONFIG_HOME="$work/config" ZARKRIDE_DEVICE="$device" ALSOFT_DRIVERS=null)
cd "$game_dir"

# 1. First title frame: first_frames NAME COMMAND... sets `times` to the measured runs' times and
# `median` to their median.
first_frames() {
    local name=$1 run out ms
    shift
    times=()
    for run in $(seq 0 "$runs"); do
        out=$("$xwatch" first-frame "$@" 2>>"$work/game.log") ||
            fail "$name: first-frame run $run failed: $(tail -n 5 "$work/game.log")"
        ms=${out#first_frame_ms=}
        if [ "$run" -eq 0 ]; then
            echo "game-bench ($device): $name: warm-up run, first frame $ms ms" >&2
        else
            times+=("$ms")
        fi
    done
    median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ v[NR] = $1 }
        END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
    echo "game-bench ($device): $name: first frame ${times[*]} ms, median $median" >&2
}
floor_median= floor_peak=
if [ "$device" = gl ]; then
    floor=$build/bin/gl_floor
    [ -x "$floor" ] || fail "$floor is missing: build the benchmarks first"
    first_frames "bare OpenGL window" "$floor" "$work/floor-peak"
    floor_median=$median
    floor_peak=$(awk '/^VmHWM:/ { print $2 }' "$work/floor-peak")
    [ -n "$floor_peak" ] || fail "gl_floor wrote no peak memory"
fi
first_frames game "${game_env[@]}" ./zarkride

# Reads NAME=VALUE out of an xwatch count line.
field() { tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"; }
percent() { awk -v t="$1" -v hz="$2" -v s="$3" 'BEGIN { printf "%.2f", 100 * t / hz / s }'; }
alive() { kill -0 "$game" 2>/dev/null || fail "the game ended early: $(tail -n 5 "$work/game.log")"; }

# 2. The title screen, then 3. the demo, in one run of the game.
"${game_env[@]}" ./zarkride >>"$work/game.log" 2>&1 &
game=$!
sleep 2
alive
echo "game-bench ($device): title screen for $title_seconds s" >&2
title=$("$xwatch" count "$title_seconds" "$game") || fail "cannot watch the title screen"
alive
xdotool key d
sleep 1
alive
echo "game-bench ($device): demo for $demo_seconds s" >&2
demo=$("$xwatch" count "$demo_seconds" "$game") || fail "cannot watch the demo"
alive
peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$game/status")
[ -n "$peak" ] || fail "no VmHWM in /proc/$game/status"
kill -TERM "$game"
for _ in $(seq 50); do
    kill -0 "$game" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$game" 2>/dev/null && fail "the game did not end within 5 s of SIGTERM"
wait "$game" || true
game=

echo "first_frame_ms=$median"
echo "first_frame_runs=$(IFS=,; echo "${times[*]}")"
echo "title_cpu_pct=$(percent "$(field "$title" cpu_ticks)" "$(field "$title" ticks_per_second)" \
    "$(field "$title" cpu_seconds)")"
echo "title_seconds=$(field "$title" seconds)"
echo "title_frames=$(field "$title" frames)"
echo "demo_cpu_pct=$(percent "$(field "$demo" cpu_ticks)" "$(field "$demo" ticks_per_second)" \
    "$(field "$demo" cpu_seconds)")"
echo "demo_frames=$(field "$demo" frames)"
echo "demo_seconds=$(field "$demo" seconds)"
echo "demo_longest_gap_ms=$(field "$demo" longest_gap_ms)"
echo "peak_kib=$peak"
if [ -n "$floor_median" ]; then
    echo "floor_first_frame_ms=$floor_median"
    echo "floor_peak_kib=$floor_peak"
fi
