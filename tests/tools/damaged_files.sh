#!/usr/bin/env bash
# The real game, run headless, with each of its data files in turn missing, empty, cut in half,
# overwritten with random bytes of the same length, or replaced by a FIFO or a folder (which must
# count as missing, not be waited on). The FIFO and the folder also stand in for the music's
# soundfont, $ZARKRIDE_SOUNDFONT. Every file has a fallback but the model: the
# game plays on (and logs exactly the expected lines to error.txt), or, without its model, ends at
# start-up with the loader's message and exit code 1. Never a crash, a hang or a sanitizer report,
# and nothing but error.txt written into the game's folder or the player's home.
#
#   damaged_files.sh ZARKSIM GAME_DIR [intact|missing|empty|half|random|fifo|folder ...] [--table FILE]
#
# With no damage named, all six. The undamaged folder is always run first: it must play as
# scripted, or the damaged runs would prove nothing. --table writes the outcomes as a Markdown table.
set -u

usage() {
    echo "usage: $0 ZARKSIM GAME_DIR [intact|missing|empty|half|random|fifo|folder ...] [--table FILE]" >&2
    exit 2
}
[ $# -ge 2 ] || usage
zarksim=$(realpath "$1")
game_dir=$(realpath "$2")
shift 2
damages=()
table=
while [ $# -gt 0 ]; do
    case $1 in
        intact|missing|empty|half|random|fifo|folder) damages+=("$1") ;;
        --table) [ $# -ge 2 ] || usage; table=$2; shift ;;
        *) usage ;;
    esac
    shift
done
[ ${#damages[@]} -gt 0 ] || damages=(missing empty half random fifo folder)

FILES=(setup.txt Alpha.3df floor.3df wall1.3df kaboom.3df zark2.wrl zark.jpg
       cyc4.wav boom.wav turn2.wav boom2.wav zark.mid)
RANDOM_SEED=20240
CASE_TIMEOUT=${DAMAGED_FILES_TIMEOUT:-90}

# The run: 40 passes on the title with its picture and music, then 140 frames of play from a
# fixed seed. The player takes the chase view (V) so its own cycle is on screen, then turns left
# three times into its own trail: it explodes at frame 18 right in front of the camera (the
# explosion texture and boom.wav), the respawn warning clicks at 98 (turn2.wav), and computer
# cycle 3 crashes at about 123 (boom2.wav). Sound and music are rendered into heard.wav, so
# every WAV and the MIDI file are really loaded and played.
SEED=188 TITLE=40 FRAMES=140
KEYS='2 down 86
2 up 86
10 down 37
10 up 37
14 down 37
14 up 37
18 down 37
18 up 37'

# Music is the same on every machine with Debian's small General MIDI soundfont; without it the
# title's music is not checked.
SOUNDFONT=/usr/share/sounds/sf2/TimGM6mb.sf2
[ -r "$SOUNDFONT" ] || SOUNDFONT=

work=$(mktemp -d "${TMPDIR:-/tmp}/damaged_files.XXXXXX")
printf '%s\n' "$KEYS" > "$work/keys.txt"
failures=0
rows=()

# The lines error.txt must hold afterwards, in order; none means the file must not be there.
expected_log() {
    case $1:$2 in
        *:intact | setup.txt:missing | setup.txt:fifo | setup.txt:folder) ;;   # no file is silent
        # Whatever does not read counts as 0 (the random bytes do not begin with a number, and the
        # half file stops in its third colour line), so no computer cycle is asked for: one it is.
        setup.txt:*) echo "App_ReadSetup : setup.txt asks for 0 computer cycles; using 1" ;;
        *.3df:missing | *.3df:fifo | *.3df:folder) echo "GFX_LoadTexture : $1 doesn't exist!" ;;
        *.3df:empty | *.3df:random) echo "GFX_LoadTexture : $1 isn't a .3df v1.1!" ;;
        # Half a texture keeps its header and ends inside the largest level.
        *.3df:half)
            echo "GFX_LoadTexture->Load16BitTexture : fread error!"
            echo "GFX_LoadTexture : $1 -> Error reading..." ;;
        # Pictures, sounds, music and a model that opens say nothing in the log.
    esac
}

# How many cycles play: the set-up file decides; without it four, with nothing readable in it two.
expected_cycles() {
    case $1:$2 in
        setup.txt:missing | setup.txt:fifo | setup.txt:folder) echo 4 ;;
        setup.txt:intact) echo "$intact_cycles" ;;
        setup.txt:*) echo 2 ;;
        *) echo "$intact_cycles" ;;
    esac
}

# Whether the title's music is heard: not when the piece is gone, empty or not a MIDI file.
# A piece cut in half may play or not, as the synthesiser takes it.
expected_music() {
    case $1:$2 in
        zark.mid:half) echo any ;;
        zark.mid:intact) echo heard ;;
        zark.mid:* | soundfont:*) echo silent ;;
        *) echo heard ;;
    esac
}

