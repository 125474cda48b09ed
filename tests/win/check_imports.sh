#!/bin/sh
# RamBroom.exe must run on a bare Windows: it may import only DLLs that every Windows from
# Vista on carries (the C and C++ runtimes are linked in statically), and none of the functions
# that base/DynCalls_win.h links at run time (an import of one would stop the program from
# loading on a system without it).
# usage: check_imports.sh OBJDUMP EXE DYNCALLS_HEADER
objdump="$1"; exe="$2"; header="$3"
allowed="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msimg32.dll msvcrt.dll shell32.dll user32.dll
version.dll ole32.dll oleaut32.dll shlwapi.dll winhttp.dll ntdll.dll dwmapi.dll uxtheme.dll"
status=0
table=$("$objdump" -p "$exe")
dlls=$(printf '%s\n' "$table" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "no imports read from $exe"; exit 1; }
for dll in $dlls; do
    case " $(echo $allowed) " in
        *" $dll "*) ;;
        *) echo "unexpected import: $dll"; status=1 ;;
    esac
done
# Import entries: "<vma> <hint> <name>".
functions=$(printf '%s\n' "$table" | sed -n 's/^[[:space:]]*[0-9a-f]\{1,\}[[:space:]]\{1,\}[0-9]\{1,\}[[:space:]]\{1,\}\([A-Za-z_][A-Za-z0-9_]*\)$/\1/p')
[ -n "$functions" ] || { echo "no imported functions read from $exe"; exit 1; }
late=$(sed -n -e 's/^RAMBROOM_DYNCALL(\([A-Za-z_][A-Za-z0-9_]*\)).*/\1/p' -e 's/^using Sig_\([A-Za-z_][A-Za-z0-9_]*\) =.*/\1/p' "$header")
[ -n "$late" ] || { echo "no run-time-linked functions read from $header"; exit 1; }
for name in $late; do
    if printf '%s\n' "$functions" | grep -qx "$name"; then
        echo "imports $name, which is linked at run time"
        status=1
    fi
done
[ $status -eq 0 ] && echo "imports ok: $(echo $dlls); none of: $(echo $late)"
exit $status
