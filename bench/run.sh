#!/usr/bin/env bash
# RamBroom benchmarks, measured in one run under Xvfb + Wine:
#   (a) snapshot   GetMemoryUsage against the bare GlobalMemoryStatusEx + NtQuerySystemInformation(21)
#                  pair it is made of                                       target <= 1.3x
#   (b) tick       one status tick without its window (snapshot into a cleared record, the three
#                  lines, the auto-clean decision) against the same pair; as the program runs it,
#                  and with every printed figure changing every tick      target <= 1.3x
#   (c) footprint  resident memory (VmRSS of the Wine process, after the window has settled) and
#                  start-up time (launch until the top-level window exists and is visible) of
#                  RamBroom.exe against a bare 500x450 window; medians      memory target <= 1.25x
#                  The mappings that differ most are listed from /proc/PID/smaps.
#   (d) size       the 32-bit RamBroom.exe                                  target <= 1 MiB
#
#   bench/run.sh [RUNS]        RUNS launches of each program for (c), 5 unless given
#
# Builds the MinSizeRel i686 release (preset mingw-i686) in a build directory of its own, so it
# neither waits for nor changes the project's build/mingw-i686. Where this machine cannot run
# 32-bit Linux programs (and so no 32-bit Wine), (a) to (c) are measured on the x64 build
# (preset mingw-x64) and the report says so. Everything Wine runs is kept off the network. The
# prefix gets the settings of ./test's (virtual desktop with a taskbar, East Asian font
# replacements), so the program draws its texts in the same faces as it does there.
#
# Environment: BENCH_DISPLAY (:72), BENCH_WINEPREFIX (/tmp/rambroom-bench-wine), BENCH_BUILD_I686
# (build/bench-i686), BENCH_BUILD_X64 (build/bench-x64), BENCH_SETTLE (seconds between the window
# showing and the memory reading, 3), BENCH_CALLS (snapshot and tick calls of each kind, 202000).
set -euo pipefail

# Where the kernel runs no 32-bit code, again inside the namespace where qemu-i386 runs them
# (tools/wine-env.sh); then, nothing the program under test sends leaves this machine.
# shellcheck source=../tools/wine-env.sh
source "$(dirname "$0")/../tools/wine-env.sh"
rb_wine32_enter "$(cd "$(dirname "$0")" && pwd)/run.sh" "$@"
if [ -z "${RAMBROOM_BENCH_OFFLINE:-}" ] && unshare -n true 2>/dev/null; then
    exec unshare -n env RAMBROOM_BENCH_OFFLINE=1 bash "$0" "$@"
fi

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
settle=${BENCH_SETTLE:-3}
calls=${BENCH_CALLS:-202000}
build32=${BENCH_BUILD_I686:-$root/build/bench-i686}
build64=${BENCH_BUILD_X64:-$root/build/bench-x64}
export DISPLAY=${BENCH_DISPLAY:-:72}
export WINEPREFIX=${BENCH_WINEPREFIX:-/tmp/rambroom-bench-wine}
export WINEDEBUG=-all
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64

logs=$(mktemp -d "${TMPDIR:-/tmp}/rambroom-bench.XXXXXX")
xvfb_pid=
program_pid=
own_server=no

say() { printf '%s\n' "$*" >&2; }
die() {
    say "bench: $*"
    exit 1
}

cleanup() {
    if [ -n "$program_pid" ]; then
        kill "$program_pid" 2>/dev/null || true
    fi
    if [ "$own_server" = yes ]; then
        wineserver -k 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'say "bench: failed at line $LINENO: $BASH_COMMAND"' ERR

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t ? "ok" : "MISSED") }'; }

#--- build

# build DIR PRESET: configures and builds the benchmark programs; RamBroom as far as it builds.
build() {
    local dir=$1 preset=$2
    app_log=$logs/rambroom-$preset.log
    say "building $preset in $dir"
    (cd "$root" && cmake --preset "$preset" -B "$dir" -DRAMBROOM_TESTS=OFF) >"$logs/configure-$preset.log" 2>&1 ||
        die "configuring $preset failed: $logs/configure-$preset.log"
    cmake --build "$dir" -j2 --target snapshot_bench tick_bench bare_window window_wait >"$logs/bench-$preset.log" 2>&1 ||
        die "building the benchmark programs failed: $logs/bench-$preset.log"
    cmake --build "$dir" -j2 --target RamBroom >"$app_log" 2>&1 || true
}

build "$build32" mingw-i686
if "$wine32" --version >/dev/null 2>&1; then
    arch=i686
    bin=$build32
    runner=$wine32
