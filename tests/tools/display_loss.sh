#!/usr/bin/env bash
# The game ends at once, with exit code 1, when its display goes away in the middle of a demo: it
# must not wait on the dead connection, nor crash on it.
#   display_loss.sh GAME_DIR gl|soft
set -u
game_dir=$1
device=$2

displayfile=$(mktemp)
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
display=:$(head -n1 "$displayfile")
rm -f "$displayfile"

cd "$game_dir" || exit 1
DISPLAY=$display ZARKRIDE_DEVICE=$device ALSOFT_DRIVERS=null ./zarkride >/dev/null 2>&1 &
game=$!
sleep 2
DISPLAY=$display xdotool key d
sleep 1
start=$(date +%s%N)
kill "$xvfb"
for _ in $(seq 30); do
    kill -0 "$game" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$game" 2>/dev/null; then
    echo "$device: the game is still running 3 s after its display went away"
    kill -9 "$game"
    exit 1
fi
wait "$game"
code=$?
echo "$device: ended $(( ($(date +%s%N) - start) / 1000000 )) ms after the display went away, exit code $code"
[ "$code" -eq 1 ]
