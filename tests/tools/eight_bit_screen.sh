#!/usr/bin/env bash
# The real game on a screen of 8 bits a pixel, where neither device can show a picture: it must
# say so on standard error (and in a message box, where the desktop can show one) and end with
# exit code 1, as a failed graphics start-up does, never run on with a black screen and no word.
#   eight_bit_screen.sh GAME_DIR gl|soft
# Run on an 8-bit display: xvfb-run -a -s "-screen 0 1024x768x8" eight_bit_screen.sh ...
set -u
game_dir=$1
device=$2
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT

cd "$game_dir" || exit 1
ZARKRIDE_DEVICE=$device ALSOFT_DRIVERS=null ./zarkride >/dev/null 2>"$errors" &
game=$!
# Up to 10 s. A message box waits for a key: Return is pressed once the message is out.
pressed=0
for _ in $(seq 100); do
    kill -0 "$game" 2>/dev/null || break
    if [ $pressed = 0 ] && grep -q "will not work" "$errors" && command -v xdotool >/dev/null; then
        sleep 0.5
        xdotool key Return 2>/dev/null
        pressed=1
    fi
    sleep 0.1
done
if kill -0 "$game" 2>/dev/null; then
    echo "$device: the game is still running 10 s later, having said:"
    cat "$errors"
    kill -9 "$game"
    exit 1
fi
wait "$game"
code=$?
echo "$device: exit code $code, having said:"
cat "$errors"
[ "$code" -eq 1 ] &&
    grep -q "^zarkride: This program will not work with your system$" "$errors" &&
    grep -q "^zarkride: the screen cannot show the game" "$errors"