else
    arch=x64
    bin=$build64
    runner=$wine64
    say "32-bit programs do not run here (${RB_WINE32_WHY:-$wine32 cannot start}): (a) to (c) measure the x64 build"
    build "$build64" mingw-x64
fi
app=$bin/app/RamBroom.exe
[ -f "$app" ] || say "RamBroom.exe is missing in $bin/app (build log: $app_log)"

#--- display and prefix

socket=/tmp/.X11-unix/X${DISPLAY#:}
if [ ! -S "$socket" ]; then
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -S "$socket" ] && break
        sleep 0.05
    done
    [ -S "$socket" ] || die "Xvfb did not start on $DISPLAY"
fi

# wine-env.sh holds the settings ./test's prefixes get.
# shellcheck source=../tools/wine-env.sh
source "$root/tools/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "booting the Wine prefix $WINEPREFIX"
    "$wine64" wineboot -i </dev/null >"$logs/wineboot.log" 2>&1
    wineserver -w
fi
# A virtual desktop with a shell (without a window manager, windows have no frame and hiding one
# stalls for seconds) and the East Asian font replacements. They must be in the registry before the
# server starts, so a prefix that lacks them gets them and a restarted server.
if ! grep -q '"EnableShell"=dword:00000001' "$WINEPREFIX/user.reg" || ! grep -q '"SimSun"="WenQuanYi Micro Hei"' "$WINEPREFIX/user.reg"; then
    say "importing the desktop and font settings into $WINEPREFIX"
    rb_wine_settings >"$WINEPREFIX/drive_c/rambroom-settings.reg"
    rb_wine_fonts "$WINEPREFIX"
    "$wine64" regedit /S 'C:\rambroom-settings.reg' </dev/null >>"$logs/wineboot.log" 2>&1
    wineserver -k || true
    wineserver -w
fi
# The first process of a server leaves helpers holding its output: start it here, not in a measurement.
# A server already running for the prefix is used and left running.
if wineserver -p 2>/dev/null; then
    own_server=yes
fi
"$wine64" cmd /c exit 0 </dev/null >/dev/null 2>&1

#--- (a) snapshot

say "(a) snapshot cost"
(cd "$bin/bench" && "$runner" ./snapshot_bench.exe "$calls") </dev/null >"$logs/snapshot.txt" 2>&1 ||
    die "snapshot_bench failed: $logs/snapshot.txt"
snapshot_ns=$(sed -n 's/^snapshot_ns=//p' "$logs/snapshot.txt")
floor_ns=$(sed -n 's/^floor_ns=//p' "$logs/snapshot.txt")
snapshot_ratio=$(sed -n 's/^ratio=//p' "$logs/snapshot.txt")

#--- (b) tick

say "(b) tick cost"
(cd "$bin/bench" && "$runner" ./tick_bench.exe "$calls") </dev/null >"$logs/tick.txt" 2>&1 ||
    die "tick_bench failed: $logs/tick.txt"
tick_value() { sed -n "s/^$1=//p" "$logs/tick.txt"; }

#--- (c) footprint and start-up

# launch EXE CLASS: starts EXE, waits for its visible window, lets it settle, reads its resident
# memory, ends it. Prints "<start-up ms> <VmRSS KiB>".
launch() {
    local exe=$1 class=$2 out
    out=$(mktemp "$logs/wait.XXXXXX")
    "$runner" "$bin/bench/window_wait.exe" "$class" 60000 </dev/null >"$out" 2>&1 &
    local waiter=$!
    for _ in $(seq 2000); do
        grep -q '^ready' "$out" && break
        kill -0 "$waiter" 2>/dev/null || break
        sleep 0.005
    done
    grep -q '^ready' "$out" || {
        say "window_wait did not start: $(cat "$out")"
        return 1
    }

    local start pid
    start=$(date +%s%N)
    (cd "$(dirname "$exe")" && exec "$runner" "$exe") </dev/null >/dev/null 2>&1 &
    pid=$!
    program_pid=$pid
    if ! wait "$waiter"; then
        say "no visible window of class $class from $exe: $(cat "$out")"
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        program_pid=
        return 1
    fi
    local shown
    shown=$(sed -n 's/^visible=//p' "$out")

    sleep "$settle"
    local rss
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
    # Resident KiB by mapping (file, or [anon]/[heap]), for the breakdown in the report.
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = ($6 == "" ? "[anon]" : $6) } /^Rss:/ { kb[name] += $2 }
         END { for (n in kb) if (kb[n] > 0) print kb[n], n }' "/proc/$pid/smaps" >"$logs/smaps-$(basename "$exe" .exe).txt"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    program_pid=
    # Let the server drop the window and the instance mutex before the next start.
    sleep 0.5
    awk -v s="$start" -v e="$shown" -v r="$rss" 'BEGIN { printf "%.1f %d\n", (e - s) / 1e6, r }'
}