damage() {   # file damage original
    case $2 in
        missing) rm "$1" ;;
        empty) : > "$1" ;;
        half) head -c $(( $(stat -c %s "$3") / 2 )) "$3" > "$1" ;;
        random)   # a fixed linear congruential sequence: the same bytes on every machine
            perl -e 'my ($n, $s) = @ARGV; my $out = "";
                     for (1 .. $n) { $s = ($s * 214013 + 2531011) % 4294967296;
                                     $out .= chr(($s >> 16) & 255); }
                     binmode STDOUT; print $out' "$(stat -c %s "$3")" "$RANDOM_SEED" > "$1" ;;
        fifo) rm -f "$1"; mkfifo "$1" ;;
        folder) rm -f "$1"; mkdir "$1" ;;
    esac
}

# The folder as a listing of names, kinds and modes, and the contents of every file; error.txt
# apart. Directory sizes and times are left out: adding error.txt changes them.
snapshot() {
    (cd "$1" && find . -path ./error.txt -prune -o -printf '%y %m %p\n' | LC_ALL=C sort &&
     find . -type f ! -path ./error.txt -exec sha256sum {} + | LC_ALL=C sort -k2)
}

# Loudest sample of the title's passes in heard.wav (16-bit PCM after a 44-byte header).
title_peak() {
    perl -e 'my ($file, $length) = @ARGV; open my $f, "<:raw", $file or exit 1;
             seek $f, 44, 0; read $f, my $bytes, $length; my $peak = 0;
             for (unpack "s<*", $bytes) { my $a = abs; $peak = $a if $a > $peak }
             print "$peak\n"' "$1" "$2"
}

md() { printf '%s' "$1" | sed 's/|/\\|/g'; }

