#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# kelto.exe's start-up under Wine: milliseconds from exec to the first mapped
# window, beside a bare Win32 window of the same size, alternating in one run
# with a warm wineserver (median of N runs each, default 10), and the exe's
# size. Its own Xvfb + openbox + trayer and a prefix of its own in the build
# folder, removed afterwards.
#
# usage: bench/windows/run.sh [-n RUNS] [BUILD_DIR]   (default build-windows)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=10
if [ "${1:-}" = -n ]; then runs=$2; shift 2; fi
build=$(cd "${1:-${NUMIRA_WINDOWS_BUILD_DIR:-$top/build-windows}}" && pwd)
kelto=$build/kelto.exe
bare=$build/bench/windows/bare_window.exe
export NUMIRA_WINEPREFIX=$build/wineprefix-bench WINEPREFIX=$build/wineprefix-bench WINEDEBUG=-all
scratch=$(mktemp -d /tmp/numira-wine-bench.XXXXXX)
pids=()
cleanup() {
  wineserver -k 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch" "$WINEPREFIX" "$WINEPREFIX.lock"
}
trap cleanup EXIT

mkfifo "$scratch/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$scratch/displayfd" >/dev/null 2>&1 &
pids+=("$!")
read -r number <"$scratch/displayfd"
export DISPLAY=":$number"
openbox --sm-disable >/dev/null 2>&1 &
pids+=("$!")
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do sleep 0.05; done
trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
pids+=("$!")
until xdotool search --classname '^panel$' >/dev/null 2>&1; do sleep 0.05; done

cp "$kelto" "$bare" "$scratch/"
# Boots the prefix and leaves wineserver and the desktop process running.
"$build/wine-run" "$scratch/bare_window.exe" >/dev/null 2>&1 &
until xdotool search --onlyvisible --name '^Bare Win32 window$' >/dev/null 2>&1; do sleep 0.05; done
wmctrl -c 'Bare Win32 window'
wait $!

# one_start EXE TITLE: prints ms from exec to the window being viewable.
one_start() {
  local start end pid
  start=${EPOCHREALTIME/./}
  (cd "$scratch" && exec "$build/wine-run" "./$1") >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; do :; done
  end=${EPOCHREALTIME/./}
  wmctrl -c "${2//[\^\$\\]/}"
  wait "$pid" || true
  echo $(((end - start) / 1000))
}
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

for ((i = 0; i < runs; i++)); do
  one_start kelto.exe '^Numira V4\.2$' >>"$scratch/kelto.ms"
  one_start bare_window.exe '^Bare Win32 window$' >>"$scratch/bare.ms"
done
k=$(median <"$scratch/kelto.ms")
b=$(median <"$scratch/bare.ms")
echo "exec to first mapped window, warm wineserver, median of $runs:"
echo "  kelto.exe        $k ms"
echo "  bare Win32 window $b ms"
echo "kelto.exe size: $(stat -c %s "$kelto") bytes"
