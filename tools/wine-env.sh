# shellcheck shell=bash
# Wine + Xvfb environment of ./run and ./test. Source it from bash, then:
#
#   rb_display_start          keep a DISPLAY that answers, else start Xvfb on a free display
#   rb_wine_template DIR      the template prefix under DIR, built once per Wine version and recipe
#   rb_wine_prefix TEMPLATE DIR   a fresh copy of the template at DIR, exported as WINEPREFIX
#   rb_wine_start             start and warm the server of WINEPREFIX (or use the one running),
#                             off the network unless RAMBROOM_ONLINE=1 (see rb_offline)
#   rb_wine_cleanup           stop the server and the Xvfb started here (also from a trap)
#   rb_wine_loader EXE        the Wine loader that runs EXE (PE32+ -> wine64, PE32 -> wine)
#   rb_wine32_works           true when this machine runs 32-bit Windows programs
#   rb_wine32_enter SCRIPT ARGS...  where the kernel runs no 32-bit code, run SCRIPT again inside
#                             a namespace that runs it through qemu-i386; sets RB_WINE32_MODE
#                             (native, qemu or none) and, for none, RB_WINE32_WHY
#   rb_offline COMMAND...     runs COMMAND without network but loopback, where the kernel allows,
#                             in the network of the Wine server that rb_wine_start started
#   rb_wine_browser           points a kept prefix's browser at this checkout's browser-capture.sh
#   rb_desktop_screenshot FILE    a PNG of the Wine desktop window on DISPLAY
#
# The template prefix has a virtual desktop "Default" with a taskbar (without a window
# manager, hiding a window stalls and the notification area does not exist), replacements of
# the Korean, Japanese and Chinese system faces by Debian's, Wine's own Tahoma and symbol font,
# and tools/browser-capture.sh as the browser.

RB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
RB_WINE64=/usr/lib/wine/wine64
RB_WINE32=/usr/lib/wine/wine
RB_XVFB_PID=
RB_SERVER_PREFIX=
export WINEDEBUG=${WINEDEBUG:--all}

rb_log() { printf '%s\n' "$*" >&2; }

# The 32-bit loader is an i386 ELF program: kernels without 32-bit user mode (some virtual
# machines) refuse it with "Exec format error", and then only x64 programs run.
rb_wine32_works() {
    "$RB_WINE32" --version >/dev/null 2>&1
}

# A command with qemu-i386 as the interpreter of i386 ELF programs, registered in the
# binfmt_misc of a user namespace of its own (Linux 6.7 and later give each user namespace its
# own): the system's registrations stay as they are, and only the command and its children see
# it. The "F" flag opens the interpreter at registration, so it is found from any mount
# namespace. Everything Wine runs must be inside: a 64-bit Wine process outside gets "Exec format
# error" when it starts a 32-bit child. Run as: "${RB_QEMU_NAMESPACE[@]}" QEMU COMMAND...
RB_QEMU_NAMESPACE=(unshare --user --map-root-user --mount --propagation private -- sh -c '
    qemu=$1
    shift
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || exit 125
    # Magic and mask: an ELF file, 32-bit, little-endian, executable or shared object, i386.
    printf "%s" ":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:F" \
        >/proc/sys/fs/binfmt_misc/register || exit 125
    exec "$@"' rb-qemu-namespace)

rb_wine32_enter() {
    case ${RB_WINE32_MODE:-} in
    qemu) return 0 ;; # this is the script run again inside the namespace
    esac
    if rb_wine32_works; then
        export RB_WINE32_MODE=native
        return 0
    fi
    local qemu
    qemu=$(bash "$RB_ROOT/tools/qemu-i386.sh" --path)
    export RB_WINE32_MODE=none
    if [ ! -x "$qemu" ]; then
        RB_WINE32_WHY="the kernel runs no 32-bit code and there is no $qemu (tools/qemu-i386.sh fetches it)"
    elif ! "${RB_QEMU_NAMESPACE[@]}" "$qemu" "$RB_WINE32" --version >/dev/null 2>&1; then
        RB_WINE32_WHY="the kernel runs no 32-bit code, and qemu-i386 cannot be registered in a user namespace of this project's own (that needs Linux 6.7 or later and unprivileged user namespaces)"
    else
        export RB_WINE32_MODE=qemu
        exec "${RB_QEMU_NAMESPACE[@]}" "$qemu" bash "$@"
    fi
    export RB_WINE32_WHY
    return 0
}