run_case() {   # file damage
    local file=$1 how=$2 dir=$work/$1.$2 problems=() code soundfont=$SOUNDFONT
    mkdir -p "$dir/game" "$dir/home"
    cp "${FILES[@]/#/$game_dir/}" "$dir/game/" || exit 1
    if [ "$file" = soundfont ]; then
        soundfont=$dir/soundfont
        damage "$soundfont" "$how" "$SOUNDFONT"
    elif [ "$how" != intact ]; then
        damage "$dir/game/$file" "$how" "$game_dir/$file"
    fi
    snapshot "$dir/game" > "$dir/before"

    local command=(env HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config"
                   XDG_STATE_HOME="$dir/home/.local/state" XDG_DATA_HOME="$dir/home/.local/share"
                   XDG_CACHE_HOME="$dir/home/.cache" ZARKRIDE_SOUNDFONT="$soundfont"
                   timeout -k 5 "$CASE_TIMEOUT" "$zarksim" --data "$dir/game" --seed "$SEED"
                   --keys "$work/keys.txt" --title "$TITLE" --frames "$FRAMES"
                   --audio "$dir/heard.wav" --screenshot "0:$dir/title.png"
                   --screenshot "8:$dir/cycle.png" --screenshot "22:$dir/explosion.png" --state)
    "${command[@]}" > "$dir/out" 2> "$dir/err"
    code=$?

    local ends=0
    case $file:$how in zark2.wrl:missing | zark2.wrl:fifo | zark2.wrl:folder) ends=1 ;; esac
    if [ $code -eq 124 ] || [ $code -eq 137 ]; then
        problems+=("still running after ${CASE_TIMEOUT} s")
        ends=unfinished
    elif [ $code -gt 128 ]; then
        problems+=("killed by signal $((code - 128))")
        ends=unfinished
    fi
    local report
    report=$(grep -m1 -E 'ERROR: [A-Za-z]+Sanitizer|runtime error:|SUMMARY: [A-Za-z]+Sanitizer' "$dir/err")
    [ -n "$report" ] && problems+=("sanitizer: $report")

    local boxes outcome cycles music=
    boxes=$(sed -n 's/^message box: //p' "$dir/err")
    if [ $ends = unfinished ]; then
        outcome="did not finish"
    elif [ $ends = 1 ]; then
        # No model: the loader's message, exit code 1, nothing else.
        [ $code -eq 1 ] || problems+=("exit code $code, not 1")
        [ "$boxes" = "Could not open .WRL file" ] ||
            problems+=("message boxes \"$boxes\", not only \"Could not open .WRL file\"")
        outcome="ends at start-up: message box \"$boxes\""
    else
        [ $code -eq 0 ] || problems+=("exit code $code, not 0")
        [ -z "$boxes" ] || problems+=("message box \"$boxes\"")
        grep -q '^state-hash' "$dir/out" || problems+=("no state printed at the end")
        cycles=$(grep -c '^cycle ' "$dir/out")
        if [ "$how" = intact ]; then
            intact_cycles=$cycles
            # The scripted crashes must happen, or the explosion and its sounds go unused.
            grep -q '^cycle 0 .* score=-1 ' "$dir/out" &&
                grep -q '^cycle [1-4] .* crashTimer=[1-9]' "$dir/out" ||
                problems+=("the scripted crashes did not happen: choose SEED and KEYS again")
        fi
        [ "$cycles" = "$(expected_cycles "$file" "$how")" ] ||
            problems+=("$cycles cycles, not $(expected_cycles "$file" "$how")")
        # One 25 ms block of sound a pass: a short file is a run that stopped early.
        local size
        size=$(stat -c %s "$dir/heard.wav" 2>/dev/null || echo 0)
        if [ "$how" = intact ]; then
            intact_audio=$size
        elif [ "$size" != "$intact_audio" ]; then
            problems+=("heard.wav is $size bytes, not $intact_audio: the run did not last")
        fi
        if [ -n "$SOUNDFONT" ]; then
            # The title's passes are the first TITLE - 1 blocks; music peaks in the thousands,
            # the quiet mixer's dither at 1 or 2.
            local peak want
            peak=$(title_peak "$dir/heard.wav" $(( (size - 44) / (TITLE - 1 + FRAMES) * (TITLE - 1) )))
            if [ "${peak:-0}" -gt 64 ]; then music=heard; else music=silent; fi
            want=$(expected_music "$file" "$how")
            [ "$want" = any ] || [ "$want" = "$music" ] ||
                problems+=("title music $music (peak $peak), not $want")
            music=", title music $music"
        fi
        outcome="plays $FRAMES frames, $cycles cycles$music"
    fi

    # error.txt: exactly the expected lines, each ended by a newline, or no file at all.
    local want_log log=
    want_log=$(expected_log "$file" "$how")
    [ -e "$dir/game/error.txt" ] && log=$(head -c 2000 "$dir/game/error.txt")
    if [ -z "$want_log" ]; then
        [ ! -e "$dir/game/error.txt" ] || problems+=("error.txt written: \"$log\"")
    elif ! expected_log "$file" "$how" | cmp -s - "$dir/game/error.txt"; then
        problems+=("error.txt holds \"$log\", not exactly \"$want_log\" with a newline a line")
    fi

    snapshot "$dir/game" > "$dir/after"
    diff "$dir/before" "$dir/after" > "$dir/changed" ||
        problems+=("the game's folder changed: $(tr '\n' ' ' < "$dir/changed" | head -c 300)")
    # The sound server's client library keeps its own files there; the game itself writes nothing.
    local written
    written=$(cd "$dir/home" && find . -mindepth 1 ! -path ./.config ! -path './.config/pulse*' -print | head -3)
    [ -z "$written" ] || problems+=("wrote into the player's home: $written")

    # What else the game said (the picture decoder speaks of a bad picture), for the table.
    local said
    said=$(grep -v -E '^message box: ' "$dir/err" | head -3 | sed 's/.*/`&`/' | paste -sd ' ' -)
    [ -n "$said" ] && outcome="$outcome; stderr: $said"

    local logcell='' shown=$file
    [ -n "$log" ] && logcell=$(printf '%s\n' "$log" | sed 's/|/\\|/g; s/.*/`&`/' |
                               awk 'NR > 1 { printf "<br>" } { printf "%s", $0 }')
    [ "$how" = intact ] && shown="(none)"
    rows+=("| $shown | $how | $code | $(md "$outcome") | $logcell |")

    if [ ${#problems[@]} -eq 0 ]; then
        echo "ok    $file $how: exit $code, $outcome"
        rm -rf "$dir"
    else
        failures=$((failures + 1))
        echo "FAIL  $file $how:"
        printf '        %s\n' "${problems[@]}"
        echo "      kept in $dir; to run it again:"
        printf '       '
        printf ' %q' "${command[@]}"
        echo
    fi
}

start=$(date +%s%N)
run_case all intact
if [ $failures -eq 0 ]; then
    for how in "${damages[@]}"; do
        [ "$how" = intact ] && continue
        for file in "${FILES[@]}"; do run_case "$file" "$how"; done
        # Without Debian's soundfont, the music is not checked and a stand-in proves nothing.
        case $how in fifo | folder) [ -n "$SOUNDFONT" ] && run_case soundfont "$how" ;; esac
    done
fi
seconds=$(( ($(date +%s%N) - start) / 1000000000 ))

if [ -n "$table" ]; then
    mkdir -p "$(dirname "$table")"
    {
        echo "| file | damage | exit | outcome | error.txt |"
        echo "|---|---|---|---|---|"
        printf '%s\n' "${rows[@]}"
    } > "$table"
fi
[ $failures -eq 0 ] && rm -rf "$work"
echo "${#rows[@]} runs in ${seconds} s, $failures failed"
[ $failures -eq 0 ]
