#!/usr/bin/env bash
# A build installs as a Linux desktop game: the program in bin; every data file the game reads
# and the shipped set-up, and nothing else, in share/zarkride; the desktop entry, valid; the icon
# it names in three sizes; and a manual page that renders without a warning.
#   install_tree.sh BUILD_DIR
set -u
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() {
    echo "install_tree: $*" >&2
    failures=$((failures + 1))
}

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "install_tree: cmake --install $build failed (is the build complete?)" >&2
    exit 1
fi

[ -x "$prefix/bin/zarkride" ] || fail "bin/zarkride is missing or not executable"

# The data folder holds exactly what the game reads: a stray file from a run of the game in the
# build folder (its error.txt) or an icon has no place there.
data=$prefix/share/zarkride
want="Alpha.3df boom.wav boom2.wav cyc4.wav floor.3df kaboom.3df setup.txt turn2.wav wall1.3df
      zark.jpg zark.mid zark2.wrl"
for file in $want; do
    [ -s "$data/$file" ] || fail "share/zarkride/$file is missing or empty"
done
have=$(cd "$data" 2>/dev/null && LC_ALL=C ls -A | tr '\n' ' ')
[ "$(echo $have)" = "$(echo $want)" ] || fail "share/zarkride holds: $have; want: $(echo $want)"

# The desktop entry: valid, starting the installed program by name, showing the installed icon.
entry=$prefix/share/applications/zarkride.desktop
if [ ! -f "$entry" ]; then
    fail "share/applications/zarkride.desktop is missing"
else
    if ! command -v desktop-file-validate >/dev/null; then
        fail "desktop-file-validate not found: install desktop-file-utils (scripts/install-deps.sh does)"
    elif ! desktop-file-validate "$entry" >"$work/validate.log" 2>&1 ||
        grep -qE 'error|warning' "$work/validate.log"; then
        fail "desktop-file-validate: $(cat "$work/validate.log")"
    fi
    # The entry and each of its actions start the installed program.
    while read -r exec_line; do
        [ -x "$prefix/bin/${exec_line%% *}" ] || fail "the entry's Exec=$exec_line is not in bin"
    done < <(sed -n 's/^Exec=//p' "$entry")
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ "$icon" = zarkride ] || fail "the entry's Icon=$icon is not the installed icon's name"
fi

# The icon: a PNG of the size its folder names, in each size.
for size in 48 128 256; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/zarkride.png
    if [ ! -f "$png" ]; then
        fail "share/icons/hicolor/${size}x$size/apps/zarkride.png is missing"
        continue
    fi
    signature=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
    # The header chunk's width and height, big-endian, at bytes 16 to 23.
    read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
    [ "$signature" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
    [ "$width x $height" = "$size x $size" ] || fail "$png is $width x $height, not $size x $size"
done

# The manual page, filled in, and clean under groff's warnings where groff is installed.
page=$prefix/share/man/man6/zarkride.6
if [ ! -s "$page" ]; then
    fail "share/man/man6/zarkride.6 is missing"
else
    grep -qE '@[A-Z_]+@' "$page" && fail "zarkride.6 has values left unfilled: $(grep -E '@[A-Z_]+@' "$page")"
    if command -v groff >/dev/null; then
        groff -man -Tutf8 -ww -z "$page" 2>"$work/groff.log"
        [ -s "$work/groff.log" ] && fail "groff: $(cat "$work/groff.log")"
    else
        echo "install_tree: groff not found; the manual page is not rendered"
    fi
fi

# The installed game, started from another folder, finds its data and plays; its log and nothing
# else goes to the player's state folder, never into the installed tree.
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
    displayfile=$work/display
    Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 50); do [ -s "$displayfile" ] && break; sleep 0.1; done
    display=:$(head -n1 "$displayfile")
    mkdir "$work/home"
    (cd / && env -u ZARKRIDE_DATA -u XDG_STATE_HOME -u XDG_CONFIG_HOME HOME="$work/home" \
        DISPLAY=$display ALSOFT_DRIVERS=null ZARKRIDE_DEVICE=soft \
        "$prefix/bin/zarkride" --record "$work/game.rec" >"$work/game.log" 2>&1) &
    game=$!
    sleep 2
    DISPLAY=$display xdotool key d
    sleep 1
    DISPLAY=$display xdotool key Escape
    wait "$game"
    code=$?
    kill "$xvfb" 2>/dev/null
    frames=$(sed -n 's/^end //p' "$work/game.rec" 2>/dev/null)
    [ "$code" -eq 0 ] || fail "the installed game ended with exit code $code: $(cat "$work/game.log")"
    [ "${frames:-0}" -gt 0 ] || fail "the installed game ran no frames: $(cat "$work/game.log")"
    have=$(cd "$data" && LC_ALL=C ls -A | tr '\n' ' ')
    [ "$(echo $have)" = "$(echo $want)" ] || fail "after a game share/zarkride holds: $have"
fi

if [ "$failures" -ne 0 ]; then
    echo "install_tree: $failures problems in the installed tree:" >&2
    (cd "$prefix" && find . -type f | sort) >&2
    exit 1
fi
echo "install_tree: the installed tree is complete"
