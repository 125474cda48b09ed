#!/usr/bin/env bash
# Builds the setup program and the portable package from the two release builds:
#   build/installer/RamBroom-<version>-setup.exe    (NSIS; installer/RamBroom.nsi)
#   build/installer/RamBroom-<version>-portable.zip (x86\ and x64\RamBroom.exe, licence, read-me)
#
#   installer/build.sh            builds the presets mingw-i686 and mingw-x64 first
#   installer/build.sh --no-build takes the executables those builds already made (./test)
#
# <version> is the program's three version numbers (project() in CMakeLists.txt).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=yes
[ "${1:-}" = --no-build ] && build=no

if [ $build = yes ]; then
    bash tools/deps.sh
    source tools/build-env.sh
    for preset in mingw-i686 mingw-x64; do
        rb_configure "$preset" >/dev/null
        cmake --build --preset "$preset" --parallel 2 --target RamBroom
    done
fi

exe32=build/mingw-i686/app/RamBroom.exe
exe64=build/mingw-x64/app/RamBroom.exe
for exe in "$exe32" "$exe64"; do
    [ -f "$exe" ] || { echo "installer/build.sh: $exe is missing (build the presets first)" >&2; exit 1; }
done

version=$(sed -nE 's/^project\(RamBroom VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
IFS=. read -r major minor patch tweak <<<"$version"
version4="$major.${minor:-0}.${patch:-0}.${tweak:-0}"
version3="$major.${minor:-0}.${patch:-0}"
out=build/installer
mkdir -p "$out"
setup="$out/RamBroom-$version3-setup.exe"
portable="$out/RamBroom-$version3-portable.zip"

# The script and its Korean texts are UTF-8.
makensis -V2 -INPUTCHARSET UTF8 \
    "-DVERSION=$version4" "-DVERSION3=$version3" \
    "-DEXE32=$root/$exe32" "-DEXE64=$root/$exe64" \
    "-DLICENSE=$root/installer/LICENSE.txt" "-DICON=$root/resources/generated/RamBroom.ico" \
    "-DOUTFILE=$root/$setup" installer/RamBroom.nsi

# Windows' own zip folders read this; the texts get CR LF line ends.
python3 - "$portable" "$exe32" "$exe64" <<'PY'
import sys, zipfile
out, exe32, exe64 = sys.argv[1:]
def text(path):
    return open(path, encoding="utf-8").read().replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    z.write(exe32, "RamBroom/x86/RamBroom.exe")
    z.write(exe64, "RamBroom/x64/RamBroom.exe")
    z.writestr("RamBroom/License.txt", text("installer/LICENSE.txt"))
    z.writestr("RamBroom/ReadMe.txt", text("installer/README.txt"))
PY
ls -l "$setup" "$portable"
