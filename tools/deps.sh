#!/usr/bin/env bash
# Installs what building, testing and running RamBroom needs on Debian 12, and generates the
# locales the tests run in. Does nothing (and touches no network) when all is there.
set -euo pipefail

packages=(
    # cross compilers (posix threads: the win32 model has no std::thread) and the host build
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 cmake ninja-build g++
    googletest libgtest-dev libgmock-dev python3
    # Wine, a display and what the end-to-end tests look with; ip for the offline namespace
    wine wine64 wine32:i386 xvfb xauth xdotool x11-utils imagemagick fonts-wine locales iproute2
    # the window in its eight languages: Korean, Japanese and Chinese faces (Wine's Tahoma, from
    # fonts-wine, draws Latin, Cyrillic and Arabic)
    fonts-nanum fonts-ipafont-gothic fonts-wqy-microhei
    # the end-to-end tests move the program's wall clock past the auto-clean cooldown with a
    # preloaded library of their own (tests/e2e/clock_shift.c), 32-bit for the i686 build
    gcc-multilib
    # libraries Wine only recommends: X rendering and input, TLS for WinHTTP
    libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxinerama1 libxcomposite1 libxxf86vm1 libgl1
    libgnutls30 libgnutls30:i386 openssl ca-certificates
    # artwork, benchmarks, the setup program
    librsvg2-bin icoutils hyperfine nsis
)

run_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# One dpkg-query for the whole list; a multi-arch library answers once per architecture.
status=$(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' "${packages[@]}" 2>/dev/null || true)
installed() {
    local name=${1%%:*} arch='[^ ]*'
    [[ $1 == *:* ]] && arch=${1#*:}
    grep -q "^$name:$arch ii" <<<"$status"
}

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    run_root dpkg --add-architecture i386
    need_update=1
fi

missing=()
for package in "${packages[@]}"; do
    installed "$package" || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    run_root apt-get update -qq
    run_root apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
elif [ $need_update -eq 1 ]; then
    run_root apt-get update -qq
fi

# Wine takes the user's locale from LC_ALL / LANG, and falls back to en-US without saying
# so when the Linux locale is not generated. The catalog's eight languages, and German: a
# language the catalog lacks, with number separators other than en-US's.
for name in ko_KR en_US ja_JP zh_CN ru_RU it_IT fr_FR ar_SA de_DE; do
    if ! locale -a 2>/dev/null | grep -qix "$name.utf-\?8"; then
        run_root localedef -i "$name" -f UTF-8 "$name.UTF-8"
    fi
done

# Where the kernel runs no 32-bit code: qemu-i386, to run the 32-bit Wine loader (cached).
bash "$(dirname "$0")/qemu-i386.sh"
