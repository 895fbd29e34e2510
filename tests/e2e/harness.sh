# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# shellcheck shell=bash disable=SC2034  # the variables are for scenarios.sh
# The end-to-end harness, sourced by scenarios.sh. Each scenario gets a
# desktop of its own: an Xvfb server on a free display number, openbox as the
# window manager, trayer as the notification area when the scenario wants a
# tray, and a copy of the real kelto in a scratch folder, so its settings file
# lands there. The program is driven only from outside, as a user drives it:
# xdotool for keys and clicks, wmctrl for the window manager's close and
# activate requests, xprop / xwininfo to read window state, xclip to read the
# clipboard. Everything started here is stopped on exit, also after a failure.
#
# Waits are bounded polls (50 ms steps), never fixed sleeps.
#
# When the harness runs as root, kelto runs as the unprivileged user nobody,
# so that folder permissions apply to it (the read-only folder scenario).
# That user reaches nothing of the checkout or the build folder, which may sit
# in a private home folder: whatever it runs or reads is copied into the
# scratch folder first (install_kelto, user_copy).

set -euo pipefail

poll_step=0.05   # seconds between two looks
wait_limit=${NUMIRA_E2E_WAIT:-10}  # whole seconds for an ordinary wait
start_limit=30  # for a program to start on a busy machine

scratch=$(mktemp -d /tmp/numira-e2e.XXXXXX)
chmod 711 "$scratch"
app_dir="$scratch/app"     # kelto and its settings file
settings="$app_dir/kelto.ini"
started_pids=()
kelto_pid=""
main_window=""
tray_pid=""
wm_pid=""

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

# --- reporting ---------------------------------------------------------------

step() { echo "- $*"; }

fail() {
  fail_in_scenario_shell "$*"
  echo "FAIL: $*" >&2
  local log
  for log in kelto xvfb openbox trayer sni-host; do
    if [ -s "$scratch/$log.log" ]; then
      echo "--- $log's output:" >&2
      tail -n 20 "$scratch/$log.log" >&2
    fi
  done
  exit 1
}

