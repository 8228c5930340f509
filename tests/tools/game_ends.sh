#!/usr/bin/env bash
# The real game, with its sound on, ends at once and cleanly:
#   display  its display goes away in the middle of a demo: exit code 1, without waiting on the
#            dead connection or crashing on it;
#   term     it is sent SIGTERM in the middle of a demo: exit code 0, as for a quit;
#   int      it is sent SIGINT (Ctrl+C) on the title, its music playing: exit code 0;
#   hup      its terminal closes in the middle of a demo: SIGPIPE, which it ignores, then SIGHUP:
#            exit code 0, as for a quit.
# What it recorded of the demo replays headless with zarksim as far as it goes.
#   game_ends.sh GAME_DIR gl|soft display|term|int|hup ZARKSIM
set -u
game_dir=$1
device=$2
how=$3
zarksim=$4
recording=$(mktemp)
trap 'rm -f "$recording"' EXIT

displayfile=$(mktemp)
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
display=:$(head -n1 "$displayfile")
rm -f "$displayfile"

cd "$game_dir" || exit 1
# A background job of a script starts with SIGINT ignored; a player's Ctrl+C finds it not.
DISPLAY=$display ZARKRIDE_DEVICE=$device ALSOFT_DRIVERS=null env --default-signal=INT ./zarkride \
    --record "$recording" >/dev/null 2>&1 &
game=$!
sleep 2
if [ "$how" != int ]; then
    DISPLAY=$display xdotool key d
    sleep 1
fi
sleep 3 >/dev/null 2>&1 &
deadline=$!
start=$(date +%s%N)
if [ "$how" = display ]; then
    kill "$xvfb"
    want=1
elif [ "$how" = hup ]; then
    kill -PIPE "$game"
    sleep 0.2
    kill -HUP "$game"
    want=0
else
    kill -"${how^^}" "$game"
    want=0
fi
wait -n -p first "$game" "$deadline"
code=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
kill "$deadline" "$xvfb" 2>/dev/null
if [ "$first" != "$game" ]; then
    echo "$device, $how: the game is still running 3 s later"
    kill -9 "$game"
    exit 1
fi
echo "$device, $how: ended $took ms later, exit code $code"
[ "$code" -eq "$want" ] || exit 1
[ "$how" = int ] && exit 0
"$zarksim" --data "$game_dir" --replay "$recording" 2>&1 | tail -n 2
exit "${PIPESTATUS[0]}"
