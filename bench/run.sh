#!/usr/bin/env bash
# RamBroom benchmarks, measured in one run under Xvfb + Wine, as ratios against a floor program
# (bench/bare_window_win.cpp: a window, a notification-area icon and the same one-second readings,
# GlobalMemoryStatusEx and the file-cache information, from a periodic timer):
#
#   idle CPU     CPU time of the whole process (every thread's, /proc/PID/task/*/schedstat) over
#                BENCH_IDLE seconds: shown at start (RamBroom's server check is still at work:
#                offline, it retries for about a minute), shown once the check is over, and hidden
#                (WM_CLOSE, as the close button)                                 target <= 1.1x
#   memory       resident memory (VmRSS) after start, and after BENCH_CLEANS cleans   <= 1.2x
#   launch       from launch to the window shown (target <= 1.1x) and to the tray icon shown
#   clean        one clean with the clean button, from the click to the idle state (median)
#   size         both executables                               i686 <= 1 MiB, x64 <= 1.2 MiB
#   snapshot, tick   GetMemoryUsage and one status tick without its window against the bare
#                system-call pair they are made of                               target <= 1.3x
#
# The two programs take turns, the order swapped every round (BENCH_ROUNDS rounds of the idle,
# memory and clean figures, BENCH_LAUNCHES more launches for the launch times), and every figure
# is the median over the rounds, so the noise of a shared machine falls on both alike. The x64
# build is measured, and the i686 build where 32-bit programs run (on a kernel without 32-bit
# code, through qemu-i386, tools/wine-env.sh: its figures are emulated and say so).
#
#   bench/run.sh               everything, as the README's table (about 45 minutes)
#   BENCH_IDLE=10 BENCH_ROUNDS=1 BENCH_ARCHES=x64 bench/run.sh     a quick look while developing
#
# Builds the MinSizeRel releases (presets mingw-i686, mingw-x64) in build directories of their
# own, so it neither waits for nor changes the project's builds. Everything Wine runs is kept off
# the network (a network namespace with nothing in it): RamBroom's server check fails at once,
# and pauses 10 s between its six attempts. The prefix gets the settings of ./test's (virtual
# desktop with a taskbar, East Asian font replacements).
#
# Environment: BENCH_IDLE (seconds of each idle window, 60), BENCH_ROUNDS (3), BENCH_LAUNCHES
# (launch-only rounds, 5), BENCH_CLEANS (100), BENCH_SOAK_CLEANS (the cleans the objects are
# counted over, 1000; 0 leaves that part out), BENCH_CHECK_S (seconds after the launch by which
# the server check is over, 75), BENCH_SETTLE (seconds between the window showing and the memory
# reading, 3), BENCH_ARCHES ("x64 i686"), BENCH_CALLS (snapshot and tick calls, 202000),
# BENCH_DISPLAY (:72), BENCH_WINEPREFIX (/tmp/rambroom-bench-wine), BENCH_BUILD_I686
# (build/bench-i686), BENCH_BUILD_X64 (build/bench-x64).
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
idle=${BENCH_IDLE:-60}
rounds=${BENCH_ROUNDS:-3}
launches=${BENCH_LAUNCHES:-5}
cleans=${BENCH_CLEANS:-100}
soak_cleans=${BENCH_SOAK_CLEANS:-1000}
check_s=${BENCH_CHECK_S:-75}
settle=${BENCH_SETTLE:-3}
arches=${BENCH_ARCHES:-x64 i686}
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
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b == 0) print "-"; else printf "%.2f", a / b }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r == "-" ? "-" : r <= t ? "ok" : "MISSED") }'; }

#--- build

# build DIR PRESET: configures and builds RamBroom and the benchmark programs.
build() {
    local dir=$1 preset=$2
    say "building $preset in $dir"
    # The tests are configured for rambroom_driver alone, which counts a process's objects.
    (cd "$root" && cmake --preset "$preset" -B "$dir" -DRAMBROOM_TESTS=ON) >"$logs/configure-$preset.log" 2>&1 ||
        die "configuring $preset failed: $logs/configure-$preset.log"
    cmake --build "$dir" -j2 --target RamBroom snapshot_bench tick_bench bare_window window_wait clean_bench rambroom_driver \
        >"$logs/build-$preset.log" 2>&1 || die "building $preset failed: $logs/build-$preset.log"
}

