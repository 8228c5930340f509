#!/usr/bin/env bash
# Makes the fuzz targets' seed inputs in fuzz/corpus/ from the data files a build made (assetgen
# writes them to build/game/), cut down to a few hundred bytes each, so that every seed loads
# quickly and the corpus stays small. The title pictures stay 640 x 480, the only size the game
# decodes, but are coarse and low quality. Needs ImageMagick's convert for those.
#   fuzz/make-corpus.sh [GAME_DIR]      (default build/game)
set -euo pipefail
cd "$(dirname "$0")/.."
game=${1:-build/game}
out=fuzz/corpus
for f in Alpha.3df floor.3df wall1.3df kaboom.3df zark2.wrl zark.jpg cyc4.wav boom.wav \
         turn2.wav boom2.wav; do
    [ -f "$game/$f" ] || { echo "make-corpus: $game/$f is missing: build first" >&2; exit 1; }
done
rm -rf "$out"
mkdir -p "$out"/{setup,texture,model,wav,title,keys}

# --- setup.txt: the shipped one, the manual's example, and values the game must bring into range.
cp data/setup.txt "$out/setup/shipped.txt"
printf '1 1 1\n1 0 0\n1 0 0\n0 0 1\n0 0 1\n2 1 1\n' >"$out/setup/example.txt"
printf '1 1 1\r\n0.5 0 0\r\n1 0 0\r\n0 0 1\r\n0 0 1\r\n0 2 0\r\n' >"$out/setup/crlf.txt"
printf '2.5 -1 nan\n1e39 0 0\n0 0 0\n0 0 1\n0 0 1\n9 -3 1\n' >"$out/setup/out-of-range.txt"
printf '1 1 1\n1 0\n' >"$out/setup/short.txt"

# --- .3df textures: each file's header with its 8 x 8 end of the mip chain (the last levels of
# the file: 8 x 8, 4 x 4, 2 x 2 and 1 x 1 texels of 2 bytes), and one 16 x 8 texture.
threedf() {   # source, output, format line, lod line, aspect line, texel bytes from the end
    { printf '3df v1.1\n%s\n%s\n%s\n' "$3" "$4" "$5"; tail -c "$6" "$game/$1"; } >"$out/texture/$2"
}
chain=$(( (64 + 16 + 4 + 1) * 2 ))
threedf Alpha.3df font-8.3df rgb565 'lod range: 1 8' 'aspect ratio: 1 1' $chain
threedf floor.3df floor-8.3df rgb565 'lod range: 1 8' 'aspect ratio: 1 1' $chain
threedf wall1.3df wall-8.3df rgb565 'lod range: 2 8' 'aspect ratio: 1 1' $chain
threedf kaboom.3df kaboom-8.3df argb8332 'lod range: 1 8' 'aspect ratio: 1 1' $chain
threedf wall1.3df wall-16x8.3df rgb565 'lod range: 4 16' 'aspect ratio: 2 1' $(( (128 + 32 + 8) * 2 ))
threedf kaboom.3df kaboom-8x16.3df argb8332 'lod range: 8 16' 'aspect ratio: 1 2' $(( 128 * 2 ))

# --- zark2.wrl: whole parts of the cycle, with the comment that opens the file.
part() {   # the lines of the part named $1, from its DEF to the next part or marker
    awk -v name="$1" '/^(DEF|#)/ { inside = ($0 ~ "^DEF " name " ") } inside' "$game/zark2.wrl"
}
head="$(sed -n '1,2p' "$game/zark2.wrl")"
{ echo "$head"; part TAIL_FIN; } >"$out/model/tail-fin.wrl"
{ echo "$head"; echo '#IGNORESHADING'; part CANOPY_GLINT; echo '#UNIGNORESHADING'; part TAIL_FIN; } \
    >"$out/model/glint-and-fin.wrl"
# The transform keywords the cycle itself does not use, around a part of it.
{
    echo "$head"
    echo 'DEF SPIN Transform { translation 10 0 0 rotation 0 1 0 1.5708 scale 2 1 1'
    echo ' children ['
    part TAIL_FIN | sed 's/diffuseColor .*/diffuseColor 1 0.5 0 ambientIntensity 0.2 specularColor 1 1 1/'
    echo ' ]'
    echo '}'
} >"$out/model/transformed.wrl"

# --- WAV files: each sound's header with 64 bytes of its samples (a canonical 44-byte header:
# "fmt " at 12, "data" at 36), then the chunk orders and paddings a reader must cope with.
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
fmt_chunk() { head -c 36 "$game/$1" | tail -c 24; }
samples() { head -c $((44 + $2)) "$game/$1" | tail -c "$2"; }
riff() {   # output, chunks (already made)
    { printf 'RIFF'; le32 $(( $(wc -c <"$2") + 4 )); printf 'WAVE'; cat "$2"; } >"$out/wav/$1"
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for f in cyc4 boom turn2 boom2; do
    { fmt_chunk $f.wav; printf 'data'; le32 64; samples $f.wav 64; } >"$tmp/chunks"
    riff $f.wav "$tmp/chunks"
done
{ printf 'data'; le32 33; samples turn2.wav 33; printf '\0'; printf 'LIST'; le32 4; printf 'INFO';
  fmt_chunk turn2.wav; } >"$tmp/chunks"
riff data-first-odd.wav "$tmp/chunks"
# A non-PCM format with two extra format bytes, which the channels refuse after reading it.
{ printf 'fmt '; le32 20; printf '\3\0\1\0\x22\x56\0\0\x88\x58\1\0\4\0\x20\0\2\0\0\0';
  printf 'data'; le32 16; samples boom.wav 16; } >"$tmp/chunks"
riff float-format.wav "$tmp/chunks"

# --- zark.jpg: 640 x 480, coarse: baseline, progressive, and 4:4:4 with restart markers.
convert "$game/zark.jpg" -strip -scale 10% -scale '640x480!' -quality 5 "$out/title/baseline.jpg"
convert "$game/zark.jpg" -strip -scale 10% -scale '640x480!' -quality 5 -interlace JPEG \
    "$out/title/progressive.jpg"
convert "$game/zark.jpg" -strip -scale 10% -scale '640x480!' -quality 10 -sampling-factor 1x1 \
    -define jpeg:restart-interval=4 "$out/title/restarts.jpg"

# --- zarksim key scripts.
printf '1 down 37\n5 up 37\n\n# a comment line\n9 down 39  # turn right\n9 up 39\n20 down 38\n' \
    >"$out/keys/turns.txt"
printf '100 down 40\n3 down 37\n3 up 37\n100000000 up 40\n' >"$out/keys/out-of-order.txt"

du -sh "$out"
