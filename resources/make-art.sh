#!/bin/sh
# Renders the artwork in art/ into generated/: the application and tray icons, the header logo
# as premultiplied BGRA images ("RBIM") for 100, 150 and 200 % and logo.png for the README.
# The outputs are committed; run this after changing an SVG. Same inputs, same bytes.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
art=$here/art
out=$here/generated

missing=
command -v rsvg-convert >/dev/null 2>&1 || missing="$missing librsvg2-bin"
command -v icotool >/dev/null 2>&1 || missing="$missing icoutils"
# convert must be ImageMagick's own: the premultiplication below uses its -fx.
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

# The idle and busy tray chips must stay one drawing in two colours.
for grid in "" _20 _24; do
    sed -e 's/#2EA043/#8C8C8C/g' -e 's/#1A6B2C/#4D4D4D/g' -e 's/#B4ECC0/#D9D9D9/g' "$art/tray_idle$grid.svg" |
        cmp -s - "$art/tray_busy$grid.svg" || {
        echo "make-art.sh: tray_busy$grid.svg is not tray_idle$grid.svg in grey" >&2
        exit 1
    }
done

# render SVG SIZE: a SIZE x SIZE PNG of art/SVG in $work, named after both.
render() {
    rsvg-convert -w "$2" -h "$2" -o "$work/${1%.svg}-$2.png" "$art/$1"
}

# ico NAME IMAGES...: 32-bit images with alpha; a 256 px image goes in as PNG.
ico() {
    name=$1
    shift
    for png; do
        shift
        case $png in
        *-256.png) set -- "$@" "--raw=$work/$png" ;;
        *) set -- "$@" "$work/$png" ;;
        esac
    done
    icotool --create --bit-depth=32 --output="$out/$name" "$@"
}

mkdir -p "$out"

render RamBroom_16.svg 16
render RamBroom_20.svg 20
render RamBroom_24.svg 24
render RamBroom_32.svg 32
for size in 40 48 64 256; do render RamBroom.svg $size; done
ico RamBroom.ico RamBroom_16-16.png RamBroom_20-20.png RamBroom_24-24.png RamBroom_32-32.png \
    RamBroom-40.png RamBroom-48.png RamBroom-64.png RamBroom-256.png

for state in idle busy; do
    # The 16 px drawing doubles to 32 px without leaving the pixel grid.
    render tray_$state.svg 16
    render tray_${state}_20.svg 20
    render tray_${state}_24.svg 24
    render tray_$state.svg 32
    ico tray_$state.ico tray_$state-16.png tray_${state}_20-20.png tray_${state}_24-24.png tray_$state-32.png
done

# u32le N: N as four bytes, little-endian.
u32le() {
    printf '%b' "$(printf '\\0%03o' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24)))"
}

# rbim WIDTH HEIGHT NAME: "RBIM", width, height, then B,G,R,A rows top-down with the colour
# premultiplied by alpha, as AlphaBlend with AC_SRC_ALPHA expects.
rbim() {
    rsvg-convert -w "$1" -h "$2" -o "$work/logo-$1.png" "$art/logo.svg"
    {
        printf RBIM
        u32le "$1"
        u32le "$2"
        convert "$work/logo-$1.png" -alpha on -channel RGB -fx 'round(u*u.a*255)/255' +channel -depth 8 BGRA:-
    } >"$out/$3"
    size=$(wc -c <"$out/$3")
    [ "$size" -eq $((12 + $1 * $2 * 4)) ] || {
        echo "make-art.sh: $3 has $size bytes" >&2
        exit 1
    }
}

rbim 112 50 logo_100.rbim
rbim 168 75 logo_150.rbim
rbim 224 100 logo_200.rbim
# On white, as in the header: the dark half of the name would vanish on a dark page.
rsvg-convert -w 112 -h 50 -b white -o "$out/logo.png" "$art/logo.svg"