# Both are built for their sizes; the i686 build is left out when BENCH_ARCHES leaves it out.
case " $arches " in *" i686 "*) build "$build32" mingw-i686 ;; esac
build "$build64" mingw-x64
measured=
for arch in $arches; do
    case $arch in
    x64) measured="$measured x64" ;;
    i686)
        if "$wine32" --version >/dev/null 2>&1; then
            measured="$measured i686"
        else
            say "32-bit programs do not run here (${RB_WINE32_WHY:-$wine32 cannot start}): the i686 build is not measured"
        fi
        ;;
    *) die "BENCH_ARCHES: no architecture $arch" ;;
    esac
done
emulated=no
[ "${RB_WINE32_MODE:-}" = qemu ] && emulated=yes

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

#--- what each measurement does

# The floor and RamBroom, by name: executable (relative to the build) and window class.
exe_of() { case $1 in floor) echo bench/bare_window.exe ;; app) echo app/RamBroom.exe ;; esac; }
class_of() { case $1 in floor) echo RamBroomBareWindow ;; app) echo TFrmRamBroom ;; esac; }

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
# Resident KiB by mapping (file, or [anon]/[heap]), for the breakdown in the report.
smaps_of() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = ($6 == "" ? "[anon]" : $6) } /^Rss:/ { kb[name] += $2 }
         END { for (n in kb) if (kb[n] > 0) print kb[n], n }' "/proc/$1/smaps"
}
# idle_ms PID SECONDS: CPU milliseconds the process used in that many seconds. A thread's figure
# goes with the thread, so each thread is read every tenth of a second and counted from its first
# reading (from 0 when it began inside the window) to its last: a worker that ends inside the
# window keeps what it used but for its last tenth of a second.
idle_ms() {
    local pid=$1 until=$(($(date +%s%N) + $2 * 1000000000)) sample=0
    while [ "$(date +%s%N)" -lt "$until" ]; do
        awk -v n="$sample" '{ split(FILENAME, p, "/"); print n, p[5], $1 }' /proc/"$pid"/task/*/schedstat 2>/dev/null
        sample=$((sample + 1))
        sleep 0.1
    done | awk '{ if (!($2 in first)) first[$2] = ($1 == 0 ? $3 : 0); last[$2] = $3 }
                END { for (t in last) s += last[t] - first[t]; printf "%.1f\n", s / 1e6 }'
}

# launch ARCH WHO: starts the program shown and waits for its window and its tray icon; sets
# program_pid, launched_at and launch_times ("<ms to window> <ms to tray icon>").
launch() {
    local arch=$1 who=$2 bin runner out
    bin=$(bin_of "$arch")
    runner=$(runner_of "$arch")
    out=$(mktemp "$logs/wait.XXXXXX")
    "$runner" "$bin/bench/window_wait.exe" "$(class_of "$who")" 60000 tray </dev/null >"$out" 2>&1 &
    local waiter=$!
    for _ in $(seq 4000); do
        grep -q '^ready' "$out" && break
        kill -0 "$waiter" 2>/dev/null || break
        sleep 0.005
    done
    grep -q '^ready' "$out" || {
        say "window_wait did not start: $(cat "$out")"
        return 1
    }
    local exe
    exe=$bin/$(exe_of "$who")
    launched_at=$(date +%s%N)
    (cd "$(dirname "$exe")" && exec "$runner" "$exe") </dev/null >/dev/null 2>&1 &
    program_pid=$!
    if ! wait "$waiter"; then
        say "no visible window and tray icon of $exe: $(cat "$out")"
        stop_program "$arch" "$who"
        return 1
    fi
    launch_times=$(awk -v s="$launched_at" -v w="$(sed -n 's/^visible=//p' "$out")" -v t="$(sed -n 's/^tray=//p' "$out")" \
        'BEGIN { printf "%.1f %.1f\n", (w - s) / 1e6, (t - s) / 1e6 }')
}

# stop_program ARCH WHO: asks the program to quit (WM_USER 2), kills it after 10 s.
stop_program() {
    local arch=$1 who=$2
    [ -n "$program_pid" ] || return 0
    "$(runner_of "$arch")" "$(bin_of "$arch")/bench/clean_bench.exe" quit "$(class_of "$who")" </dev/null >/dev/null 2>&1 || true
    for _ in $(seq 100); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=
    # Let the server drop the window, the icon and the instance mutex before the next start.
    sleep 0.5
}

bin_of() { case $1 in x64) echo "$build64" ;; i686) echo "$build32" ;; esac; }
runner_of() { case $1 in x64) echo "$wine64" ;; i686) echo "$wine32" ;; esac; }

# round ARCH WHO: one full round of one program; appends a line to $logs/ARCH-WHO.txt:
#   window_ms tray_ms rss_start_kb idle_start_ms idle_shown_ms idle_hidden_ms rss_cleaned_kb clean_us
round() {
    local arch=$1 who=$2 rss_start idle_start idle_shown idle_hidden rss_cleaned clean_us=-
    local runner bin
    runner=$(runner_of "$arch")
    bin=$(bin_of "$arch")
    launch "$arch" "$who" || return 1
    sleep "$settle"
    rss_start=$(rss_kb "$program_pid")
    smaps_of "$program_pid" >"$logs/smaps-$arch-$who-start.txt"
    local threads_at_start
    threads_at_start=$(ls "/proc/$program_pid/task" | wc -l)
    idle_start=$(idle_ms "$program_pid" "$idle")
    # The server check is over (offline: six failures, 10 s apart) by check_s after the launch, and
    # for RamBroom once its worker has gone (a thread fewer than at the start), 5 minutes at most.
    local left
    left=$(awk -v l="$launched_at" -v n="$(date +%s%N)" -v c="$check_s" 'BEGIN { d = c - (n - l) / 1e9; print (d > 0 ? d : 0) }')
    sleep "$left"
    if [ "$who" = app ]; then
        for _ in $(seq 300); do
            [ "$(ls "/proc/$program_pid/task" | wc -l)" -lt "$threads_at_start" ] && break
            sleep 1
        done
        say "  $arch app: the check was over $(awk -v l="$launched_at" -v n="$(date +%s%N)" 'BEGIN { printf "%.0f", (n - l) / 1e9 }') s after the launch"
    fi
    idle_shown=$(idle_ms "$program_pid" "$idle")
    smaps_of "$program_pid" >"$logs/smaps-$arch-$who-idle.txt"
    "$runner" "$bin/bench/clean_bench.exe" close "$(class_of "$who")" </dev/null >/dev/null 2>&1
    sleep 1
    idle_hidden=$(idle_ms "$program_pid" "$idle")
    if [ "$who" = app ]; then
        "$runner" "$bin/bench/clean_bench.exe" clean "$cleans" </dev/null >"$logs/clean.txt" 2>&1 ||
            die "the cleans failed: $(cat "$logs/clean.txt")"
        clean_us=$(tr -d '\r' <"$logs/clean.txt" | sed -n 's/^clean_us=//p')
    fi
    sleep "$settle"
    rss_cleaned=$(rss_kb "$program_pid")
    stop_program "$arch" "$who"
    echo "$launch_times $rss_start $idle_start $idle_shown $idle_hidden $rss_cleaned $clean_us" >>"$logs/$arch-$who.txt"
    say "  $arch $who: $(tail -n 1 "$logs/$arch-$who.txt")"
}

# launch_only ARCH WHO: the launch times and the resident memory after start, appended to
# $logs/ARCH-WHO-launch.txt.
launch_only() {
    local arch=$1 who=$2
    launch "$arch" "$who" || return 1
    sleep "$settle"
    echo "$launch_times $(rss_kb "$program_pid")" >>"$logs/$arch-$who-launch.txt"
    stop_program "$arch" "$who"
    say "  $arch $who launch: $(tail -n 1 "$logs/$arch-$who-launch.txt")"
}

# column FILE N: the median of column N.
column() { awk -v n="$2" '$n != "-" { print $n }' "$1" | median; }

#--- snapshot and tick (the x64 build, and the i686 one where it runs)

for arch in $measured; do
    bin=$(bin_of "$arch")
    runner=$(runner_of "$arch")
    say "$arch: snapshot and tick cost"
    (cd "$bin/bench" && "$runner" ./snapshot_bench.exe "$calls") </dev/null >"$logs/snapshot-$arch.txt" 2>&1 ||
        die "snapshot_bench failed: $logs/snapshot-$arch.txt"
    (cd "$bin/bench" && "$runner" ./tick_bench.exe "$calls") </dev/null >"$logs/tick-$arch.txt" 2>&1 ||
        die "tick_bench failed: $logs/tick-$arch.txt"
done

#--- rounds

for arch in $measured; do
    say "$arch: one unrecorded launch each (file cache, font cache, the program's first-run registry writes)"
    for who in floor app; do
        launch "$arch" "$who" || die "$arch $who could not be launched"
        stop_program "$arch" "$who"
    done
    : >"$logs/$arch-floor.txt"
    : >"$logs/$arch-app.txt"
    : >"$logs/$arch-floor-launch.txt"
    : >"$logs/$arch-app-launch.txt"
    say "$arch: $rounds rounds of $idle s idle windows, $launches launch rounds"
    for i in $(seq "$rounds"); do
        if [ $((i % 2)) -eq 1 ]; then order="floor app"; else order="app floor"; fi
        for who in $order; do
            round "$arch" "$who" || die "$arch $who: a round failed"
        done
    done
    for i in $(seq "$launches"); do
        if [ $((i % 2)) -eq 1 ]; then order="app floor"; else order="floor app"; fi
        for who in $order; do
            launch_only "$arch" "$who" || die "$arch $who: a launch failed"
        done
    done
    # The rounds' launches count too.
    for who in floor app; do
        awk '{ print $1, $2, $3 }' "$logs/$arch-$who.txt" >>"$logs/$arch-$who-launch.txt"
    done
done

#--- objects over many cleans

# sample ARCH: the program's objects, the medians of five readings a second apart (a reading taken
# while a tick paints holds a DC and a bitmap more): "gdi handles threads windows rss_kb anon_kb".
# Wine answers GetGuiResources with 0, so rambroom_driver counts GDI objects from the process's GDI
# handle table and windows (the USER objects there are) by enumeration; private bytes are read
# as the Wine process's anonymous resident memory (RssAnon).
sample() {
    local arch=$1
    for _ in 1 2 3 4 5; do
        "$(runner_of "$arch")" "$(bin_of "$arch")/tests/e2e/rambroom_driver.exe" resources </dev/null 2>/dev/null |
            python3 -c 'import json, sys; r = json.load(sys.stdin)
print(r["gdi"], r["handles"], r["threads"], r["windows"]["total"], end=" ")'
        awk '/^VmRSS:/ { r = $2 } /^RssAnon:/ { a = $2 } END { print r, a }' "/proc/$program_pid/status"
        sleep 1
    done >"$logs/samples.txt"
    for n in 1 2 3 4 5 6; do printf '%s ' "$(column "$logs/samples.txt" "$n")"; done
    echo
}

soak_arch=$(echo "$measured" | awk '{ print $1 }')
if [ "$soak_cleans" -gt 0 ]; then
    say "$soak_arch: objects over $soak_cleans cleans"
    launch "$soak_arch" app || die "the program could not be launched"
    left=$(awk -v l="$launched_at" -v n="$(date +%s%N)" -v c="$check_s" 'BEGIN { d = c - (n - l) / 1e9; print (d > 0 ? d : 0) }')
    sleep "$left"
    # Wine's caches fill as each path runs once: 100 cleans first, then the count.
    "$(runner_of "$soak_arch")" "$(bin_of "$soak_arch")/bench/clean_bench.exe" clean 100 </dev/null >/dev/null 2>&1 ||
        die "the warm-up cleans failed"
    sleep "$settle"
    soak_before=$(sample "$soak_arch")
    "$(runner_of "$soak_arch")" "$(bin_of "$soak_arch")/bench/clean_bench.exe" clean "$soak_cleans" </dev/null \
        >"$logs/soak-clean.txt" 2>&1 || die "the cleans failed: $(cat "$logs/soak-clean.txt")"
    sleep "$settle"
    soak_after=$(sample "$soak_arch")
    stop_program "$soak_arch" app
    say "  before: $soak_before; after: $soak_after"
fi

#--- report

load=$(awk '{ print $1, $2, $3 }' /proc/loadavg)
echo
echo "RamBroom benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(wine --version 2>/dev/null || "$wine64" --version), $(nproc) cores, load average at the end $load"
echo "medians of $rounds rounds (idle windows of $idle s, $cleans cleans) and $((rounds + launches)) launches, the two programs alternating"
[ "$emulated" = yes ] && case " $measured " in *" i686 "*) echo "i686 figures are emulated: 32-bit code runs under qemu-i386 here (about 2x slower, resident memory includes qemu's)" ;; esac
echo
echo "| figure | build | RamBroom | floor | ratio | target |"
echo "|---|---|---:|---:|---:|---|"
row() { # NAME ARCH APP FLOOR TARGET (a ratio, or empty)
    local r=-
    [ "$4" != "-" ] && r=$(ratio "$3" "$4")
    local t=-
    [ -n "$5" ] && t="<= $5: $(verdict "$r" "$5")"
    printf '| %s | %s | %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4" "$r" "$t"
}
for arch in $measured; do
    a=$logs/$arch-app.txt
    f=$logs/$arch-floor.txt
    al=$logs/$arch-app-launch.txt
    fl=$logs/$arch-floor-launch.txt
    row "idle CPU ms / $idle s, shown, at start (check retrying)" "$arch" "$(column "$a" 4)" "$(column "$f" 4)" ""
    row "idle CPU ms / $idle s, shown" "$arch" "$(column "$a" 5)" "$(column "$f" 5)" 1.1
    row "idle CPU ms / $idle s, hidden" "$arch" "$(column "$a" 6)" "$(column "$f" 6)" 1.1
    row "resident KiB after start" "$arch" "$(column "$al" 3)" "$(column "$fl" 3)" 1.2
    row "resident KiB after $cleans cleans" "$arch" "$(column "$a" 7)" "$(column "$f" 7)" 1.2
    row "launch to window shown, ms" "$arch" "$(column "$al" 1)" "$(column "$fl" 1)" 1.1
    row "launch to tray icon shown, ms" "$arch" "$(column "$al" 2)" "$(column "$fl" 2)" ""
    row "one clean, click to idle, ms" "$arch" "$(awk -v u="$(column "$a" 8)" 'BEGIN { printf "%.1f", u / 1000 }')" - ""
    # Their own ratios: the median of each round's ratio, the figures of the same round.
    # Wine's console ends their lines with CR LF.
    snap() { tr -d '\r' <"$logs/snapshot-$arch.txt" | sed -n "s/^$1=//p"; }
    tick() { tr -d '\r' <"$logs/tick-$arch.txt" | sed -n "s/^$1=//p"; }
    printf '| snapshot, ns | %s | %s | %s | %s | <= 1.3: %s |\n' "$arch" "$(snap snapshot_ns)" "$(snap floor_ns)" \
        "$(snap ratio)" "$(verdict "$(snap ratio)" 1.3)"
    printf '| status tick without window, ns | %s | %s | %s | %s | <= 1.3: %s |\n' "$arch" "$(tick steady_ns)" \
        "$(tick floor_ns)" "$(tick steady_ratio)" "$(verdict "$(tick steady_ratio)" 1.3)"
done
for arch in i686 x64; do
    exe=$(bin_of "$arch")/app/RamBroom.exe
    [ -f "$exe" ] || continue
    limit=$([ "$arch" = i686 ] && echo 1048576 || echo 1258291)
    size=$(stat -c %s "$exe")
    printf '| size, KiB | %s | %.1f | %.1f | - | <= %d KiB: %s |\n' "$arch" "$(awk -v s="$size" 'BEGIN { print s / 1024 }')" \
        "$(awk -v s="$(stat -c %s "$(bin_of "$arch")/bench/bare_window.exe")" 'BEGIN { print s / 1024 }')" \
        $((limit / 1024)) "$([ "$size" -le "$limit" ] && echo ok || echo MISSED)"
done
echo
if [ "$soak_cleans" -gt 0 ]; then
    echo "Objects of RamBroom ($soak_arch) over $soak_cleans cleans with the clean button, after 100 cleans first (medians of 5 readings):"
    echo
    echo "| figure | before | after | growth |"
    echo "|---|---:|---:|---:|"
    i=1
    for name in "GDI objects" handles threads "windows (USER objects)" "resident KiB" "private KiB (RssAnon)"; do
        b=$(echo "$soak_before" | awk -v n=$i '{ print $n }')
        a=$(echo "$soak_after" | awk -v n=$i '{ print $n }')
        printf '| %s | %s | %s | %s |\n' "$name" "$b" "$a" "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%+d", a - b }')"
        i=$((i + 1))
    done
    echo
fi
for arch in $measured; do
    echo "$arch: resident KiB by mapping, RamBroom minus floor (last round, once the check was over), largest first:"
    awk 'NR == FNR { floor[$2] = $1; next } { app[$2] = $1 }
         END { for (n in app) d[n] = app[n] - floor[n]; for (n in floor) if (!(n in app)) d[n] = -floor[n]
               for (n in d) if (d[n] >= 128 || d[n] <= -128) printf "%8d  %s\n", d[n], n }' \
        "$logs/smaps-$arch-floor-idle.txt" "$logs/smaps-$arch-app-idle.txt" | sort -rn | head -20
done
echo "logs: $logs"
