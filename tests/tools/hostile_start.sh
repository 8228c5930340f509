#!/usr/bin/env bash
# The real game started where it could hang before it shows anything, and must not:
#  - with its standard streams closed, as a desktop launcher may start it, and something to say
#    on standard error (a device name it does not know). What it says must go nowhere: not into
#    the window system's connection, where it would hang the game, and not into its recording.
#    zarksim the same, with a missing model to speak of;
#  - given a FIFO for the soundfont its music is made with on a thread of its own from the start,
#    or for its recording: a FIFO is not a file to wait on, but one that cannot be had.
#    (damaged_files.sh puts FIFOs in place of the data files.)
#   hostile_start.sh GAME_DIR ZARKSIM
set -u
game_dir=$(realpath "$1")
zarksim=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/hostile_start.XXXXXX")
failures=0

displayfile=$work/display
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$displayfile")
export ALSOFT_DRIVERS=null HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
export XDG_STATE_HOME=$work/home/.local/state
mkdir -p "$work/home" "$work/nodata"
mkfifo "$work/fifo"

fail() { echo "FAIL  $*"; failures=$((failures + 1)); }

# The game has 3 s to show its title, then SIGTERM must end it within 5 s with exit code 0 (a
# sanitized build on a busy machine is slow to start; a hung game never ends).
game_case() {   # name, all|stderr|none (the streams closed), then the game's arguments
    local name=$1 closed=$2 game code took start
    shift 2
    if [ "$closed" = all ]; then
        (cd "$game_dir" && exec ./zarkride "$@" <&- >&- 2>&-) &
    elif [ "$closed" = stderr ]; then
        (cd "$game_dir" && exec ./zarkride "$@" 2>&-) &
    else
        (cd "$game_dir" && exec ./zarkride "$@" 2>/dev/null) &
    fi
    game=$!
    sleep 3
    start=$(date +%s%N)
    kill -TERM "$game"
    while kill -0 "$game" 2>/dev/null && [ $(( $(date +%s%N) - start )) -lt 5000000000 ]; do
        sleep 0.1
    done
    if kill -0 "$game" 2>/dev/null; then
        fail "$name: the game is still running 5 s after SIGTERM"
        kill -KILL "$game"
        wait "$game"
        return 1
    fi
    wait "$game"
    code=$?
    took=$(( ($(date +%s%N) - start) / 1000000 ))
    [ "$code" -eq 0 ] || { fail "$name: exit code $code, not 0"; return 1; }
    echo "ok    $name: ended $took ms after SIGTERM"
}

ZARKRIDE_DEVICE=bogus game_case "zarkride with its streams closed" all
ZARKRIDE_DEVICE=bogus game_case "zarkride with standard error closed" stderr

if ZARKRIDE_DEVICE=bogus game_case "zarkride --record with standard error closed" stderr --record "$work/recording"; then
    # Only the recording's own lines: its first line, clock values, and the end.
    head -n1 "$work/recording" | grep -qx 'zarkride-recording 2' &&
        ! grep -qvE '^(zarkride-recording 2|game [0-9.]+|data zark2.wrl [0-9a-f]{16}|setup [0-9a-f]{16}|colour [1-5]( [-0-9.e+]+){3}|groups -?[0-9]+ -?[0-9]+ -?[0-9]+|clock [0-9]+|play (game|demo)|[0-9]+ [0-4] [a-z]+|hash [0-9]+ [0-9a-f]{16}|end [0-9]+|state-hash [0-9a-f]{16})$' \
            "$work/recording" ||
        fail "the recording holds more than the game: $(head -c 300 "$work/recording")"
fi

# zarksim with the hardware device and no model: its message box goes to standard error, and it
# ends with exit code 1.
ZARKRIDE_DEVICE=bogus timeout -k 2 10 "$zarksim" --device gl --data "$work/nodata" --frames 10 2>&-
code=$?
if [ "$code" -eq 1 ]; then
    echo "ok    zarksim with standard error closed: exit code 1 for the missing model"
else
    fail "zarksim with standard error closed: exit code $code, not 1 (124 or 137: it hung)"
fi

ZARKRIDE_DEVICE=soft ZARKRIDE_SOUNDFONT=$work/fifo game_case "zarkride with a FIFO for the soundfont" none

# A recording that cannot be written ends the game at once with its message and exit code 1.
(cd "$game_dir" && exec timeout -k 2 5 ./zarkride --record "$work/fifo" 2>"$work/said")
code=$?
if [ "$code" -eq 1 ] && grep -q "^zarkride: cannot write $work/fifo: " "$work/said"; then
    echo "ok    zarkride --record to a FIFO: exit code 1, \"$(cat "$work/said")\""
else
    fail "zarkride --record to a FIFO: exit code $code (124 or 137: it hung), said \"$(head -c 200 "$work/said")\""
fi

kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$work"
[ $failures -eq 0 ]
