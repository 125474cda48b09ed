#!/bin/sh
# ctest's emulator for the MinGW builds: runs a Windows test program under Wine
# in the prefix that ./test prepared (WINEPREFIX), with its stdin closed so a
# Wine helper process that inherits it cannot hold the caller open.
exe="$1"; shift
# PE32+ (x64) programs run through wine64 directly: /usr/bin/wine wraps them in start.exe.
machine=$(od -An -tx1 -j"$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')" -N6 "$exe" | tr -d ' \n' | cut -c9-12)
if [ "$machine" = "6486" ] && [ -x /usr/lib/wine/wine64 ]; then
    runner=/usr/lib/wine/wine64
else
    runner=wine
fi
WINEDEBUG=${WINEDEBUG:--all} exec "$runner" "$exe" "$@" </dev/null
