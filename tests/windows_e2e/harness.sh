# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# shellcheck shell=bash disable=SC2034  # the variables are for scenarios.sh
# The Windows end-to-end harness, sourced by scenarios.sh: the real kelto.exe
# under Wine on a desktop of its own (Xvfb on a free display, openbox, and
# trayer as the notification area, started before Wine so that the tray icon
# docks there), in a Wine prefix of its own inside the build folder, with the
# Japanese faces mapped to the IPA fonts. Each scenario starts from a fresh
# scratch folder holding a copy of kelto.exe, so its settings file lands
# there. The program is driven only from outside: xdotool for keys and
# clicks, wmctrl for close requests, xprop / xwininfo for window state, xclip
# for the clipboard, xwd for what the screen shows. Everything started here
# is stopped on exit.
#
# Waits are bounded polls (50 ms steps), never fixed sleeps.
#
# usage: KELTO_EXE=... WINE_RUN=... NUMIRA_WINEPREFIX=... scenarios.sh

set -euo pipefail

poll_step=0.05
wait_limit=${NUMIRA_E2E_WAIT:-15}
start_limit=60  # a first start in a fresh prefix on a busy machine

scratch=$(mktemp -d /tmp/numira-wine-e2e.XXXXXX)
started_pids=()
kelto_pid=""
main_window=""

step() { echo "- $*"; }

fail() {
  fail_in_scenario_shell "$*"
  echo "FAIL: $*" >&2
  for log in kelto wine xvfb openbox trayer; do
    if [ -s "$scratch/$log.log" ]; then
      echo "--- $log's output:" >&2
      tail -n 20 "$scratch/$log.log" >&2
    fi
  done
  exit 1
}

cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then
    timeout "$start_limit" wineserver -k 2>/dev/null || true
    # About 700 MB; the next run boots a fresh one in a few seconds.
    [ -n "${NUMIRA_E2E_KEEP_PREFIX:-}" ] || rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
  fi
  local i
  for ((i = ${#started_pids[@]} - 1; i >= 0; i--)); do
    kill "${started_pids[i]}" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  chattr -R -i "$scratch" 2>/dev/null || true
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
set -E
trap 'fail "line $LINENO: $BASH_COMMAND failed"' ERR

# The waits: poll, wait_until, wait_for_value, not; put_on_clipboard,
# start_bell_listener, bells.
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/waits.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/paste_tools.sh"
# put_on_clipboard TEXT: TEXT put on the Windows clipboard by a Windows
# program, then read back from the X clipboard, which Wine serves from it.
# An xclip would change the X clipboard, which Wine's bridge takes in when
# its thread gets to it: after a Ctrl+C of kelto.exe that came first, whose
# copy it then overwrites, or after a Ctrl+V, which reads the text before.
put_on_clipboard() {
  printf '%s' "$1" | run_wine "$PUT_ON_CLIPBOARD_EXE"
  wait_until "the X clipboard serves the text put on the Windows one" \
    clipboard_holds "$(printf '%s' "$1" | tr -d '\r')"
}
# Wine gives the X side a text's line ends as LF.
clipboard_holds() { [ "$(read_selection clipboard | tr -d '\r')" = "$1" ]; }
expect_eq() { [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"; }

# --- the desktop and the prefix ---------------------------------------------

start_desktop() {
  mkfifo "$scratch/displayfd"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$scratch/displayfd" \
    >"$scratch/xvfb.log" 2>&1 &
  started_pids+=("$!")
  local number
  read -r -t "$start_limit" number <"$scratch/displayfd" || fail "Xvfb did not start"
  export DISPLAY=":$number"
  unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER LC_ALL LC_NUMERIC LANGUAGE
  export LANG=C.UTF-8
  openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
  started_pids+=("$!")
  wait_limit=$start_limit wait_until "openbox manages the screen" \
    sh -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'"
  # A fixed width: tray clicks reach the program only then. A dock with a
  # strut, as a taskbar is: the work area ends above it.
  trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 --SetDockType true \
    --SetPartialStrut true >"$scratch/trayer.log" 2>&1 &
  started_pids+=("$!")
  wait_limit=$start_limit wait_until "trayer takes the notification area" \
    sh -c "xprop -root -notype _NET_SUPPORTING_WM_CHECK >/dev/null && xdotool search --class trayer"
}

# The prefix's own wineserver and desktop process belong to this display:
# any left from an earlier run (or from the core tests) are ended first.
start_prefix() {
  export WINEPREFIX=$NUMIRA_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  timeout "$start_limit" wineserver -k 2>/dev/null || true
  # The runner boots a fresh prefix with the test prefix's settings (the
  # Japanese faces mapped to the IPA fonts) before the first program: some
  # ten seconds on a busy machine.
  wine_limit=$((2 * start_limit)) run_wine cmd.exe /c exit
}

# run_wine PROGRAM ARGUMENTS...: runs a program of the prefix (reg, wineboot)
# to its end, its output in wine.log. Bounded: one that hangs fails the
# scenario naming it, rather than running into CTest's limit without a word.
run_wine() {
  local limit=${wine_limit:-$start_limit} status=0
  timeout "$limit" "$WINE_RUN" "$@" >>"$scratch/wine.log" 2>&1 || status=$?
  ((status != 124)) || fail "$* under Wine did not end within $limit s"
  ((status == 0)) || fail "$* under Wine: exit status $status"
}

# --- the program -------------------------------------------------------------

new_app_folder() {
  app_dir="$scratch/app$((++app_folders))"
  settings="$app_dir/kelto.ini"
  mkdir -p "$app_dir"
  cp "$KELTO_EXE" "$app_dir/kelto.exe"
}
app_folders=0

start_kelto() {
  (cd "$app_dir" && exec "$WINE_RUN" ./kelto.exe) >>"$scratch/kelto.log" 2>&1 &
  kelto_pid=$!
  started_pids+=("$kelto_pid")
  main_window=""
  wait_limit=$start_limit wait_until "the main window \"Numira V4.2\" appears" find_main_window
  main_window=$(find_main_window)
  wait_limit=$start_limit wait_until "the main window is mapped" is_viewable "$main_window"
  # Ready for keys once a Ctrl+C gets through: a key pressed while Wine is
  # still handing the focus over may reach no control at all.
  put_on_clipboard unchanged
  wait_until "the main window takes keys" copy_gets_through
}
copy_gets_through() {
  press ctrl+c
  sleep 0.1
  not prints unchanged clipboard
}

find_main_window() {
  local id
  id=$(search_windows --all --onlyvisible --name '^Numira V4\.2$' | head -n 1)
  [ -n "$id" ] && printf '0x%x\n' "$id"
}

running() { kill -0 "$1" 2>/dev/null && [ "$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)" != Z ]; }

expect_kelto_ends() {
  wait_limit=$start_limit wait_until "kelto ends" not running "$kelto_pid"
  local status=0
  wait "$kelto_pid" || status=$?
  expect_eq "kelto's exit status" 0 "$status"
}

# Makes a file read-only. Wine runs as the harness's user, and root writes
# over missing write permission: for root the file is made immutable too.
make_read_only() {
  chmod a-w "$1"
  if [ "$(id -u)" -eq 0 ]; then chattr +i "$1" || fail "cannot make $1 read-only for root"; fi
}
make_writable() {
  if [ "$(id -u)" -eq 0 ]; then chattr -i "$1"; fi
  chmod u+w "$1"
}

is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
is_unmapped() { ! is_viewable "$1"; }

# The client area's size, "375x205".
client_size() {
  xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}
# The client area's top-left corner on the screen, "x y".
client_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 } END { print x, y }'
}
# A tooltip: a visible window of the program without a name.
tooltip_shows() {
  local id
  for id in $(search_windows --onlyvisible --classname '^kelto\.exe$'); do
    [ -z "$(xdotool getwindowname "$id" 2>/dev/null)" ] && return 0
  done
  return 1
}
has_state() { xprop -id "$1" _NET_WM_STATE | grep -q "$2"; }

activate() {
  xdotool windowactivate "$1" 2>/dev/null || wmctrl -i -a "$1"
  wait_for_value "window $1 is active" "$(($1))" xdotool getactivewindow
  wait_until "window $1 has the keyboard focus" has_input_focus "$1"
}
type_keys() {
  activate "$main_window"
  xdotool type --delay 30 "$1"
}
press() {
  activate "$main_window"
  xdotool key --delay 30 "$@"
}
# Clicks at client coordinates of the main window.
click_at() {
  xdotool mousemove --window "$main_window" "$1" "$2" click "${3:-1}"
}

# What Ctrl+C copies: the display, or the tape when it has the focus and a
# selection. The marker put on the clipboard first is in place before the key
# goes: a plain `xclip` returns before its background copy has taken the
# clipboard, which it may then take over from the program's copy.
clipboard() { read_selection clipboard | tr -d '\r'; }
copied_display() {
  put_on_clipboard unchanged
  press ctrl+c
  wait_until "the copy reaches the clipboard" not prints unchanged clipboard
  clipboard
}
# pasted_display TEXT KEY...: TEXT put on the clipboard, the keys pressed (a
# paste among them), then the display.
pasted_display() {
  put_on_clipboard "$1"
  shift
  press "$@"
  copied_display
}
# The whole tape: Tab to Memo1 (the fifth tab stop from "="), select all, copy.
copied_tape() {
  put_on_clipboard unchanged
  press Tab Tab Tab Tab ctrl+a ctrl+c
  wait_until "the copy reaches the clipboard" not prints unchanged clipboard
  clipboard
  press Tab  # back to "="
}

# The tray icon: Wine's icon window that trayer's panel docks.
tray_icon() {
  local panel icon
  panel=$(search_windows --classname '^panel$' | head -n 1)
  [ -n "$panel" ] || return 1
  icon=$(xwininfo -id "$panel" -tree | awk '/"explorer.exe"/ { print $1; exit }')
  [ -n "$icon" ] && echo "$icon"
}
# tray_icon_shows PICTURE.xpm: the tray icon shows the picture pixel for pixel.
tray_icon_shows() {
  local icon
  icon=$(tray_icon) || return 1
  xwd -silent -id "$icon" | /usr/bin/python3 -B "$(dirname "${BASH_SOURCE[0]}")/../e2e/window_shows.py" "$1"
}
click_tray() {
  local icon
  wait_until "the tray icon is docked in trayer" tray_icon
  icon=$(tray_icon)
  # Two clicks within the double-click interval (500 ms) are one double
  # click, which the tray ignores: keep them apart.
  local now=${EPOCHREALTIME//[!0-9]/}
  while ((now - last_tray_click < 600000)); do
    sleep "$poll_step"
    now=${EPOCHREALTIME//[!0-9]/}
  done
  xdotool mousemove --window "$icon" 8 8 click 1
  last_tray_click=${EPOCHREALTIME//[!0-9]/}
}
last_tray_click=0
