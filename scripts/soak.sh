#!/usr/bin/env bash
# A long headless demo of the whole game, five cycles, drawn on the software device: its memory
# must stay flat and its end state must be the same on every run.
#
#   scripts/soak.sh [FRAMES] [BUILD_DIR]
#
# FRAMES defaults to 1,000,000 (about seven hours of game time; 20 to 30 minutes here). Progress
# and the peak memory so far are printed every 10,000 frames; at the end, the state hash and the
# growth in peak memory from frame 10,000 to the last. Fails when the game fails or the peak grew
# by 1 MiB or more. Runs in a copy of BUILD_DIR/game (default build/game), with its set-up file.
set -euo pipefail

frames=${1:-1000000}
build=${2:-build}
if [ ! -x "$build/bin/zarksim" ] || [ ! -d "$build/game" ]; then
    echo "usage: $0 [FRAMES] [BUILD_DIR]  (BUILD_DIR must hold a built zarksim and game folder)" >&2
    exit 2
fi
zarksim=$(cd "$build/bin" && pwd)/zarksim
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$build/game/." "$work/"

log="$work/log"
"$zarksim" --data "$work" --seed 7 --demo --frames "$frames" --state --progress 2>&1 |
    tee "$log" | grep -E '^(zarksim|state-hash)'
early=$(awk '/^zarksim: frame / { print $8; exit }' "$log")
late=$(awk '/^zarksim: frame / { kib = $8 } END { print kib }' "$log")
echo "peak memory: ${early:-?} KiB at the first report, ${late:-?} KiB at frame $frames"
if [ -n "$early" ] && [ -n "$late" ] && [ $((late - early)) -ge 1024 ]; then
    echo "soak: the peak memory grew by $((late - early)) KiB" >&2
    exit 1
fi
