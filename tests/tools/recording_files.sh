#!/usr/bin/env bash
# The file a recording goes to, as a careless or unlucky player names it:
#   a symbolic link to the game's model, or the model itself: refused, the model untouched;
#   an empty name: refused as a bad option;
#   a file another game is recording into: refused, that game's recording whole;
#   a full disk, or a file grown past the size limit: said on standard error and in error.txt,
#   and the game plays on to a clean end.
#   recording_files.sh GAME_DIR
set -u
game_dir=$(readlink -f "$1")
work=$(mktemp -d)
failed=0
fail() { echo "FAIL  $*"; failed=1; }
ok() { echo "ok    $*"; }

displayfile=$(mktemp)
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; mount | grep -q " $work/full " && umount "$work/full"; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$displayfile") ALSOFT_DRIVERS=null ZARKRIDE_DEVICE=soft
rm -f "$displayfile"

# A data folder of our own, so that error.txt is written here and nowhere else.
mkdir "$work/data" "$work/state"
for file in "$game_dir"/*; do ln -s "$file" "$work/data/"; done
rm -f "$work/data/error.txt"
export ZARKRIDE_DATA=$work/data XDG_STATE_HOME=$work/state
game=$(readlink -f "$game_dir/zarkride")

# refused NAME WHAT...: the game started with --record NAME exits at once with 1 and WHAT said.
refused() {
    local name=$1 want=$2 code
    shift 2
    (cd "$work" && timeout -k 2 10 "$game" --record "$name" >/dev/null 2>"$work/said")
    code=$?
    if [ "$code" -eq "$want" ] && grep -q "$1" "$work/said"; then
        ok "--record '$name': exit code $code, \"$(head -n1 "$work/said")\""
    else
        fail "--record '$name': exit code $code, said \"$(head -c 300 "$work/said")\""
    fi
}
cp "$game_dir/zark2.wrl" "$work/model.wrl"
ln -s model.wrl "$work/link.txt"
refused link.txt 1 "cannot write link.txt: it is a symbolic link"
refused model.wrl 1 "cannot write model.wrl: it is not a recording"
cmp -s "$game_dir/zark2.wrl" "$work/model.wrl" || fail "the model was written into"
refused "" 2 "needs a file name"

# Two games, one file: the second is refused while the first is on its title.
(cd "$work" && exec "$game" --record shared.rec >/dev/null 2>&1) &
first=$!
for _ in $(seq 100); do grep -q '^clock' "$work/shared.rec" 2>/dev/null && break; sleep 0.1; done
refused shared.rec 1 "another game is recording into it"
kill -TERM "$first"
wait "$first"
code=$?
if [ "$code" -ne 0 ] || [ "$(grep -c '^zarkride-recording' "$work/shared.rec")" -ne 1 ] ||
   ! grep -q '^end ' "$work/shared.rec"; then
    fail "the first game's recording (exit code $code):"
    cat "$work/shared.rec"
fi

# played NAME COMMAND...: the game, started by COMMAND, leaves the title, plays a moment and is
# still running; Escape ends it with exit code 0, having said once that the recording stopped.
played() {
    local name=$1 code
    shift
    rm -f "$work/data/error.txt"
    "$@" >/dev/null 2>"$work/said" &
    local pid=$!
    sleep 2
    xdotool key Up
    sleep 1.5
    kill -0 "$pid" 2>/dev/null && xdotool key Escape
    # A key lost on a loaded machine must not hang the test: SIGTERM ends the game as a quit does.
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -TERM "$pid" 2>/dev/null
    wait "$pid"
    code=$?
    if [ "$code" -eq 0 ] && [ "$(grep -c 'cannot write the recording' "$work/said")" -eq 1 ] &&
       grep -q 'Record : cannot write' "$work/data/error.txt" 2>/dev/null; then
        ok "$name: exit code 0, \"$(grep 'cannot write the recording' "$work/said")\""
    else
        fail "$name: exit code $code, said \"$(head -c 300 "$work/said")\", logged" \
             "\"$(cat "$work/data/error.txt" 2>/dev/null)\""
    fi
}
# The disk: a small file system of the game's own, full before the game starts, holding the
# replay folder, which is left empty.
mkdir "$work/full"
played "a full disk" unshare -m sh -c '
    mount -t tmpfs -o size=64k tmpfs "$1" || exit 9
    mkdir -p "$1/zarkride/replays"
    head -c 1M /dev/zero >"$1/fill" 2>/dev/null
    XDG_STATE_HOME=$1 "$2"
    code=$?
    # A recording not even begun is not left behind for the viewer to find as the latest.
    left=$(ls -A "$1/zarkride/replays")
    [ -z "$left" ] || { echo "left in the replay folder: $left" >&2; exit 8; }
    exit $code' sh "$work/full" "$game"
played "a file size limit of 300 bytes" prlimit --fsize=300 "$game" --record "$work/limited.rec"
exit $failed
