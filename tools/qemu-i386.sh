#!/usr/bin/env bash
# Fetches qemu-i386 (user mode, a static program) for machines whose kernel runs no 32-bit x86
# code, so that the 32-bit Wine loader and the i686 build can run there (tools/wine-env.sh
# registers it for this project's processes only, in a user namespace of their own).
#
# Does nothing where 32-bit programs run natively, and nothing (no network) once the program is
# in the cache. Otherwise it downloads one package, qemu-user from the backports suite of the
# system's Debian archive, through a private apt configuration: the system's sources, package
# lists and installed packages are left as they are. Prints nothing on success.
#
#   bash tools/qemu-i386.sh            fetch when needed
#   bash tools/qemu-i386.sh --path     print where the cached program is (fetched or not)
set -euo pipefail

cache=${RAMBROOM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/rambroom}
target=$cache/qemu-i386

if [ "${1:-}" = --path ]; then
    printf '%s\n' "$target"
    exit 0
fi

# The 32-bit Wine loader is an i386 ELF program: it starts only where the kernel runs 32-bit code.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    exit 0
fi
if [ -x "$target" ] && "$target" --version >/dev/null 2>&1; then
    exit 0
fi

# bookworm's own qemu (7.2) takes about a minute to start each 32-bit process; the backports
# one (10.x) about a second.
codename=$(. /etc/os-release && printf '%s' "${VERSION_CODENAME:-}")
if [ -z "$codename" ]; then
    echo "qemu-i386.sh: /etc/os-release names no Debian release" >&2
    exit 1
fi
suite=$codename-backports

# The archive the system already uses for its own release (a mirror stays a mirror).
archive=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' 2>/dev/null |
    awk -v release="$codename" '$2 == release { print $1; exit }')
archive=${archive:-http://deb.debian.org/debian/}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
options=""
[ -f "$keyring" ] && options="[signed-by=$keyring] "
printf 'deb %s%s %s main\n' "$options" "$archive" "$suite" >"$work/sources.list"

apt_private=(
    -o "Dir::Etc::sourcelist=$work/sources.list"
    -o "Dir::Etc::sourceparts=-"
    -o "Dir::State::Lists=$work/lists"
    -o "Dir::Cache=$work/cache"
    # A snapshot of the archive has Release files past their end of validity.
    -o "Acquire::Check-Valid-Until=false"
    -o "APT::Get::List-Cleanup=false"
)
# apt's download user cannot write into a private folder of root's.
[ "$(id -u)" -eq 0 ] && apt_private+=(-o "APT::Sandbox::User=root")

echo "Fetching qemu-i386 from $archive $suite (this machine runs no 32-bit code) ..." >&2
if ! apt-get -qq "${apt_private[@]}" update >"$work/apt.log" 2>&1 ||
    ! (cd "$work" && apt-get -qq "${apt_private[@]}" download "qemu-user/$suite") >>"$work/apt.log" 2>&1; then
    cat "$work/apt.log" >&2
    echo "qemu-i386.sh: could not download qemu-user from $suite" >&2
    exit 1
fi

deb=$(find "$work" -maxdepth 1 -name 'qemu-user_*.deb' | head -n 1)
mkdir -p "$cache"
# Written beside and moved into place: an interrupted fetch leaves no half program behind.
if ! dpkg-deb --fsys-tarfile "$deb" | tar -x -O ./usr/bin/qemu-i386 >"$target.part" ||
    ! chmod +x "$target.part" || ! "$target.part" --version >/dev/null 2>&1; then
    rm -f "$target.part"
    echo "qemu-i386.sh: $deb holds no working ./usr/bin/qemu-i386" >&2
    exit 1
fi
mv -f "$target.part" "$target"
"$target" --version | head -n 1 >&2