rb_wine_loader() {
    local machine
    # PE header offset at 0x3c; the machine field follows the "PE\0\0" signature.
    machine=$(od -An -tx1 -j"$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')" -N6 "$1" | tr -d ' \n' | cut -c9-12)
    if [ "$machine" = "6486" ]; then
        printf '%s\n' "$RB_WINE64"
    else
        printf '%s\n' "$RB_WINE32"
    fi
}

# Nothing a program under test sends may leave the machine. Wine programs do not make their
# sockets themselves: the Wine server makes each one for them, in the server's own network
# namespace. So rb_wine_start starts the server in a namespace with only loopback up (unless
# RAMBROOM_ONLINE=1), kept by a holder process of its own, and rb_offline runs a command in that
# same namespace: the programs of the prefix, the tests' loopback servers and the command share
# one network, and it ends at the machine. X (filesystem socket) and the Wine server's socket
# answer from everywhere. Without a server of ours, rb_offline gives the command a namespace of
# its own; without namespaces it runs the command as it is.
RB_NET_HOLDER=

rb_net_namespace() {
    [ -n "$RB_NET_HOLDER" ] && kill -0 "$RB_NET_HOLDER" 2>/dev/null
}

# Starts the holder: a process in a new network namespace with loopback up, which ends with the
# script that started it (if nothing stops it earlier).
rb_net_namespace_start() {
    rb_net_namespace && return 0
    command -v nsenter >/dev/null 2>&1 && unshare -n true 2>/dev/null || return 1
    local ready
    ready=$(mktemp)
    unshare -n sh -c 'ip link set lo up 2>/dev/null; echo up >"$1"; while kill -0 "$2" 2>/dev/null; do sleep 1; done' \
        rb-net-holder "$ready" "$$" </dev/null >/dev/null 2>&1 &
    RB_NET_HOLDER=$!
    local i
    for ((i = 0; i < 100; i++)); do
        if [ -s "$ready" ]; then
            rm -f "$ready"
            return 0
        fi
        kill -0 "$RB_NET_HOLDER" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$ready"
    kill "$RB_NET_HOLDER" 2>/dev/null
    RB_NET_HOLDER=
    return 1
}

rb_offline() {
    if rb_net_namespace; then
        nsenter --net="/proc/$RB_NET_HOLDER/ns/net" "$@"
    elif unshare -n true 2>/dev/null; then
        unshare -n sh -c 'ip link set lo up 2>/dev/null; exec "$@"' rb_offline "$@"
    else
        "$@"
    fi
}

rb_display_start() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    local numberFile
    numberFile=$(mktemp)
    # -displayfd: Xvfb picks a free display number and writes it once it accepts clients.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberFile" </dev/null >/dev/null 2>&1 &
    RB_XVFB_PID=$!
    local i
    for ((i = 0; i < 100; i++)); do
        if [ -s "$numberFile" ]; then
            break
        fi
        if ! kill -0 "$RB_XVFB_PID" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    if [ ! -s "$numberFile" ]; then
        rm -f "$numberFile"
        rb_log "Xvfb did not start"
        return 1
    fi
    DISPLAY=":$(tr -d ' \n' <"$numberFile")"
    export DISPLAY
    rm -f "$numberFile"
}

rb_wine_settings() {
    cat <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\Default]
"EnableShell"=dword:00000001

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"Gulim"="NanumGothic"
"Malgun Gothic"="NanumGothic"
"MS UI Gothic"="IPAPGothic"
"Meiryo"="IPAPGothic"
"Yu Gothic UI"="IPAPGothic"
"SimSun"="WenQuanYi Micro Hei"
"Microsoft YaHei"="WenQuanYi Micro Hei"
"PMingLiU"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]
"Browsers"="$RB_ROOT/tools/browser-capture.sh"
EOF
}

# Debian's Wine does not look in fonts-wine's folder. Without Marlett the caption buttons show
# letters instead of their symbols; without Tahoma, the desktop font, Wine draws Latin text in
# whatever face fontconfig offers and Cyrillic and Arabic in the Korean font.
rb_wine_fonts() {
    local font
    for font in marlett tahoma tahomabd; do
        if [ -f "/usr/share/wine/fonts/$font.ttf" ]; then
            cp "/usr/share/wine/fonts/$font.ttf" "$1/drive_c/windows/Fonts/"
        fi
    done
}

