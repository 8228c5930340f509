#!/usr/bin/env bash
# Measures the real game from outside the process: it starts the game on a private Xvfb screen,
# leaves the title with D for the demo, then reads the kernel's accounting of the process over
# the next SECONDS seconds: CPU (user + system ticks / wall time, in percent of one core) and
# peak resident memory (VmHWM).
#   bench/game-load.sh BUILD_DIR [gl|soft] [SECONDS]
set -euo pipefail
build=${1:-build}
device=${2:-gl}
seconds=${3:-60}
game_dir=$(cd "$build/game" && pwd)

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1

cd "$game_dir"
DISPLAY=$display ZARKRIDE_DEVICE=$device ./zarkride >/dev/null 2>&1 &
game=$!
sleep 2
DISPLAY=$display xdotool key d
sleep 1

ticks() { awk '{ print $14 + $15 }' "/proc/$game/stat"; }
hz=$(getconf CLK_TCK)
start_ticks=$(ticks)
start_ns=$(date +%s%N)
sleep "$seconds"
end_ticks=$(ticks)
end_ns=$(date +%s%N)
peak=$(awk '/VmHWM/ { print $2 }' "/proc/$game/status")
kill "$game"
wait "$game" 2>/dev/null || true

awk -v t=$((end_ticks - start_ticks)) -v hz="$hz" -v ns=$((end_ns - start_ns)) -v peak="$peak" \
    -v device="$device" 'BEGIN {
        printf "%s device: CPU %.1f %% of one core over %.1f s of demo, peak memory %.1f MiB\n",
               device, 100 * t / hz / (ns / 1e9), ns / 1e9, peak / 1024 }'
