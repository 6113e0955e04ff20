#!/usr/bin/env bash
# Checks that Windows executables are self-contained: every DLL they import
# is one that Windows itself provides (no mingw runtime, no libstdc++, no
# winpthread beside them). Prints each program's imports.
#
#   scripts/windows-imports.sh PROGRAM.exe...
set -euo pipefail
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
# The system's own DLLs (compared without regard to case).
allowed=" kernel32.dll user32.dll gdi32.dll shell32.dll advapi32.dll ole32.dll oleaut32.dll"
allowed+=" comctl32.dll comdlg32.dll shlwapi.dll msvcrt.dll ws2_32.dll winmm.dll version.dll"
allowed+=" winhttp.dll wininet.dll crypt32.dll bcrypt.dll uxtheme.dll dwmapi.dll imm32.dll "
[ $# -gt 0 ] || { echo "usage: windows-imports.sh PROGRAM.exe..." >&2; exit 2; }
status=0
for exe in "$@"; do
  dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  if [ -z "$dlls" ]; then
    echo "$exe: no import table found" >&2
    status=1
    continue
  fi
  bad=()
  for d in $dlls; do
    case "$allowed" in *" $d "*) ;; *) bad+=("$d") ;; esac
  done
  echo "$(basename "$exe"): imports $(echo $dlls)"
  if [ ${#bad[@]} -gt 0 ]; then
    echo "$exe: needs DLLs that Windows does not have: ${bad[*]}" >&2
    status=1
  fi
done
exit $status