# Prints the template's path. Booting a prefix takes 15-25 s, so it happens once per Wine
# version and version of this file; an interrupted build leaves no ".complete" and is redone.
rb_wine_template() {
    local base=$1 key dir
    # A prefix booted where 32-bit programs run has their half too.
    key=$({ "$RB_WINE64" --version; rb_wine32_works && echo wine32; rb_wine_settings; cat "$RB_ROOT/tools/wine-env.sh"; } | sha1sum | cut -c1-12)
    dir=$base/wine-template-$key
    if [ -f "$dir/.complete" ]; then
        printf '%s\n' "$dir"
        return 0
    fi
    rb_log "Building the Wine template prefix $dir (once) ..."
    local old
    for old in "$base"/wine-template-*; do
        if [ -d "$old" ]; then
            WINEPREFIX=$old wineserver -k 2>/dev/null || true
            rm -rf "$old"
        fi
    done
    mkdir -p "$dir"
    (
        export WINEPREFIX=$dir
        # The settings must be in place before the desktop starts, so the boot server is stopped after.
        "$RB_WINE64" wineboot -i </dev/null >"$dir.log" 2>&1 &&
            wineserver -w &&
            rb_wine_settings >"$dir/drive_c/rambroom-settings.reg" &&
            rb_wine_fonts "$dir" &&
            "$RB_WINE64" regedit /S 'C:\rambroom-settings.reg' </dev/null >>"$dir.log" 2>&1 &&
            { wineserver -k 2>/dev/null || true; }
        wineserver -w
        grep -q '"EnableShell"=dword:00000001' "$dir/user.reg" &&
            grep -q 'browser-capture.sh' "$dir/user.reg"
    ) || {
        rb_log "Could not build the Wine prefix; see $dir.log"
        rm -rf "$dir"
        return 1
    }
    touch "$dir/.complete"
    printf '%s\n' "$dir"
}

# Never `cp -al`: the server rewrites user.reg in place, which would change the template too.
rb_wine_prefix() {
    local template=$1 dir=$2
    if [ -d "$dir" ]; then
        WINEPREFIX=$dir wineserver -k 2>/dev/null || true
        rm -rf "$dir"
    fi
    mkdir -p "$(dirname "$dir")"
    cp -a "$template" "$dir"
    rm -f "$dir/.complete"
    export WINEPREFIX=$dir
}

# The first Wine program after the server starts spawns services that inherit its output;
# inside $(...) or ctest the caller would wait on them. So the server is made persistent and
# warmed here, with the output going nowhere. `wineserver -p` exits with 2 when a server of the
# prefix already runs: that one belongs to someone else (another ./run), is used as it is and
# is left running by rb_wine_cleanup.
rb_wine_start() {
    local status=0 enter=()
    if [ "${RAMBROOM_ONLINE:-}" != 1 ] && rb_net_namespace_start; then
        enter=(nsenter --net="/proc/$RB_NET_HOLDER/ns/net")
    fi
    "${enter[@]}" wineserver -p </dev/null >/dev/null 2>&1 || status=$?
    case $status in
    0) RB_SERVER_PREFIX=$WINEPREFIX ;;
    2) ;;
    *)
        rb_log "wineserver -p failed ($status)"
        return 1
        ;;
    esac
    "${enter[@]}" "$RB_WINE64" cmd /c exit 0 </dev/null >/dev/null 2>&1
}

# The template names this checkout's browser-capture.sh; a prefix kept from a checkout that
# was since moved or copied still names the old one.
rb_wine_browser() {
    local browser=$RB_ROOT/tools/browser-capture.sh
    if ! grep -qF "\"Browsers\"=\"$browser\"" "$WINEPREFIX/user.reg" 2>/dev/null; then
        "$RB_WINE64" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$browser" /f \
            </dev/null >/dev/null 2>&1
    fi
}

# The virtual desktop's own X window ("Default - Wine desktop"), not the screen around it:
# Xvfb's screen is larger than the desktop, and a real display has more on it.
rb_desktop_screenshot() {
    local window
    window=$(xdotool search --onlyvisible --name '^Default - Wine desktop$' 2>/dev/null | head -n 1)
    import -window "${window:-root}" "$1"
}

rb_wine_cleanup() {
    if [ -n "$RB_SERVER_PREFIX" ]; then
        WINEPREFIX=$RB_SERVER_PREFIX wineserver -k 2>/dev/null || true
        RB_SERVER_PREFIX=
    fi
    if [ -n "$RB_NET_HOLDER" ]; then
        kill "$RB_NET_HOLDER" 2>/dev/null || true
        wait "$RB_NET_HOLDER" 2>/dev/null || true
        RB_NET_HOLDER=
    fi
    if [ -n "$RB_XVFB_PID" ]; then
        kill "$RB_XVFB_PID" 2>/dev/null || true
        wait "$RB_XVFB_PID" 2>/dev/null || true
        RB_XVFB_PID=
    fi
    return 0
}
