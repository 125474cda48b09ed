#!/usr/bin/env bash
# Soak of the real RamBroom.exe under Xvfb + Wine: an hour (unless told otherwise) of the window
# shown and hidden in turns, 1,000 cleans (clean button, and tray-icon clicks with "clean on tray
# click" ticked), tray-icon clicks that show the window, the icon's menu opened and closed, page
# switches; sampling every round (about every 7 s) the program's resident memory (VmRSS of its
# Wine process), GDI objects, handles, threads and windows (rambroom_driver.exe resources). It
# fails when a figure grows after the first minute: when the median over the last 10 minutes
# exceeds the median over minutes 1-5 by more than that figure's margin, 512 KiB for the
# resident set and nothing for the counts (bench/soak.py says why; on a run shorter than 21
# minutes the span after the first minute is halved between the two). Never part of ./test.
#
#   bench/soak.sh [--minutes N] [--cleans N]
#
#   --minutes N   length of the run, 60 unless given
#   --cleans N    cleans over the run; 1,000 an hour unless given (50 in 3 minutes)
#
# Prints a table of first / after-1-minute / last / max figures and exits 1 with the reason when
# something grew or the program stopped answering. The samples go to build/soak/<time>/samples.csv,
# with the run's log and screenshots beside it.
#
# Builds RamBroom.exe and the driver in a build directory of its own (the i686 build where this
# machine runs 32-bit programs, else x64) and runs copies of them, so a rebuild during a long run
# changes nothing under it. Uses a fresh copy of ./test's template prefix (removed at the end)
# and a display of its own; the program is kept off the network.
#
# Environment: SOAK_BUILD (build directory, build/soak-<arch>).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=../tools/build-env.sh
source "$root/tools/build-env.sh"
# shellcheck source=../tools/wine-env.sh
source "$root/tools/wine-env.sh"
# Where the kernel runs no 32-bit code, again inside the namespace where qemu-i386 runs them.
rb_wine32_enter "$root/bench/soak.sh" "$@"

minutes=60
cleans=
while [ $# -gt 0 ]; do
    case $1 in
    --minutes) minutes=${2:?--minutes needs a number}; shift 2 ;;
    --cleans) cleans=${2:?--cleans needs a number}; shift 2 ;;
    *)
        echo "usage: bench/soak.sh [--minutes N] [--cleans N]" >&2
        exit 2
        ;;
    esac
done
if ! awk -v m="$minutes" 'BEGIN { exit !(m > 0) }'; then
    echo "soak: --minutes must be a positive number" >&2
    exit 2
fi
cleans=${cleans:-$(awk -v m="$minutes" 'BEGIN { c = int(1000 * m / 60 + 0.5); print (c < 2 ? 2 : c) }')}

say() { printf '%s\n' "$*" >&2; }
die() {
    say "soak: $*"
    exit 1
}

if rb_wine32_works; then
    arch=i686
else
    arch=x64
    say "The soak runs the x64 build: ${RB_WINE32_WHY:-32-bit programs do not run here}"
fi
preset=mingw-$arch
build=${SOAK_BUILD:-$root/build/soak-$arch}
run=$root/build/soak/$(date +%Y%m%d-%H%M%S)
mkdir -p "$run/bin"
prefix=

cleanup() {
    rb_wine_cleanup
    if [ -n "$prefix" ]; then
        rm -rf "$prefix"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

#--- build

say "building RamBroom.exe and rambroom_driver.exe ($preset) in $build"
if [ -z "${SOAK_BUILD:-}" ]; then
    rb_forget_moved_build "soak-$arch"
fi
(cd "$root" && cmake --preset "$preset" -B "$build" -DRAMBROOM_TESTS=ON -DRAMBROOM_BENCH=OFF) \
    </dev/null >"$run/configure.log" 2>&1 || die "configuring failed: $run/configure.log"
cmake --build "$build" --parallel 2 --target RamBroom rambroom_driver </dev/null >"$run/build.log" 2>&1 ||
    die "building failed: $run/build.log"
cp "$build/app/RamBroom.exe" "$build/tests/e2e/rambroom_driver.exe" "$run/bin/"

#--- display and prefix

# Never the user's display: the soak clicks with the real pointer.
unset DISPLAY
rb_display_start || die "Xvfb did not start"
template=$(rb_wine_template "$root/build") || die "no Wine template prefix"
prefix=$root/build/wine-soak-$(basename "$run")
rb_wine_prefix "$template" "$prefix"
rb_wine_start || die "the Wine server did not start"

#--- the run

say "soak: $minutes min, $cleans cleans; DISPLAY=$DISPLAY, results in $run"
status=0
rb_offline python3 "$root/bench/soak.py" --app "$run/bin/RamBroom.exe" --driver "$run/bin/rambroom_driver.exe" \
    --minutes "$minutes" --cleans "$cleans" --csv "$run/samples.csv" --artifacts "$run" </dev/null || status=$?
exit $status
