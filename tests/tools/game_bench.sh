#!/usr/bin/env bash
# The real-game half of `make bench`, run short: bench/game-bench.sh must measure every figure of
# one device (a first title frame, CPU on the title and in the demo, frames that reached the
# screen, the peak memory) and end the game. What the figures are is for the benchmark to judge;
# here only that each was measured and is a sane number.
#   tests/tools/game_bench.sh SOURCE_DIR BUILD_DIR gl|soft
set -euo pipefail
source_dir=$1 build=$2 device=$3

out=$(TITLE_SECONDS=1 FIRST_FRAME_RUNS=1 "$source_dir/bench/game-bench.sh" "$build" "$device" 2)
echo "$out"
value() { sed -n "s/^$1=//p" <<<"$out"; }
fail() { echo "game_bench: $*" >&2; exit 1; }

number='^[0-9]+([.][0-9]+)?$'
for name in first_frame_ms title_cpu_pct demo_cpu_pct demo_frames demo_seconds peak_kib; do
    [[ $(value "$name") =~ $number ]] || fail "$name is not measured: '$(value "$name")'"
done
# Nothing is drawn while the title waits for a key; the demo draws.
[ "$(value title_frames)" = 0 ] || fail "frames drawn on the title screen: $(value title_frames)"
[ "$(value demo_frames)" -gt 0 ] || fail "no frame of the demo reached the screen"
[ "$(value peak_kib)" -gt 1024 ] || fail "a peak memory of $(value peak_kib) KiB cannot be right"
awk -v ms="$(value first_frame_ms)" 'BEGIN { exit !(ms > 0 && ms < 10000) }' ||
    fail "first title frame after $(value first_frame_ms) ms"
