#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# kelto.exe's start-up under Wine: milliseconds from exec to the first mapped
# window, beside a bare Win32 window of the same size, alternating in one run
# with a warm wineserver (median of N runs each, default 15), and the exe's
# size. Its own Xvfb + openbox + trayer and a prefix of its own in the build
# folder, removed afterwards.
#
# usage: bench/windows/run.sh [-n RUNS] [--baseline KELTO_EXE] [BUILD_DIR]   (default build-windows)
#
# The map is timed by bench/startup/first_map (X events, nothing polled),
# from the Linux build in ${NUMIRA_BUILD_DIR:-build}, built here when
# missing; the CPU time is that of the program's own process (the wineserver
# and Wine's desktop process work for both programs alike). --baseline also
# times another kelto.exe (say, one built from an earlier commit) in the
# same rotation.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=15
baseline=
while [ $# -gt 0 ]; do
  case "$1" in
    -n) runs=$2; shift 2 ;;
    --baseline) baseline=$2; shift 2 ;;
    -*) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
case "$runs" in ''|*[!0-9]*|0) echo "run.sh: -n needs a positive number" >&2; exit 2 ;; esac
if [ -n "$baseline" ] && [ ! -f "$baseline" ]; then
  echo "run.sh: --baseline needs a kelto.exe, not '$baseline'" >&2
  exit 2
fi
build=$(cd "${1:-${NUMIRA_WINDOWS_BUILD_DIR:-$top/build-windows}}" && pwd)
kelto=$build/kelto.exe
bare=$build/bench/windows/bare_window.exe
for file in "$kelto" "$bare" "$build/wine-run"; do
  [ -e "$file" ] || { echo "run.sh: no $file: build it with scripts/build-windows" >&2; exit 2; }
done

# The probe, from the Linux build (scripts/setup configures it with the
# benchmarks; configured here when it is not).
linux_build="${NUMIRA_BUILD_DIR:-$top/build}"
for tool in Xvfb openbox trayer; do
  command -v "$tool" >/dev/null || { "$top/scripts/setup" --install-only; break; }
done
if ! grep -qs '^NUMIRA_BUILD_BENCHMARKS:BOOL=ON' "$linux_build/CMakeCache.txt"; then
  cmake -S "$top" -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUMIRA_BUILD_BENCHMARKS=ON >/dev/null
fi
if ! build_log=$(cmake --build "$linux_build" --target first_map 2>&1); then
  echo "$build_log" >&2
  exit 1
fi
probe=$linux_build/bench/first_map

export NUMIRA_WINEPREFIX=$build/wineprefix-bench WINEPREFIX=$build/wineprefix-bench WINEDEBUG=-all
scratch=$(mktemp -d /tmp/numira-wine-bench.XXXXXX)
pids=()
cleanup() {
  wineserver -k 2>/dev/null || true
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
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
"$probe" --wait-wm --timeout 10000 || { echo "run.sh: openbox did not start" >&2; exit 1; }
trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
pids+=("$!")
"$probe" --wait-tray --timeout 10000 || { echo "run.sh: trayer did not start" >&2; exit 1; }

programs=(kelto bare)
cp "$kelto" "$scratch/kelto.exe"
cp "$bare" "$scratch/bare.exe"
if [ -n "$baseline" ]; then
  cp "$baseline" "$scratch/baseline.exe"
  programs+=(baseline)
fi

# one_start NAME: one start, its line of figures to NAME.results (nothing for
# the warm-up). Each kelto starts without a settings file, at the same place.
# The next start waits a moment after the program's end: Wine's desktop
# process is still taking a tray icon out of the notification area then, and
# a start on its heels shared the two of them with that work.
one_start() {
  rm -f "$scratch"/*.ini
  (cd "$scratch" && "$probe" --map-only --settle 300 --timeout 20000 "$build/wine-run" "./$1.exe") >>"$scratch/$1.results"
  sleep 0.7
}
# Boots the prefix and starts the wineserver and Wine's desktop process; the
# runs follow one another closely enough to find them running.
for p in "${programs[@]}"; do one_start "$p"; rm -f "$scratch/$p.results"; done
for ((i = 0; i < runs; i++)); do
  n=${#programs[@]}
  for ((j = 0; j < n; j++)); do one_start "${programs[(i + j) % n]}"; done
done

median() {  # file column
  awk -v c="$2" '{ print $c }' "$1" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
wine=$(sed -n 's/^wine=//p' "$build/wine-run")
echo "Numira under Wine ($("$wine" --version 2>/dev/null || echo "version unknown")), $(date -u +%Y-%m-%d), $(git -C "$top" rev-parse --short HEAD 2>/dev/null || echo '?')"
echo "exec to first mapped window, warm wineserver, median of $runs each, in rotation:"
bare_map=$(median "$scratch/bare.results" 2)
for p in "${programs[@]}"; do
  map=$(median "$scratch/$p.results" 2)
  cpu=$(median "$scratch/$p.results" 8)
  label=$p
  [ "$p" = bare ] && label="bare Win32 window"
  [ "$p" = baseline ] && label="baseline ($baseline)"
  awk -v l="$label" -v m="$map" -v c="$cpu" -v b="$bare_map" \
    'BEGIN { printf "  %-34s %7.1f ms (%.2fx the bare window), CPU until mapped %.1f ms\n", l, m, m / b, c }'
done
echo "kelto.exe size: $(stat -c %s "$kelto") bytes"
