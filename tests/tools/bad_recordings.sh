#!/usr/bin/env bash
# A recording is a file anybody may send: zarksim plays a whole one, plays a cut one to its last
# recorded frame and says so, and refuses a damaged or hostile one with its line named and exit
# code 1, quickly and in bounded memory.
#   bad_recordings.sh ZARKSIM GAME_DIR RECORDING
set -u
zarksim=$1
game_dir=$2
good=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Memory is bounded to 1 GB, so that a reader that keeps a line without end fails here; a
# sanitized zarksim reserves terabytes of address space for its shadow, and checks leaks itself.
limit=1000000
ldd "$zarksim" 2>/dev/null | grep -q libasan && limit=unlimited

# expect NAME CODE PATTERN: zarksim --replay $work/NAME exits CODE and says PATTERN.
expect() {
    local output code
    output=$(cd "$game_dir" && ulimit -v $limit && timeout 60 "$zarksim" --replay "$work/$1" 2>&1)
    code=$?
    if [ "$code" -ne "$2" ] || ! grep -qE -- "$3" <<<"$output"; then
        echo "FAIL $1: exit $code, expected $2 and /$3/; it said:"
        sed 's/^/    /' <<<"$output" | head -5
        failures=$((failures + 1))
    else
        echo "ok   $1: $(grep -E -- "$3" <<<"$output" | head -1)"
    fi
}
variant() { sed "$2" "$good" >"$work/$1"; }

cp "$good" "$work/whole.rec"
expect whole.rec 0 'ended in the recorded state'
head -n -2 "$good" >"$work/cut.rec"                       # a game killed before its end
expect cut.rec 0 'is incomplete.*played to frame'
grep -v '^state-hash' "$good" >"$work/no-hash.rec"
expect no-hash.rec 0 'nothing was checked'
variant other-end.rec 's/^end .*/end 100/'
expect other-end.rec 1 'has commands after its end, frame 100'
variant diverged.rec '0,/^hash \([0-9]*\) .*/s//hash \1 0123456789abcdef/'
expect diverged.rec 1 'left the recorded game between frame [0-9]+ and frame [0-9]+'
variant other-data.rec 's/^data zark2.wrl .*/data zark2.wrl 0123456789abcdef/'
expect other-data.rec 1 'played with another zark2.wrl'
variant other-setup.rec 's/^groups .*/groups 1 0 1/'
expect other-setup.rec 1 'set-up lines do not match'
variant version-9.rec '1s/.*/zarkride-recording 9/'
expect version-9.rec 1 'rec:1: a recording of version 9'
variant bad-command.rec '0,/^\([0-9]*\) 0 release/s//\1 0 jump/'
expect bad-command.rec 1 'rec:[0-9]+: unknown command "jump"'
variant bad-slot.rec '0,/^\([0-9]*\) 0 release/s//\1 5 left/'
expect bad-slot.rec 1 'rec:[0-9]+: expected a line'
variant backwards.rec '$a 3 0 left'
expect backwards.rec 1 'rec:[0-9]+: frame 3 comes after frame'
{ head -n 14 "$good"; for _ in $(seq 65); do echo "20 1 left"; done; } >"$work/crowded.rec"
expect crowded.rec 1 'rec:[0-9]+: too many commands in frame 20'
{ head -n 2 "$good"; head -c 300 /dev/zero | tr '\0' 7; echo; } >"$work/long-line.rec"
expect long-line.rec 1 'rec:3: the line is longer than 256'
{ echo "zarkride-recording 2"; head -c 50000000 /dev/zero | tr '\0' a; } >"$work/no-line-ends.rec"
expect no-line-ends.rec 1 'rec:2: the line is longer than 256'
printf 'zarkride-recording 2\n' >"$work/no-clock.rec"
expect no-clock.rec 1 'has no clock line'
mkfifo "$work/fifo.rec"
expect fifo.rec 1 'cannot read recording'

[ "$failures" -eq 0 ] && echo "every recording handled as it should be" || exit 1
