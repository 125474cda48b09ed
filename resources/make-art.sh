#!/bin/sh
# Renders the artwork in art/ into generated/: the application icon, the notification-area icons
# (the same drawings: idle as drawn, busy in grey), the header logo rendered at every scale it is
# drawn at, run-length encoded ("RBRL", widgets/LogoImage.h), and logo.png for the README.
# The outputs are committed; run this after changing an SVG. Same inputs, same bytes.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
art=$here/art
out=$here/generated

missing=
command -v python3 >/dev/null 2>&1 || missing="$missing python3"
command -v rsvg-convert >/dev/null 2>&1 || missing="$missing librsvg2-bin"
command -v icotool >/dev/null 2>&1 || missing="$missing icoutils"
# convert must be ImageMagick's own.
convert -version 2>/dev/null | grep -q ImageMagick || missing="$missing imagemagick"
if [ -n "$missing" ]; then
    sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    # shellcheck disable=SC2086 # one word per package
    $sudo apt-get install -y --no-install-recommends $missing
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# render SVG SIZE DIR: a SIZE x SIZE PNG of DIR/SVG in DIR, named after both.
render() {
    rsvg-convert -w "$2" -h "$2" -o "$3/${1%.svg}-$2.png" "$3/$1"
}

# ico NAME DIR IMAGES...: 32-bit images with alpha from DIR; a 256 px image goes in as PNG.
ico() {
    name=$1
    dir=$2
    shift 2
    for png; do
        shift
        case $png in
        *-256.png) set -- "$@" "--raw=$dir/$png" ;;
        *) set -- "$@" "$dir/$png" ;;
        esac
    done
    icotool --create --bit-depth=32 --output="$out/$name" "$@"
}

mkdir -p "$out" "$work/idle" "$work/busy"

# One family: the application icon and the notification-area icon are the same drawings, the
# small sizes drawn on their own pixel grids (16, 20, 24, 32), the larger ones from RamBroom.svg
# (on the 48 px grid). The busy notification-area icon is the same in grey: every colour becomes
# its grey, 0.299 red + 0.587 green + 0.114 blue.
drawings="RamBroom_16.svg RamBroom_20.svg RamBroom_24.svg RamBroom_32.svg RamBroom.svg"
for svg in $drawings; do
    cp "$art/$svg" "$work/idle/$svg"
    python3 - "$art/$svg" "$work/busy/$svg" <<'PY'
import re, sys
def grey(match):
    r, g, b = (int(match.group(1)[i:i + 2], 16) for i in (0, 2, 4))
    return "#%02X%02X%02X" % ((round(0.299 * r + 0.587 * g + 0.114 * b),) * 3)
text = open(sys.argv[1], encoding="utf-8").read()
open(sys.argv[2], "w", encoding="utf-8").write(re.sub(r"#([0-9A-Fa-f]{6})\b", grey, text))
PY
done
for state in idle busy; do
    dir=$work/$state
    render RamBroom_16.svg 16 "$dir"
    render RamBroom_20.svg 20 "$dir"
    render RamBroom_24.svg 24 "$dir"
    render RamBroom_32.svg 32 "$dir"
    for size in 40 48 64 256; do render RamBroom.svg $size "$dir"; done
    # The notification area takes the small-icon size of the DPI: 16 at 100 % up to 48 at 300 %.
    ico tray_$state.ico "$dir" RamBroom_16-16.png RamBroom_20-20.png RamBroom_24-24.png RamBroom_32-32.png \
        RamBroom-40.png RamBroom-48.png
done
ico RamBroom.ico "$work/idle" RamBroom_16-16.png RamBroom_20-20.png RamBroom_24-24.png RamBroom_32-32.png \
    RamBroom-40.png RamBroom-48.png RamBroom-64.png RamBroom-256.png

# The encoder: RGBA on stdin, premultiplied and run-length encoded into the file named: "RBRL",
# width, height, then runs of transparent pixels and of B,G,R,A pixels.
cat >"$work/rbrl.py" <<'PY'
import struct, sys
width, height, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
rgba = sys.stdin.buffer.read()
assert len(rgba) == width * height * 4, "convert gave %d bytes" % len(rgba)
pixels = []
for i in range(0, len(rgba), 4):
    r, g, b, a = rgba[i:i + 4]
    premultiply = lambda c: (c * a + 127) // 255
    pixels.append(bytes((premultiply(b), premultiply(g), premultiply(r), a)) if a else None)
data = bytearray(b"RBRL" + struct.pack("<II", width, height))
at = 0
while at < len(pixels):
    clear = 0
    while at < len(pixels) and pixels[at] is None and clear < 0xFFFF:
        clear, at = clear + 1, at + 1
    drawn = []
    while at < len(pixels) and pixels[at] is not None and len(drawn) < 0xFFFF:
        drawn.append(pixels[at])
        at += 1
    data += struct.pack("<HH", clear, len(drawn)) + b"".join(drawn)
open(path, "wb").write(data)
PY

# rbrl PERCENT: the logo for its 112 x 50 box at PERCENT % (each side scaled as the window scales
# it, halves up), rendered from the vector source at that size.
rbrl() {
    width=$(((112 * $1 + 50) / 100))
    height=$(((50 * $1 + 50) / 100))
    rsvg-convert -w "$width" -h "$height" -o "$work/logo-$1.png" "$art/logo.svg"
    convert "$work/logo-$1.png" -alpha on -depth 8 RGBA:- | python3 "$work/rbrl.py" "$width" "$height" "$out/logo_$1.rbrl"
}

rm -f "$out"/logo_*.rbim
# 100 % to 300 %: every step Windows offers up to 200 %, then 250 and 300.
for percent in 100 125 150 175 200 250 300; do rbrl $percent; done
# On white, as in the header: the dark half of the name would vanish on a dark page.
rsvg-convert -w 112 -h 50 -b white -o "$out/logo.png" "$art/logo.svg"
