#!/bin/sh
# Stands in for the web browser inside the Wine prefixes of ./run and ./test: winebrowser
# runs the first entry of HKCU\Software\Wine\WineBrowser "Browsers" with the URL that the
# program opened. The URL is appended to browser-urls.txt in the prefix, where the
# end-to-end tests look for it.
log="${WINEPREFIX:-$HOME/.wine}/browser-urls.txt"
for url in "$@"; do
    printf '%s\n' "$url" >>"$log"
done