# record NAME EXE CLASS: one measured launch, appended to $logs/NAME.txt
record() {
    launch "$2" "$3" >>"$logs/$1.txt" || return 1
    say "  $1: $(tail -n 1 "$logs/$1.txt") (ms, KiB)"
}

say "(c) footprint and start-up, $runs runs each"
: >"$logs/bare.txt"
: >"$logs/app.txt"
bare=("$bin/bench/bare_window.exe" RamBroomBareWindow)
with_app=no
# One unrecorded launch each first (file cache, font cache, the program's first-run registry writes).
launch "${bare[@]}" >/dev/null || die "the bare window could not be measured"
if [ -f "$app" ] && launch "$app" TFrmRamBroom >/dev/null; then
    with_app=yes
fi
# Interleaved, the order swapped every run, so drift falls on both alike.
for i in $(seq "$runs"); do
    if [ "$with_app" = yes ] && [ $((i % 2)) -eq 0 ]; then
        record app "$app" TFrmRamBroom || with_app=no
    fi
    record bare "${bare[@]}" || die "the bare window could not be measured"
    if [ "$with_app" = yes ] && [ $((i % 2)) -eq 1 ]; then
        record app "$app" TFrmRamBroom || with_app=no
    fi
done
bare_ms=$(awk '{ print $1 }' "$logs/bare.txt" | median)
bare_kb=$(awk '{ print $2 }' "$logs/bare.txt" | median)

#--- report

size32=
[ -f "$build32/app/RamBroom.exe" ] && size32=$(stat -c %s "$build32/app/RamBroom.exe")

echo
echo "RamBroom benchmarks: $arch build under $(wine --version 2>/dev/null || "$wine64" --version), medians of $runs runs"
printf '(a) snapshot   GetMemoryUsage %s ns/call, floor %s ns/call: ratio %s (target <= 1.3: %s)\n' \
    "$snapshot_ns" "$floor_ns" "$snapshot_ratio" "$(verdict "$snapshot_ratio" 1.3)"
printf '(b) tick       %s ns/tick, floor %s ns: ratio %s (target <= 1.3: %s)\n' "$(tick_value steady_ns)" \
    "$(tick_value floor_ns)" "$(tick_value steady_ratio)" "$(verdict "$(tick_value steady_ratio)" 1.3)"
printf '               bytes moving, figures not: %s ns, ratio %s; every line rebuilt: %s ns, ratio %s\n' \
    "$(tick_value moving_ns)" "$(tick_value moving_ratio)" "$(tick_value changing_ns)" "$(tick_value changing_ratio)"
if [ "$with_app" = yes ]; then
    app_ms=$(awk '{ print $1 }' "$logs/app.txt" | median)
    app_kb=$(awk '{ print $2 }' "$logs/app.txt" | median)
    memory_ratio=$(ratio "$app_kb" "$bare_kb")
    printf '(c) memory     RamBroom %s KiB, bare window %s KiB: ratio %s (target <= 1.25: %s)\n' \
        "$app_kb" "$bare_kb" "$memory_ratio" "$(verdict "$memory_ratio" 1.25)"
    printf '    start-up   RamBroom %s ms, bare window %s ms: ratio %s\n' "$app_ms" "$bare_ms" "$(ratio "$app_ms" "$bare_ms")"
    echo '    resident KiB by mapping, RamBroom minus bare window (last launches), largest first:'
    awk 'NR == FNR { bare[$2] = $1; next } { app[$2] = $1 }
         END { for (n in app) d[n] = app[n] - bare[n]; for (n in bare) if (!(n in app)) d[n] = -bare[n]
               for (n in d) if (d[n] >= 128 || d[n] <= -128) printf "%8d  %s\n", d[n], n }' \
        "$logs/smaps-bare_window.txt" "$logs/smaps-RamBroom.txt" | sort -rn | sed 's/^/    /'
else
    printf '(c) RamBroom.exe MISSING or did not show its window (%s); bare window alone: %s KiB, %s ms\n' \
        "$app" "$bare_kb" "$bare_ms"
fi
if [ -n "$size32" ]; then
    printf '(d) size       RamBroom.exe (i686) %d bytes = %.1f KiB (target <= 1 MiB: %s)\n' "$size32" \
        "$(awk -v s="$size32" 'BEGIN { print s / 1024 }')" "$( [ "$size32" -le 1048576 ] && echo ok || echo MISSED)"
else
    printf '(d) size       RamBroom.exe (i686) MISSING in %s/app\n' "$build32"
fi
echo "logs: $logs"
