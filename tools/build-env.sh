# shellcheck shell=bash
# CMake helpers of ./run and ./test. Source it from bash, then:
#
#   rb_configure PRESET [ARGS...]   cmake --preset PRESET ARGS, after rb_forget_moved_build
#   rb_forget_moved_build PRESET    removes build/PRESET when it was made for another checkout
#
# Every preset builds into build/<preset> (CMakePresets.json).

RB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# A copied or moved checkout brings build/ along, and CMake then stops with "The current
# CMakeCache.txt directory ... is different than the directory ... where CMakeCache.txt was
# created". More than the cache names the old place (build.ninja, Ninja's dependency log, the
# test lists), and the folder holds nothing but output: so the whole folder goes.
rb_forget_moved_build() {
    local dir=$RB_ROOT/build/$1
    local cache=$dir/CMakeCache.txt
    [ -f "$cache" ] || return 0
    local source binary
    source=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")
    binary=$(sed -n 's/^CMAKE_CACHEFILE_DIR:INTERNAL=//p' "$cache")
    # CMake records physical paths.
    if [ -n "$source" ] && [ "$(realpath -m -- "$source")" = "$(realpath -- "$RB_ROOT")" ] &&
        [ -n "$binary" ] && [ "$(realpath -m -- "$binary")" = "$(realpath -- "$dir")" ]; then
        return 0
    fi
    printf 'build/%s was made for %s: building it again from scratch\n' "$1" "${source:-another checkout}" >&2
    rm -rf -- "$dir"
}

rb_configure() {
    local preset=$1
    shift
    rb_forget_moved_build "$preset" && cmake --preset "$preset" "$@"
}