cleanup() {
  local i
  # desktop_tools.sh runs the scenarios from a private copy of this folder.
  [ -z "${NUMIRA_E2E_PRIVATE_COPY:-}" ] || rm -rf "$NUMIRA_E2E_PRIVATE_COPY"
  for ((i = ${#started_pids[@]} - 1; i >= 0; i--)); do
    kill "${started_pids[i]}" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# A command that fails outside a check ends the scenario with its line.
set -E
trap 'fail "line $LINENO: $BASH_COMMAND failed"' ERR

e2e_dir=$(dirname "${BASH_SOURCE[0]}")
# The waits: poll, wait_until, wait_for_value, not.
source "$e2e_dir/waits.sh"
# put_on_clipboard, start_bell_listener, bells.
source "$e2e_dir/paste_tools.sh"

# expect_eq DESCRIPTION EXPECTED ACTUAL
expect_eq() {
  [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}

# --- the desktop -------------------------------------------------------------

# Starts Xvfb on a free display (Xvfb picks the number and reports it once it
# accepts clients) and openbox; returns when openbox manages the screen.
# -noreset: the probes below connect and leave before openbox has connected,
# and a server that resets when its last client leaves would turn openbox away.
start_desktop() {
  mkfifo "$scratch/displayfd"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$scratch/displayfd" \
    >"$scratch/xvfb.log" 2>&1 &
  started_pids+=("$!")
  local number
  read -r -t "$start_limit" number <"$scratch/displayfd" || fail "Xvfb did not start"
  export DISPLAY=":$number"
  # A desktop of its own: no session bus, no Wayland, Qt picks its platform.
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER
  export LANG=C.UTF-8
  unset LC_ALL LC_NUMERIC LANGUAGE

  openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
  wm_pid=$!
  started_pids+=("$wm_pid")
  wait_limit=$start_limit wait_until "openbox manages the screen" wm_ready_or_gone
  running "$wm_pid" || fail "openbox ended"
}

wm_ready_or_gone() {
  ! running "$wm_pid" || xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'
}

# Starts trayer and returns once it owns the notification area: a tray
# manager announces itself with a MANAGER client message on the root window.
# The log is emptied here, before xev starts: xev's own shell empties it only
# once it runs, and on a busy machine that may come after the first look, so
# that a second tray would be heard listening, and announcing itself, in the
# log of the first.
start_tray() {
  : >"$scratch/xev.log"
  xev -root -event structure -event property >"$scratch/xev.log" 2>&1 &
  local listener=$!
  started_pids+=("$listener")
  wait_limit=$start_limit wait_until "xev listens on the root window" xev_hears_ping
  trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 \
    >"$scratch/trayer.log" 2>&1 &
  tray_pid=$!
  started_pids+=("$tray_pid")
  wait_limit=$start_limit wait_until "trayer takes the notification area" grep -q '(MANAGER)' "$scratch/xev.log"
  kill "$listener" 2>/dev/null || true
  wait "$listener" 2>/dev/null || true
}

# Sets a property on the root window and looks for its notice in xev's log.
xev_hears_ping() {
  xprop -root -f NUMIRA_E2E_PING 8s -set NUMIRA_E2E_PING 1
  grep -q NUMIRA_E2E_PING "$scratch/xev.log"
}

# --- the program -------------------------------------------------------------

# Copies the real binary into the scratch folder, owned by the user it runs as.
install_kelto() {
  mkdir -p "$app_dir" "$scratch/home" "$scratch/runtime"
  cp "$KELTO" "$app_dir/kelto"
  chmod 700 "$scratch/runtime"
  if [ ${#as_user[@]} -gt 0 ]; then chown -R 65534:65534 "$app_dir" "$scratch/home" "$scratch/runtime"; fi
  user_can test -x "$app_dir/kelto"
}

# user_copy NAME: copies the helper NAME of this folder to $scratch/NAME,
# where the user kelto runs as can read it.
user_copy() {
  [ -f "$scratch/$1" ] || install -m 644 "$e2e_dir/$1" "$scratch/$1"
  user_can test -r "$scratch/$1"
}

# user_can test -r|-x PATH: fails at once, naming the path, when the user
# kelto runs as cannot reach it (rather than waiting out a limit for a
# program that could never start).
user_can() {
  "${as_user[@]}" "$@" ||
    fail "the user kelto runs as (${as_user[1]:-$(id -un)}) cannot reach $3"
}

# A sanitizer build reads its leak suppressions (LSAN_OPTIONS) as it ends,
# from the checkout: the user kelto runs as gets a copy of its own, or every
# exit status a scenario checks would be the sanitizer's failure to read it.
if [[ ${LSAN_OPTIONS:-} =~ suppressions=([^:]+) ]]; then
  suppressions=${BASH_REMATCH[1]}
  install -m 644 "$suppressions" "$scratch/lsan.supp"
  export LSAN_OPTIONS=${LSAN_OPTIONS//"suppressions=$suppressions"/suppressions=$scratch/lsan.supp}
  user_can test -r "$scratch/lsan.supp"
fi

# Starts kelto from its folder and waits for its main window to be viewable;
# sets kelto_pid and main_window.
start_kelto() {
  [ -x "$app_dir/kelto" ] || install_kelto
  (cd "$app_dir" && HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime" \
    exec "${as_user[@]}" ./kelto) >>"$scratch/kelto.log" 2>&1 &
  kelto_pid=$!
  started_pids+=("$kelto_pid")
  main_window=""
  wait_limit=$start_limit wait_until "the main window \"Numira V4.2\" appears" find_main_window
  main_window=$(find_main_window)
  wait_limit=$start_limit wait_until "the main window is mapped" is_viewable "$main_window"
}

find_main_window() {
  local id
  id=$(search_windows --all --pid "$kelto_pid" --name '^Numira V4\.2$' | head -n 1)
  [ -n "$id" ] && printf '0x%x\n' "$id"
}

running() {
  local state
  state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# Waits for kelto to end and checks that it ended normally.
expect_kelto_ends() {
  wait_limit=$start_limit wait_until "kelto ends" not running "$kelto_pid"
  local status=0
  wait "$kelto_pid" || status=$?
  expect_eq "kelto's exit status" 0 "$status"
}

# The window manager's close request (_NET_CLOSE_WINDOW; openbox sends the
# window WM_DELETE_WINDOW), as the close box or Alt+F4 would.
request_close() { wmctrl -i -c "$1"; }

# --- window state ------------------------------------------------------------

map_state() { xwininfo -id "$1" | awk '/Map State:/ { print $3 }'; }
is_viewable() { [ "$(map_state "$1")" = IsViewable ]; }
is_unmapped() { [ "$(map_state "$1")" = IsUnMapped ]; }

# The ICCCM state the window manager keeps: Normal, Iconic or Withdrawn (or
# nothing once the window manager has let go of the window).
wm_state() { xprop -id "$1" WM_STATE | awk '/window state:/ { print $3 }'; }

client_size() { xwininfo -id "$1" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w "x" h }'; }
client_size_is() { [ "$(client_size "$1")" = "$2" ]; }

# The frame's top-left corner (what the settings store as left and top):
# the client's absolute position less the frame extents the window manager
# announces on the window.
frame_position() {
  local x y extents left top
  x=$(xwininfo -id "$1" | awk '/Absolute upper-left X:/ { print $4 }')
  y=$(xwininfo -id "$1" | awk '/Absolute upper-left Y:/ { print $4 }')
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')
  [ -n "$extents" ] || return 1
  IFS=, read -r left _ top _ <<<"$extents"
  echo "$((x - left)),$((y - top))"
}
frame_position_is() { [ "$(frame_position "$1")" = "$2" ]; }

# _NET_WM_STATE of a window as one line of names without the prefix.
net_wm_state() { xprop -id "$1" _NET_WM_STATE | sed -n 's/.*= *//p' | sed 's/_NET_WM_STATE_//g'; }
has_state() { net_wm_state "$1" | tr -d ' ' | tr ',' '\n' | grep -qx "$2"; }
lacks_state() { ! has_state "$@"; }
# wait_for_state WINDOW NAME on|off DESCRIPTION: waits until the window's
# _NET_WM_STATE has (on) or lacks (off) NAME.
wait_for_state() {
  poll state_is "$1" "$2" "$3" || fail "$4: _NET_WM_STATE_$2 not $3; the state is [$(net_wm_state "$1")]"
}
state_is() {
  if has_state "$1" "$2"; then [ "$3" = on ]; else [ "$3" = off ]; fi
}

window_title() { xprop -id "$1" _NET_WM_NAME | sed -n 's/.*= "\(.*\)"$/\1/p'; }

# Visible dialog windows of kelto (the readme window, the error box), one id
# a line.
kelto_dialogs() {
  local id
  for id in $(search_windows --all --onlyvisible --pid "$kelto_pid"); do
    if xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DIALOG; then
      printf '0x%x\n' "$id"
    fi
  done
}
has_dialog() { [ -n "$(kelto_dialogs)" ]; }
no_dialog() { [ -z "$(kelto_dialogs)" ]; }

# Records the window manager's list of the windows it manages from now on:
# xprop prints it at once and again at every change. windows_added lists the
# windows that joined it after the watch began, one id a line.
watch_managed_windows() {
  [ -z "${clients_pid:-}" ] || kill "$clients_pid" 2>/dev/null || true
  : >"$scratch/clients.log"
  xprop -root -spy _NET_CLIENT_LIST >"$scratch/clients.log" 2>&1 &
  clients_pid=$!
  started_pids+=("$clients_pid")
  wait_until "the window manager's client list is watched" test -s "$scratch/clients.log"
}
managed_ids() { sed -n 's/.*# *//p' | tr ',' '\n' | tr -d ' ' | sed '/^$/d' | sort -u; }
windows_added() {
  comm -13 <(head -n 1 "$scratch/clients.log" | managed_ids) <(managed_ids <"$scratch/clients.log") | xargs
}

active_window() { xprop -root _NET_ACTIVE_WINDOW | sed -n 's/.*# *//p'; }
is_active() { [ "$(printf '0x%x' "$(active_window)")" = "$(printf '0x%x' "$1")" ]; }

# Asks the window manager to activate (and, if minimized, restore) a window
# and waits until it has the focus, and with it the keys.
activate() {
  wmctrl -i -a "$1"
  wait_until "window $1 gets the focus" is_active "$1"
  wait_until "window $1 has the keyboard focus" has_input_focus "$1"
}

# --- the tray icon -----------------------------------------------------------

# kelto's icon window inside trayer: a window of kelto's whose ancestors
# include trayer's panel.
tray_icon() {
  local id parent
  for id in $(search_windows --all --pid "$kelto_pid"); do
    parent=$(xwininfo -children -id "$id" 2>/dev/null | awk '/Parent window id:/ { print $4 }')
    while [ -n "$parent" ] && [ "$parent" != "$(root_window)" ]; do
      if [ "$(window_pid "$parent")" = "$tray_pid" ]; then
        printf '0x%x\n' "$id"
        return 0
      fi
      parent=$(xwininfo -children -id "$parent" 2>/dev/null | awk '/Parent window id:/ { print $4 }')
    done
  done
  return 1
}
has_tray_icon() { [ -n "$(tray_icon)" ]; }

# The sizes of the pictures in a window's _NET_WM_ICON, as "16x16 24x24 ...".
wm_icon_sizes() {
  xprop -id "$1" _NET_WM_ICON | sed -n 's/^.*Icon (\([0-9]*\) x \([0-9]*\)).*$/\1x\2/p' | tr '\n' ' ' | sed 's/ $//'
}

# tray_icon_shows PICTURE.xpm: the tray icon's window shows the picture (one
# of src/app/resources) pixel for pixel.
tray_icon_shows() {
  local icon
  icon=$(tray_icon) || return 1
  xwd -silent -id "$icon" | /usr/bin/python3 -B "$e2e_dir/window_shows.py" "$1"
}

root_window() { xwininfo -root | awk '/Window id:/ { print $4; exit }'; }
window_pid() { xprop -id "$1" _NET_WM_PID 2>/dev/null | sed -n 's/.*= *//p'; }

window_exists() { xwininfo -id "$1" >/dev/null 2>&1; }

# A left click on the icon. Two clicks closer than the double-click interval
# (400 ms) are a double click, whose second press toggles nothing, so a
# click comes at least 600 ms after the one before.
last_tray_click=0
click_tray_icon() {
  local icon early
  icon=$(tray_icon) || fail "kelto has no icon in the tray"
  early=$((last_tray_click + 600000 - ${EPOCHREALTIME//[!0-9]/}))
  if ((early > 0)); then sleep "$(printf '0.%06d' "$early")"; fi
  xdotool mousemove --window "$icon" 4 4 click 1 mousemove 640 10
  last_tray_click=${EPOCHREALTIME//[!0-9]/}
}

# --- input ---------------------------------------------------------------------

# Clicks at a point of a window's client area, then moves the pointer out of
# the way so that no tooltip opens.
click_at() { xdotool mousemove --window "$1" "$2" "$3" click 1 mousemove 1270 10; }
double_click_at() {
  xdotool mousemove --window "$1" "$2" "$3" click --repeat 2 --delay 80 1 mousemove 1270 10
}

type_keys() { xdotool type --delay 15 "$1"; }
press() { xdotool key "$@"; }

# The main window's controls, as client coordinates of their centres.
display_field=(87 19)
button_minimize=(23 183)
button_readme=(55 183)
check_stay=(84 182)
button_7=(23 50)

# --- clipboard -----------------------------------------------------------------

selection() { read_selection "$1"; }
clipboard() { selection clipboard; }
selection_is() { [ "$(selection "$1")" = "$2" ]; }
selection_changed() { ! selection_is "$1" '<marker>'; }

# Puts a marker into a selection (clipboard or primary), so that a following
# copy can be told from what was there before. xclip keeps the selection until
# a copy takes it over.
mark_selection() {
  printf '%s' '<marker>' | xclip -i -quiet -selection "$1" >/dev/null 2>&1 &
  started_pids+=("$!")
  wait_until "xclip holds the $1 selection" selection_is "$1" '<marker>'
}

# Ctrl+C in the focused window, then the clipboard's text once it has changed.
copy_with_ctrl_c() {
  mark_selection clipboard
  press ctrl+c
  wait_until "Ctrl+C puts text on the clipboard" selection_changed clipboard
  clipboard
}

# Ctrl+C after a paste, then the clipboard's text. kelto takes its keys in
# order, so once its copy has ended the xclip of put_on_clipboard, the paste
# before it has read that xclip's text.
copy_after_paste() {
  press ctrl+c
  wait_until "Ctrl+C takes the clipboard over" not running "$clipboard_server"
  clipboard
}

# The text of a message box, as a user copies it on X11: a triple-click on the
# text selects it all, and the selection is offered as PRIMARY. The text sits
# right of the icon near the top; a few heights are tried, each given a
# moment to answer.
message_box_text() {
  local box=$1 width y
  width=$(client_size "$box")
  width=${width%x*}
  mark_selection primary
  for y in 15 22 29 36; do
    xdotool mousemove --window "$box" $((width / 2)) "$y" click --repeat 3 --delay 60 1 mousemove 1270 10
    if wait_limit=1 poll quietly selection_changed primary; then
      selection primary
      return 0
    fi
  done
  fail "no text could be selected in the message box $box"
}


# --- notification areas that come and go ---------------------------------------

# Ends the notification area started by start_tray, as a crashing panel ends.
stop_tray() {
  kill "$tray_pid"
  wait_until "trayer ends" not running "$tray_pid"
}

# A session bus of the desktop's own, for a StatusNotifierItem host; exports
# DBUS_SESSION_BUS_ADDRESS for the programs started after it. The bus and
# its clients run as the user kelto runs as: a session bus admits one user.
start_session_bus() {
  mkfifo "$scratch/busfd"
  "${as_user[@]}" dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$scratch/busfd" >"$scratch/dbus.log" 2>&1 &
  started_pids+=("$!")
  read -r -t "$start_limit" DBUS_SESSION_BUS_ADDRESS <"$scratch/busfd" || fail "dbus-daemon did not start"
  export DBUS_SESSION_BUS_ADDRESS
}

# Starts the test's StatusNotifierItem watcher and host (sni_host.py) and
# waits until it owns its name; sets sni_pid. Items register into sni.log.
sni_host=$scratch/sni_host.py
start_sni_host() {
  user_copy sni_host.py
  : >"$scratch/sni.log"
  "${as_user[@]}" /usr/bin/python3 -B "$sni_host" watch - >>"$scratch/sni.log" 2>>"$scratch/sni-host.log" &
  sni_pid=$!
  started_pids+=("$sni_pid")
  wait_limit=$start_limit wait_until "the StatusNotifierItem watcher is on the bus" grep -qx watcher "$scratch/sni.log"
}
stop_sni_host() {
  kill "$sni_pid"
  wait_until "the StatusNotifierItem host ends" not running "$sni_pid"
}
# The items registered so far: SERVICE ID TITLE, one a line.
sni_items() { grep '^item ' "$scratch/sni.log" | cut -d' ' -f2-; }
sni_item_count() { grep -c '^item ' "$scratch/sni.log" || true; }
# A left click on kelto's item, as the host passes it on.
activate_sni_item() { "${as_user[@]}" /usr/bin/python3 -B "$sni_host" activate "$(sni_items | tail -n 1 | cut -d' ' -f1)"; }

# --- the user's locale -----------------------------------------------------------

# Compiles a locale (e.g. de_DE.UTF-8) into the scratch folder, since the
# machine may have none generated, and points the C library at it (LOCPATH).
use_locale() {
  local name=$1
  mkdir -p "$scratch/locale"
  localedef -i "${name%%.*}" -f "${name#*.}" "$scratch/locale/$name" >/dev/null 2>&1 ||
    [ -d "$scratch/locale/$name" ] || fail "the locale $name cannot be compiled"
  export LOCPATH="$scratch/locale" LC_ALL=$name
}
