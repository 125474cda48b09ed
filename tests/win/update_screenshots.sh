#!/usr/bin/env bash
# Screenshots of the update prompt (no style, "hold", "note" staying on top with the main window
# hidden) and of a window with the notice line, in Korean and English at 96 and 144 DPI, under
# the Wine session of this shell (DISPLAY, WINEPREFIX and a running server, as ./test sets up).
#   tests/win/update_screenshots.sh build/mingw-x64/tests/win/rambroom_win_tests.exe OUT_DIR
# Writes OUT_DIR/<picture>-<language>-<dpi>.png, each cropped to its window.
set -u
exe=$1
out=$2
mkdir -p "$out"
out=$(cd "$out" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
wine64=/usr/lib/wine/wine64
sync=$(mktemp -d)
trap 'rm -rf "$sync"; "$wine64" reg delete "HKCU\\Control Panel\\Desktop" /v LogPixels /f >/dev/null 2>&1' EXIT

shoot() { # language locale dpi
    local language=$1 locale=$2 dpi=$3
    "$wine64" reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    rm -f "$sync"/*
    LC_ALL=$locale RAMBROOM_SCREENSHOT_DIR=$sync sh "$here/../../cmake/wine-emulator.sh" "$exe" \
        --gtest_filter='UpdateScreens.*' --gtest_brief=1 >"$out/test-$language-$dpi.log" 2>&1 &
    local test=$! picture
    for picture in prompt-plain prompt-hold prompt-note status; do
        local i
        for ((i = 0; i < 600; i++)); do
            [ -s "$sync/ready-$picture" ] && break
            kill -0 "$test" 2>/dev/null || break
            sleep 0.1
        done
        if [ ! -s "$sync/ready-$picture" ]; then
            echo "no $picture in $language at $dpi DPI" >&2
            continue
        fi
        sleep 0.5 # the frame and the taskbar follow the window
        read -r left top width height <"$sync/ready-$picture"
        # The Wine desktop window: its pixels are in the Windows screen's coordinates.
        import -window "${desktop:-root}" "$sync/full.png"
        local name=$out/$picture-$language-$dpi.png
        if [ "$picture" = prompt-note ]; then
            cp "$sync/full.png" "$out/desktop-$picture-$language-$dpi.png" # its taskbar button
        fi
        convert "$sync/full.png" -crop "${width}x${height}+${left}+${top}" +repage "$name"
        echo "$name"
        touch "$sync/done-$picture"
    done
    wait "$test"
}

desktop=$(xdotool search --onlyvisible --name '^Default - Wine desktop$' 2>/dev/null | head -n 1)

for dpi in 96 144; do
    shoot ko ko_KR.UTF-8 "$dpi"
    shoot en en_US.UTF-8 "$dpi"
done
