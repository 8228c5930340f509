#!/usr/bin/env bash
# A game played in the real window with random keys and recorded with --record, then replayed
# headless by zarksim, must end in the same state.
#   record_replay.sh GAME_DIR ZARKSIM gl|soft SECONDS
set -u
game_dir=$1
zarksim=$2
device=$3
seconds=$4
recording=$(mktemp)
trap 'rm -f "$recording"' EXIT

displayfile=$(mktemp)
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$displayfile")
rm -f "$displayfile"

ALSOFT_DRIVERS=null "$game_dir/zarkride" --device "$device" --record "$recording" >/dev/null 2>&1 &
game=$!
sleep 2
# Keys that steer and look but never quit; each held a random moment, with random gaps.
keys=(Left Right Up Down z x c v F1 F8)
RANDOM=7
xdotool key F8
end=$((SECONDS + seconds))
while [ $SECONDS -lt $end ] && kill -0 "$game" 2>/dev/null; do
    key=${keys[RANDOM % ${#keys[@]}]}
    xdotool keydown "$key"
    sleep "0.0$((RANDOM % 10))"
    xdotool keyup "$key"
    sleep "0.$((RANDOM % 4))"
done
xdotool key Escape
wait "$game"
code=$?
kill "$xvfb" 2>/dev/null
if [ "$code" -ne 0 ]; then
    echo "the recorded game ended with exit code $code"
    exit 1
fi
grep -E '^(clock|end|state-hash)' "$recording"
echo "$(grep -cE '^[0-9]+ [0-4] ' "$recording") commands recorded"
"$zarksim" --data "$game_dir" --replay "$recording"
