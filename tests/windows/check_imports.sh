#!/usr/bin/env bash
# Fails when a Windows executable imports a DLL that not every Windows 10 has
# (the C++ runtime DLLs of mingw-w64 above all: libstdc++-6.dll,
# libgcc_s_seh-1.dll, libwinpthread-1.dll, which -static keeps out).
# Usage: check_imports.sh OBJDUMP PROGRAM.exe...
set -u
objdump=$1
shift
# System DLLs of every Windows 10 (and the universal C runtime's forwarders).
allowed='^(kernel32|user32|gdi32|shell32|comctl32|comdlg32|advapi32|ole32|oleaut32|shlwapi|shcore|uxtheme|dwmapi|imm32|version|winmm|ws2_32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll$'
failures=0
for program in "$@"; do
  dlls=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p')
  if [[ -z "$dlls" ]]; then
    echo "FAIL $program: no import table read"
    failures=$((failures + 1))
    continue
  fi
  while read -r dll; do
    if ! [[ "${dll,,}" =~ $allowed ]]; then
      echo "FAIL $program imports $dll"
      failures=$((failures + 1))
    fi
  done <<<"$dlls"
  echo "$(basename "$program"): $(echo $dlls)"
done
exit $((failures > 0))
