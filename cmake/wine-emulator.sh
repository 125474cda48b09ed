#!/bin/sh
# ctest's emulator for the MinGW builds: runs a Windows test program under Wine
# in the prefix that ./test prepared (WINEPREFIX), with its stdin closed so a
# Wine helper process that inherits it cannot hold the caller open.
exe="$1"; shift
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-emulator.sh: WINEPREFIX is not set; run the tests through ./test" >&2
    exit 1
fi
# PE32+ (x64) programs run through wine64 directly: /usr/bin/wine wraps them in start.exe.
machine=$(od -An -tx1 -j"$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')" -N6 "$exe" | tr -d ' \n' | cut -c9-12)
if [ "$machine" = "6486" ]; then
    runner=/usr/lib/wine/wine64
else
    runner=/usr/lib/wine/wine
    # Kernels without 32-bit user mode refuse the 32-bit loader ("Exec format error").
    if ! "$runner" --version >/dev/null 2>&1; then
        echo "wine-emulator.sh: this machine cannot run 32-bit programs, so not $exe" >&2
        exit 1
    fi
fi
WINEDEBUG=${WINEDEBUG:--all} exec "$runner" "$exe" "$@" </dev/null
