#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# Start-up time and memory of kelto beside the bare Qt window (bench/floor),
# measured side by side on a private X server:
#
#   bench/startup/run.sh [-n RUNS] [--cold] [--no-tray] [--no-session-bus]
#                        [--baseline KELTO]
#
# Starts Xvfb on a free display, openbox, a private session bus and trayer
# (a notification area, so kelto's tray icon has a host), then runs each
# program once to warm the caches and RUNS times (default 20) after that,
# kelto and floor (and a baseline) in rotation. first_map reports, per run,
# the milliseconds from exec to the first viewable top-level window, from
# exec to that window's first paint (the first DAMAGE report after which its
# pixels are more than one background colour), and
# VmRSS / VmHWM one second later, and the CPU time the program had used by
# the map and by the first paint (which, unlike the wall time, hardly moves
# when other programs load the machine), then closes the window the ordinary
# way and times that close from the request to the process's end (kelto
# saves its settings on the way). kelto runs from a copy in a scratch folder,
# so its settings file lands there.
#
#   --cold            drop the page cache before every run (root only; this
#                     slows every other program on the machine for a moment)
#   --no-tray         no tray host
#   --no-session-bus  no session bus (DBUS_SESSION_BUS_ADDRESS unset)
#   --baseline KELTO  also measure another kelto executable (say, one built
#                     from an earlier commit) in the same rotation, as
#                     "baseline", so a change is seen before and after in one
#                     run beside the same floor
#
# The locale is ja_JP.UTF-8. When the machine has not generated it, it is
# compiled into the scratch folder and used through LOCPATH for this run only;
# the system's locale setup is not touched.
#
# Installs missing packages through scripts/setup, then builds first_map,
# floor and kelto in ${NUMIRA_BUILD_DIR:-build} (RelWithDebInfo with the
# benchmarks, as scripts/setup configures it; configured so when it is not).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build="${NUMIRA_BUILD_DIR:-$top/build}"

runs=20
cold=0
tray=1
session_bus=1
baseline=
while [ $# -gt 0 ]; do
  case "$1" in
    -n) runs="$2"; shift 2 ;;
    --cold) cold=1; shift ;;
    --no-tray) tray=0; shift ;;
    --no-session-bus) session_bus=0; shift ;;
    --baseline) baseline="$2"; shift 2 ;;
    -h|--help) sed -n '2,29p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
case "$runs" in ''|*[!0-9]*|0) echo "run.sh: -n needs a positive number" >&2; exit 2 ;; esac
if [ -n "$baseline" ] && [ ! -x "$baseline" ]; then
  echo "run.sh: --baseline needs an executable kelto, not '$baseline'" >&2
  exit 2
fi
if [ "$cold" = 1 ] && [ ! -w /proc/sys/vm/drop_caches ]; then
  echo "run.sh: --cold needs write access to /proc/sys/vm/drop_caches (root)" >&2
  exit 2
fi

# scripts/setup installs the Debian packages (X server, window manager, tray
# host, session bus, locale sources) when one is missing.
for tool in Xvfb openbox trayer dbus-daemon localedef; do
  command -v "$tool" >/dev/null || { "$top/scripts/setup"; break; }
done
if ! grep -qs '^NUMIRA_BUILD_BENCHMARKS:BOOL=ON' "$build/CMakeCache.txt"; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUMIRA_BUILD_BENCHMARKS=ON >/dev/null
fi
if ! build_log=$(cmake --build "$build" --target first_map floor kelto 2>&1); then
  echo "$build_log" >&2
  exit 1
fi
probe="$build/bench/first_map"

scratch=$(mktemp -d /tmp/numira-startup.XXXXXX)
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

cp "$build/src/app/kelto" "$scratch/kelto"
cp "$build/bench/floor" "$scratch/floor"
[ -n "$baseline" ] && cp "$baseline" "$scratch/baseline"

# Locale. (bash itself cannot see the private LOCPATH and would warn when LANG
# changes; the programs started below do see it.)
lang=ja_JP.UTF-8
locale_note="ja_JP.UTF-8 (installed)"
if ! locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$'; then
  mkdir "$scratch/locale"
  if command -v localedef >/dev/null && [ -e /usr/share/i18n/locales/ja_JP ] &&
     localedef -i ja_JP -f UTF-8 "$scratch/locale/ja_JP.UTF-8" 2>/dev/null; then
    export LOCPATH="$scratch/locale"
    locale_note="ja_JP.UTF-8 (not generated on this machine; compiled into a private LOCPATH)"
  else
    lang=C.UTF-8
    locale_note="C.UTF-8 (ja_JP.UTF-8 not available on this machine)"
  fi
fi
{ export LANG="$lang"; unset LC_ALL LC_NUMERIC LANGUAGE; } 2>/dev/null

# A desktop-like session: its own runtime folder, X server, window manager,
# session bus and tray host.
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
read -r display_number <"$scratch/display"
export DISPLAY=":$display_number"

openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
pids+=($!)
"$probe" --wait-wm --timeout 10000 || { echo "run.sh: openbox did not start" >&2; exit 1; }

if [ "$session_bus" = 1 ]; then
  bus_info=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus_info")
  pids+=($(sed -n 2p <<<"$bus_info"))
else
  unset DBUS_SESSION_BUS_ADDRESS
fi

if [ "$tray" = 1 ]; then
  trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 \
    >"$scratch/trayer.log" 2>&1 &
  pids+=($!)
  "$probe" --wait-tray --timeout 10000 || { echo "run.sh: trayer did not start" >&2; exit 1; }
fi

measure() {  # program name, result file
  if [ "$cold" = 1 ]; then
    sync
    echo 3 >/proc/sys/vm/drop_caches
  fi
  (cd "$scratch" && "$probe" "./$1" 2>>"$scratch/$1.stderr") >>"$2"
}

programs=(kelto floor)
[ -n "$baseline" ] && programs+=(baseline)
for p in "${programs[@]}"; do measure "$p" /dev/null; done  # warm-up
# Each run starts with the next program, so none always follows another.
for ((i = 0; i < runs; i++)); do
  n=${#programs[@]}
  for ((j = 0; j < n; j++)); do
    p=${programs[(i + j) % n]}
    measure "$p" "$scratch/$p.results"
  done
done

# Median, min and max of one column (2: map_ms, 4: rss_kib, 6: hwm_kib,
# 8: cpu_ms, 10: paint_ms, 12: paint_cpu_ms, 14: close_ms).
stats() {  # file column scale
  awk -v c="$2" -v s="$3" '{print $c / s}' "$1" | sort -g | awk '
    { v[NR] = $1 }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.1f %.1f %.1f\n", m, v[1], v[NR]
    }'
}

cold_note="warm cache"
[ "$cold" = 1 ] && cold_note="cold page cache before every run"
echo "Numira start-up, $(date -u +%Y-%m-%d), $(git -C "$top" rev-parse --short HEAD 2>/dev/null || echo '?')"
echo "Xvfb + openbox$([ "$tray" = 1 ] && echo ' + trayer')$([ "$session_bus" = 1 ] && echo ' + session bus'), $locale_note, $cold_note"
echo "$runs runs each after one warm-up, in rotation; RelWithDebInfo build in $build"
[ -n "$baseline" ] && echo "baseline: $baseline"
echo
echo "| program | ms to first mapped window: median (min-max) | ms to first paint: median (min-max) | CPU ms until mapped / painted: median | VmRSS 1 s after, MiB: median (min-max) | VmHWM, MiB: median | ms from close request to exit: median (min-max) |"
echo "|---|---|---|---|---|---|---|"
declare -A median_map median_paint median_rss median_cpu median_paint_cpu
for p in "${programs[@]}"; do
  read -r mm mn mx < <(stats "$scratch/$p.results" 2 1)
  read -r rm rn rx < <(stats "$scratch/$p.results" 4 1024)
  read -r hm _ _ < <(stats "$scratch/$p.results" 6 1024)
  read -r cm _ _ < <(stats "$scratch/$p.results" 8 1)
  read -r pm pn px < <(stats "$scratch/$p.results" 10 1)
  read -r pcm _ _ < <(stats "$scratch/$p.results" 12 1)
  read -r xm xn xx < <(stats "$scratch/$p.results" 14 1)
  median_map[$p]=$mm
  median_paint[$p]=$pm
  median_rss[$p]=$rm
  median_cpu[$p]=$cm
  median_paint_cpu[$p]=$pcm
  label=$p
  [ "$p" = floor ] && label="floor (bare Qt 6 window)"
  [ "$p" = baseline ] && label="baseline (kelto from --baseline)"
  echo "| $label | $mm ($mn-$mx) | $pm ($pn-$px) | $cm / $pcm | $rm ($rn-$rx) | $hm | $xm ($xn-$xx) |"
done
echo
for p in "${programs[@]}"; do
  [ "$p" = floor ] && continue
  awk -v p="$p" -v km="${median_map[$p]}" -v fm="${median_map[floor]}" \
      -v kp="${median_paint[$p]}" -v fp="${median_paint[floor]}" \
      -v kc="${median_cpu[$p]}" -v fc="${median_cpu[floor]}" \
      -v kpc="${median_paint_cpu[$p]}" -v fpc="${median_paint_cpu[floor]}" \
      -v kr="${median_rss[$p]}" -v fr="${median_rss[floor]}" 'BEGIN {
    printf "%s / floor: map %.2fx, first paint %.2fx, CPU until mapped %.2fx, until painted %.2fx, VmRSS %+.1f MiB\n", p, km / fm, kp / fp, kc / fc, kpc / fpc, kr - fr
  }'
done
for p in "${programs[@]}"; do
  if [ -s "$scratch/$p.stderr" ]; then
    echo
    echo "$p wrote to stderr (first lines):"
    sort "$scratch/$p.stderr" | uniq -c | sort -rn | head -5
  fi
done
