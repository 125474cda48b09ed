#!/bin/sh
# RamBroom.exe must run on a bare Windows: it may import only DLLs that every Windows from
# Vista on carries (the C and C++ runtimes are linked in statically).
# usage: check_imports.sh OBJDUMP EXE
objdump="$1"; exe="$2"
allowed="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msimg32.dll msvcrt.dll shell32.dll user32.dll
version.dll ole32.dll oleaut32.dll shlwapi.dll winhttp.dll ntdll.dll dwmapi.dll uxtheme.dll"
status=0
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "no imports read from $exe"; exit 1; }
for dll in $dlls; do
    case " $(echo $allowed) " in
        *" $dll "*) ;;
        *) echo "unexpected import: $dll"; status=1 ;;
    esac
done
[ $status -eq 0 ] && echo "imports ok: $(echo $dlls)"
exit $status
