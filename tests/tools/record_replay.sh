#!/usr/bin/env bash
# A game played in the real window with random keys, recorded as every game is in the replay
# folder, then replayed headless by zarksim, must end in the same state.
#   record_replay.sh GAME_DIR ZARKSIM gl|soft SECONDS
set -u
game_dir=$1
zarksim=$2
device=$3
seconds=$4
state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT

displayfile=$(mktemp)
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$displayfile")
rm -f "$displayfile"

XDG_STATE_HOME=$state ALSOFT_DRIVERS=null "$game_dir/zarkride" --device "$device" >/dev/null 2>&1 &
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
recordings=("$state"/zarkride/replays/*.zrec)
if [ ${#recordings[@]} -ne 1 ] || [ ! -f "${recordings[0]}" ]; then
    echo "the game left ${#recordings[@]} recordings in the replay folder, not one:" "${recordings[@]}"
    exit 1
fi
recording=${recordings[0]}
echo "recorded in ${recording#"$state"/}"
grep -E '^(clock|end|state-hash)' "$recording"
echo "$(grep -cE '^[0-9]+ [0-4] ' "$recording") commands recorded"
"$zarksim" --data "$game_dir" --replay "$recording"
