#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# End-to-end scenarios: the real kelto on a real X server, with a real window
# manager and notification area, driven from outside as a user drives it.
#
#   scenarios.sh PATH/TO/kelto NAME
#
# NAME is a scenario below without its "scenario_" prefix (dashes or
# underscores). CMake registers every scenario_* function as a test of its
# own, e2e-NAME. Each scenario runs on a desktop of its own (harness.sh).

if [ $# -ne 2 ]; then
  echo "usage: $0 PATH/TO/kelto SCENARIO" >&2
  exit 2
fi
KELTO=$(realpath "$1")
scenario=scenario_${2//-/_}
source "$(dirname "$0")/harness.sh"

# The settings file as kelto writes it: position and both flags.
expected_settings() {  # top left stay waid
  printf '[mainform]\ntop=%s\nleft=%s\n[formmein]\nstay=%s\nwaid=%s\n' "$@"
}

expect_settings() {  # description top left stay waid
  local what=$1
  shift
  [ -f "$settings" ] || fail "$what: no settings file $settings"
  diff <(expected_settings "$@") "$settings" >&2 || fail "$what: settings file differs (expected < > found)"
}

write_settings() {
  install_kelto
  printf '%s\n' "$@" >"$settings"
  if [ ${#as_user[@]} -gt 0 ]; then chown 65534:65534 "$settings"; fi
}

scenario_first_start() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window

  step "first start: caption, place, size, stacking, taskbar"
  expect_eq "caption" "Numira V4.2" "$(window_title "$w")"
  wait_for_value "the frame's top-left corner is at 0,0" 0,0 frame_position "$w"
  wait_for_value "the client area is 375x205" 375x205 client_size "$w"
  lacks_state "$w" ABOVE || fail "the window is above others without the always-on-top flag"
  wait_until "kelto's icon is in the tray" has_tray_icon
  wait_for_state "$w" SKIP_TASKBAR on "the window is kept off the taskbar"
  [ ! -e "$settings" ] || fail "a settings file was written before any close request"

  step "fixed dialog frame: no resizing, no minimize or maximize box"
  local hints
  hints=$(xprop -id "$w" WM_NORMAL_HINTS)
  grep -q 'program specified minimum size: 375 by 205' <<<"$hints" || fail "minimum size is not 375x205: $hints"
  grep -q 'program specified maximum size: 375 by 205' <<<"$hints" || fail "maximum size is not 375x205: $hints"
  # _MOTIF_WM_HINTS: flags, functions, decorations. Functions bit 1 means
  # "all except those listed", so it must be off; minimize is 8, maximize 16
  # among the functions, 32 and 64 among the decorations.
  local motif flags functions decorations
  motif=$(xprop -id "$w" _MOTIF_WM_HINTS | sed -n 's/.*= *//p' | tr -d ' ')
  [ -n "$motif" ] || fail "the window sets no _MOTIF_WM_HINTS"
  IFS=, read -r flags functions decorations _ <<<"$motif"
  (((flags & 1) && !(functions & 1) && !(functions & (8 | 16)))) ||
    fail "the window manager may offer minimize or maximize: _MOTIF_WM_HINTS $motif"
  (((flags & 2) && !(decorations & 1) && !(decorations & (32 | 64)))) ||
    fail "minimize or maximize box asked for: _MOTIF_WM_HINTS $motif"
  local actions
  actions=$(xprop -id "$w" _NET_WM_ALLOWED_ACTIONS)
  if grep -qE '_NET_WM_ACTION_(RESIZE|MAXIMIZE_HORZ|MAXIMIZE_VERT)' <<<"$actions"; then
    fail "the window manager allows resizing or maximizing: $actions"
  fi
}

scenario_typing() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window
  activate "$w"

  step "1 2 + 3 Enter, Ctrl+C"
  type_keys '12+3'
  press Return
  expect_eq "the clipboard after 12+3 Enter" 15.00000 "$(copy_with_ctrl_c)"
  step "* 2 =, Ctrl+C"
  type_keys '*2='
  expect_eq "the clipboard after *2=" 30.00000 "$(copy_with_ctrl_c)"
}

scenario_paste() {
  start_desktop
  start_tray
  start_bell_listener
  start_kelto
  local w=$main_window
  activate "$w"

  step "￥１２，３４５ pasted with Ctrl+V, then + 1 ="
  put_on_clipboard '￥１２，３４５'
  press ctrl+v
  type_keys '+1='
  expect_eq "the display" 12,346.00000 "$(copy_after_paste)"
  expect_eq "bells rung for a number" 0 "$(bells)"

  step "a text that is no number: the warning sounds, the display stays"
  put_on_clipboard '1.5E3'
  press shift+Insert
  wait_until "the warning sounds" bells_rung 1
  expect_eq "the display after the refusal" 12,346.00000 "$(copy_after_paste)"

  step "Shift+Insert with the tape focused pastes into the calculator; Space then presses \"=\""
  type_keys '*'
  press Tab Tab Tab Tab
  put_on_clipboard $'  (2,500)\r\n'
  press shift+Insert space
  expect_eq "12,346 * (2,500)" -30,865,000.00000 "$(copy_after_paste)"
  expect_eq "bells rung in all" 1 "$(bells)"
}

scenario_compact_view() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window

  step "double-click on the display: compact view"
  double_click_at "$w" "${display_field[@]}"
  wait_for_value "the client area is 175x35" 175x35 client_size "$w"
  xprop -id "$w" WM_NORMAL_HINTS | grep -q 'program specified maximum size: 175 by 35' ||
    fail "the compact window can be resized: $(xprop -id "$w" WM_NORMAL_HINTS)"

  step "typing in the compact view"
  activate "$w"
  type_keys '12+3'
  press Return
  expect_eq "the clipboard after 12+3 Enter" 15.00000 "$(copy_with_ctrl_c)"

  step "second double-click: standard view, display kept"
  double_click_at "$w" "${display_field[@]}"
  wait_for_value "the client area is 375x205 again" 375x205 client_size "$w"
  activate "$w"
  expect_eq "the display after switching back" 15.00000 "$(copy_with_ctrl_c)"
}

scenario_stay_on_top() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window
  lacks_state "$w" ABOVE || fail "on top before the box is ticked"

  step "tick the always-on-top box"
  click_at "$w" "${check_stay[@]}"
  wait_for_state "$w" ABOVE on "the window is above others"
  step "untick it"
  click_at "$w" "${check_stay[@]}"
  wait_for_state "$w" ABOVE off "the window is back among the others"
}

scenario_hide_to_tray() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window
  wait_until "kelto's icon is in the tray" has_tray_icon
  activate "$w"
  type_keys '12+3'

  step "the minimize glyph button hides the window"
  click_at "$w" "${button_minimize[@]}"
  wait_until "the window is unmapped" is_unmapped "$w"
  [ "$(wm_state "$w")" != Iconic ] || fail "the window was minimized, not hidden"
  running "$kelto_pid" || fail "kelto ended"
  has_tray_icon || fail "the tray icon went away with the window"

  step "a click on the tray icon shows it with an empty display"
  click_tray_icon
  wait_until "the window is mapped again" is_viewable "$w"
  activate "$w"
  expect_eq "the display after restoring" "" "$(copy_with_ctrl_c)"
  type_keys '4+1='
  expect_eq "4+1= after restoring (the pending 12+ dropped)" 5.00000 "$(copy_with_ctrl_c)"

  step "another click on the icon hides it again"
  click_tray_icon
  wait_until "the window is unmapped" is_unmapped "$w"
}

scenario_close_and_restart() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window

  step "on top, compact view, moved"
  click_at "$w" "${check_stay[@]}"
  wait_for_state "$w" ABOVE on "the box is ticked"
  double_click_at "$w" "${display_field[@]}"
  wait_for_value "the client area" 175x35 client_size "$w"
  wmctrl -i -r "$w" -e 0,240,160,-1,-1
  wait_until "the window moves" not frame_position_is "$w" 0,0
  local left top
  IFS=, read -r left top <<<"$(frame_position "$w")"

  step "close request: kelto stores the settings and ends"
  local icon
  icon=$(tray_icon) || fail "kelto has no icon in the tray"
  request_close "$w"
  expect_kelto_ends
  ! window_exists "$icon" || fail "the tray icon $icon is still there"
  expect_settings "after the close" "$top" "$left" 1 0

  step "second start: same place, compact view, on top"
  start_kelto
  w=$main_window
  wait_for_value "the frame is back at $left,$top" "$left,$top" frame_position "$w"
  wait_for_value "the client area is 175x35" 175x35 client_size "$w"
  wait_for_state "$w" ABOVE on "the window is above others"
}

scenario_kept_on_monitors() {
  start_desktop
  start_tray

  step "a settings file with left 5000 on a 1280 pixels wide screen"
  write_settings '[mainform]' 'top=100' 'left=5000'
  start_kelto
  local w=$main_window
  wait_for_value "the frame comes back at 50,100" 50,100 frame_position "$w"
  request_close "$w"
  expect_kelto_ends

  step "a settings file with stay=1 and waid=0"
  write_settings '[formmein]' 'stay=1' 'waid=0'
  start_kelto
  w=$main_window
  wait_for_state "$w" ABOVE on "the window is above others"
  wait_for_value "the client area is 175x35" 175x35 client_size "$w"
  wait_for_value "the frame is at 0,0" 0,0 frame_position "$w"
}

scenario_read_only_folder() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window
  activate "$w"
  type_keys '12+3'
  press Return  # the application title, the error box's caption, becomes 15.00000

  step "close request with the folder read-only: error box, kelto goes on"
  chmod a-w "$app_dir"
  request_close "$w"
  wait_until "an error box appears" has_dialog
  local box
  box=$(kelto_dialogs | head -n 1)
  expect_eq "the error box's caption" 15.00000 "$(window_title "$box")"
  activate "$box"
  local text
  text=$(message_box_text "$box")
  grep -qF "$settings に書き込めません" <<<"$text" || fail "the error box does not name the settings file: $text"
  press Return
  wait_until "the error box closes" no_dialog
  running "$kelto_pid" || fail "kelto ended although its settings could not be stored"
  is_viewable "$w" || fail "the main window went away"
  [ ! -e "$settings" ] || fail "a settings file appeared in the read-only folder"

  step "folder writable again: the next close request succeeds"
  chmod u+w "$app_dir"
  request_close "$w"
  expect_kelto_ends
  expect_settings "after the second close" 0 0 0 1
}

scenario_readme_modal() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window
  activate "$w"
  type_keys 5
  expect_eq "the display" 5 "$(copy_with_ctrl_c)"

  step "the version-and-help button opens the readme window"
  click_at "$w" "${button_readme[@]}"
  wait_until "the readme window opens" has_dialog
  local readme
  readme=$(kelto_dialogs | head -n 1)
  expect_eq "the readme window's caption" Numira "$(window_title "$readme")"
  wait_for_state "$readme" MODAL on "the readme window is modal"
  # The first opening centres the outer frame on the screen (1280 x 1024).
  local size extents width height frame_left frame_right frame_top frame_bottom
  size=$(client_size "$readme")
  extents=$(xprop -id "$readme" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')
  IFS=, read -r frame_left frame_right frame_top frame_bottom <<<"$extents"
  width=$((${size%x*} + frame_left + frame_right))
  height=$((${size#*x} + frame_top + frame_bottom))
  wait_for_value "the readme window's frame, centred" "$(((1280 - width) / 2)),$(((1024 - height) / 2))" \
    frame_position "$readme"
  local place
  place=$(frame_position "$readme")

  step "the main window takes no keys or clicks meanwhile"
  click_at "$w" "${button_7[@]}"
  wmctrl -i -a "$w"
  type_keys '7+'
  press BackSpace Home Return

  step "closing the readme window gives input back"
  request_close "$readme"
  wait_until "the readme window closes" no_dialog
  running "$kelto_pid" || fail "kelto ended"
  wait_until "the main window has the focus again" is_active "$w"
  expect_eq "the display after the readme window" 5 "$(copy_with_ctrl_c)"
  type_keys 8
  expect_eq "the display after typing 8" 58 "$(copy_with_ctrl_c)"

  step "opened again, it comes back where it was"
  click_at "$w" "${button_readme[@]}"
  wait_until "the readme window opens again" has_dialog
  readme=$(kelto_dialogs | head -n 1)
  wait_for_value "the readme window's frame at the second opening" "$place" frame_position "$readme"
}

scenario_no_tray() {
  start_desktop
  start_kelto
  local w=$main_window
  lacks_state "$w" SKIP_TASKBAR || fail "kept off the taskbar although no tray can bring it back"

  step "with no notification area the minimize glyph button minimizes"
  click_at "$w" "${button_minimize[@]}"
  wait_for_value "the window's WM_STATE" Iconic wm_state "$w"
  has_state "$w" HIDDEN || fail "minimized without the hidden state: $(net_wm_state "$w")"
  running "$kelto_pid" || fail "kelto ended"

  step "the window manager restores it"
  activate "$w"
  wait_until "the window is viewable" is_viewable "$w"
  expect_eq "WM_STATE after restoring" Normal "$(wm_state "$w")"
}

scenario_late_and_restarted_tray() {
  start_desktop
  start_kelto
  local w=$main_window
  step "no notification area at start: on the taskbar, with the application icon"
  lacks_state "$w" SKIP_TASKBAR || fail "kept off the taskbar without a tray"
  # Qt may set the property a moment after the first map (a taskbar follows
  # its changes): waited for, not read once.
  wait_until "the window carries a 32 x 32 _NET_WM_ICON" sh -c "xprop -id '$w' _NET_WM_ICON | grep -q 'Icon (32 x 32)'"

  step "a tray that starts late gets the icon and takes the program off the taskbar"
  start_tray
  wait_until "kelto's icon is in the late tray" has_tray_icon
  wait_for_state "$w" SKIP_TASKBAR on "the window leaves the taskbar"
  click_at "$w" "${button_minimize[@]}"
  wait_until "the glyph button hides the window" is_unmapped "$w"

  step "the tray goes away: the window comes back, on the taskbar"
  stop_tray
  wait_until "the window is shown again" is_viewable "$w"
  wait_for_state "$w" SKIP_TASKBAR off "the window is back on the taskbar"
  click_at "$w" "${button_minimize[@]}"
  wait_for_value "without a tray the glyph button minimizes" Iconic wm_state "$w"
  activate "$w"

  step "the tray restarts: icon again, off the taskbar, clicks toggle"
  start_tray
  wait_until "kelto's icon is in the restarted tray" has_tray_icon
  wait_for_state "$w" SKIP_TASKBAR on "the window leaves the taskbar again"
  click_tray_icon
  wait_until "a tray click hides the window" is_unmapped "$w"
  click_tray_icon
  wait_until "a tray click shows it" is_viewable "$w"
}

scenario_application_icon() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window
  step "the window's icon comes in the sizes taskbars and Alt+Tab ask for"
  wait_for_value "_NET_WM_ICON's pictures" "16x16 24x24 32x32 48x48 64x64" wm_icon_sizes "$w"

  step "the tray icon (22 x 22 here) shows the picture drawn for 24 pixels, unscaled"
  wait_until "kelto's icon is in the tray" has_tray_icon
  wait_until "the tray icon shows numira24.xpm" tray_icon_shows "${NUMIRA_ICON_PICTURES:?}/numira24.xpm"
}

scenario_sni_host() {
  start_desktop
  start_session_bus
  start_sni_host
  start_kelto
  local w=$main_window
  step "the item registers as Numira and the program keeps off the taskbar"
  wait_for_value "items registered" 1 sni_item_count
  expect_eq "the item's Id and Title" "Numira Numira" "$(sni_items | cut -d' ' -f2-)"
  wait_for_state "$w" SKIP_TASKBAR on "the window is kept off the taskbar"
  activate_sni_item
  wait_until "activating the item hides the window" is_unmapped "$w"

  step "the host goes away: the window comes back, on the taskbar"
  stop_sni_host
  wait_until "the window is shown again" is_viewable "$w"
  wait_for_state "$w" SKIP_TASKBAR off "the window is back on the taskbar"

  step "the host restarts: the item registers again, off the taskbar"
  start_sni_host
  wait_for_value "items registered with the new host" 1 sni_item_count
  wait_for_state "$w" SKIP_TASKBAR on "the window leaves the taskbar again"
  activate_sni_item
  wait_until "activating the item hides the window" is_unmapped "$w"
}

scenario_readme_and_tray() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window
  click_at "$w" "${button_readme[@]}"
  wait_until "the readme window opens" has_dialog
  local readme
  readme=$(kelto_dialogs | head -n 1)

  step "while the readme window is open, tray clicks hide and show the main window"
  click_tray_icon
  wait_until "the main window is hidden" is_unmapped "$w"
  click_tray_icon
  wait_until "the main window is shown" is_viewable "$w"

  step "minimized by the window manager, a tray click brings both back"
  xdotool windowminimize "$readme"
  wait_for_value "the readme window's WM_STATE" Iconic wm_state "$readme"
  click_tray_icon
  wait_for_value "the readme window's WM_STATE" Normal wm_state "$readme"
  wait_for_value "the main window's WM_STATE" Normal wm_state "$w"
  wait_until "the readme window has the focus" is_active "$readme"

  step "closing the readme window gives the main window its input back"
  request_close "$readme"
  wait_until "the readme window closes" no_dialog
  activate "$w"
  type_keys '2*3='
  expect_eq "2*3= after the readme window" 6.00000 "$(copy_with_ctrl_c)"
}

scenario_window_manager_above() {
  start_desktop
  start_tray
  start_kelto
  local w=$main_window
  step "always on top through the window manager is stored"
  wmctrl -i -r "$w" -b add,above
  wait_for_state "$w" ABOVE on "the window manager puts the window above"
  click_tray_icon
  wait_until "hidden" is_unmapped "$w"
  click_tray_icon
  # Qt maps a window whose stacking flag changed as a new X window.
  wait_until "shown" main_window_shown_again
  w=$main_window
  wait_for_state "$w" ABOVE on "the window is still above after a restore"
  request_close "$w"
  expect_kelto_ends
  expect_settings "after the close" 0 0 1 1

  step "and taken back through the window manager, too"
  start_kelto
  w=$main_window
  wait_for_state "$w" ABOVE on "the stored flag puts the window above"
  wmctrl -i -r "$w" -b remove,above
  wait_for_state "$w" ABOVE off "the window manager takes the window out"
  click_at "$w" "${check_stay[@]}"
  wait_for_state "$w" ABOVE on "one click on the box ticks it again"
  request_close "$w"
  expect_kelto_ends
  expect_settings "after the second close" 0 0 1 1
}

# "Always on bottom" chosen in the window manager's menu while the box is
# ticked: the box is unticked, and the window stays below, as the manager put
# it, also through a minimize and restore; only the above state is the box's.
scenario_window_manager_below() {
  start_desktop
  start_tray
  write_settings '[formmein]' 'stay=1'
  start_kelto
  local w=$main_window
  wait_for_state "$w" ABOVE on "the stored flag puts the window above"
  activate "$w"
  wmctrl -i -r "$w" -b add,below
  wait_for_state "$w" BELOW on "the window manager puts the window below"
  settle "$w"
  has_state "$w" BELOW || fail "kelto took the window out of the below state: [$(net_wm_state "$w")]"
  lacks_state "$w" ABOVE || fail "the window is above again: [$(net_wm_state "$w")]"

  step "minimized and restored, it stays below"
  xdotool windowminimize "$w"
  wait_until "minimized" is_unmapped "$w"
  activate "$w"
  settle "$w"
  has_state "$w" BELOW || fail "the restore took the window out of the below state: [$(net_wm_state "$w")]"

  click_at "$w" "${check_stay[@]}"
  wait_for_state "$w" ABOVE on "the box was unticked: one click ticks it and puts the window above"
}

# Returns once kelto has handled what reached it before (it answers a copy)
# and the window manager has done what kelto asked meanwhile (it moves the
# window only after that).
settle() {
  local x y
  copy_with_ctrl_c >/dev/null
  IFS=, read -r x y <<<"$(frame_position "$1")"
  wmctrl -i -r "$1" -e "0,$((x + 10)),$((y + 10)),-1,-1"
  wait_for_value "the window manager moves the window" "$((x + 10)),$((y + 10))" frame_position "$1"
}

main_window_shown_again() {
  main_window=$(find_main_window) && is_viewable "$main_window"
}

scenario_frame_on_monitors() {
  start_desktop
  start_tray
  step "a client area that fits the 1280 x 1024 screen exactly, its frame does not"
  write_settings '[mainform]' "top=$((1024 - 208))" "left=$((1280 - 437))"
  start_kelto
  wait_for_value "the frame is pulled back to 50,50" 50,50 frame_position "$main_window"
}

scenario_keypad_decimal_german() {
  start_desktop
  start_tray
  use_locale de_DE.UTF-8
  start_kelto
  local w=$main_window
  activate "$w"
  step "the keypad's decimal key, as a German layout sends it and as others do"
  local key
  for key in KP_Separator KP_Decimal; do
    # xdotool lends the keysym a spare key for the moment of the press, and
    # the program may read the changed key map only after the key: try again.
    wait_for_value "1 $key" 1, typed_after_one "$key"
    type_keys '5+1='
    expect_eq "1 $key 5 + 1 =" 2,50000 "$(copy_with_ctrl_c)"
  done
}

typed_after_one() {
  press Home 1 "$1"
  copy_with_ctrl_c
}

# A session that ends without asking: kelto gets SIGTERM, or the X server goes
# away under it. Either way it stores where and as it was left.
scenario_session_end() {
  start_desktop
  local xvfb_pid=${started_pids[0]}  # start_desktop starts Xvfb first
  start_tray
  start_kelto
  local w=$main_window left top

  step "moved and switched to the compact view, then SIGTERM"
  double_click_at "$w" "${display_field[@]}"
  wait_for_value "the client area" 175x35 client_size "$w"
  wmctrl -i -r "$w" -e 0,240,160,-1,-1
  wait_until "the window moves" not frame_position_is "$w" 0,0
  IFS=, read -r left top <<<"$(frame_position "$w")"
  kill -TERM "$kelto_pid"
  expect_kelto_ends
  expect_settings "after SIGTERM" "$top" "$left" 0 0

  step "the next start opens there, compact; moved and switched back, then the X server is killed"
  start_kelto
  w=$main_window
  wait_for_value "the frame is back at $left,$top" "$left,$top" frame_position "$w"
  wait_for_value "the client area is 175x35" 175x35 client_size "$w"
  double_click_at "$w" "${display_field[@]}"
  wait_for_value "the client area" 375x205 client_size "$w"
  wmctrl -i -r "$w" -e 0,420,300,-1,-1
  wait_until "the window moves" not frame_position_is "$w" "$left,$top"
  IFS=, read -r left top <<<"$(frame_position "$w")"
  kill "$xvfb_pid"
  wait_limit=$start_limit wait_until "kelto ends with its X server" not running "$kelto_pid"
  wait "$kelto_pid" || true
  expect_settings "after the X server went away" "$top" "$left" 0 1

  step "on a new X server it opens there, in the standard view"
  rm -f "$scratch/displayfd"
  start_desktop
  start_kelto
  wait_for_value "the frame is back at $left,$top" "$left,$top" frame_position "$main_window"
  wait_for_value "the client area is 375x205" 375x205 client_size "$main_window"
}

# A session that ends while the settings cannot be stored: kelto ends all
# the same, on one signal, and shows nothing, also from under the readme
# window or an error box.
scenario_session_end_read_only() {
  start_desktop
  start_tray
  local signal opened
  for signal in TERM HUP; do
    for opened in nothing readme error-box; do
      step "SIGTERM or SIGHUP with the folder read-only: SIG$signal, $opened open"
      start_kelto
      chmod a-w "$app_dir"
      case $opened in
        readme)
          click_at "$main_window" "${button_readme[@]}"
          wait_until "the readme window opens" has_dialog
          ;;
        error-box)
          request_close "$main_window"
          wait_until "the refused close shows the error box" has_dialog
          ;;
      esac
      watch_managed_windows
      kill "-$signal" "$kelto_pid"
      expect_kelto_ends
      expect_eq "windows that appeared after the signal" "" "$(windows_added)"
      [ ! -e "$settings" ] || fail "a settings file appeared in the read-only folder"
      chmod u+w "$app_dir"
    done
  done
}

# The accessibility bus (at-spi2-core) of the desktop's user on the session
# bus (start_session_bus); kelto finds it through DBUS_SESSION_BUS_ADDRESS.
start_accessibility_bus() {
  # The user's home and runtime folders; kelto may be running already.
  [ -x "$app_dir/kelto" ] || install_kelto
  # The switches live in memory, not in the user's dconf database.
  GSETTINGS_BACKEND=memory HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime" "${as_user[@]}" \
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$scratch/at-spi.log" 2>&1 &
  started_pids+=("$!")
  # Asked of the session bus itself: a call to org.a11y.Bus before the
  # launcher owns the name would have the session bus start another launcher
  # of its own (with the user's real switches), which may win the name.
  wait_limit=$start_limit wait_until "the accessibility bus starts" accessibility_bus_owned
}

accessibility_bus_owned() {
  "${as_user[@]}" dbus-send --session --dest=org.freedesktop.DBus --print-reply /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'
}

# Switches assistive technology on, as a screen reader does when it starts.
start_screen_reader_mode() {
  local switch
  for switch in IsEnabled ScreenReaderEnabled; do
    "${as_user[@]}" dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus \
      org.freedesktop.DBus.Properties.Set string:org.a11y.Status "string:$switch" variant:boolean:true >/dev/null
  done
}

# accessibility_check.py as the desktop's user.
accessibility_check() {
  user_copy accessibility_check.py
  env HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime" "${as_user[@]}" \
    /usr/bin/python3 -B "$scratch/accessibility_check.py" "$@"
}

scenario_screen_reader() {
  start_desktop
  start_tray
  start_session_bus
  start_accessibility_bus
  start_screen_reader_mode
  start_kelto
  wait_limit=$start_limit wait_until "kelto registers with the accessibility bus" accessibility_check --registered "$kelto_pid"
  step "pyatspi reads and drives kelto"
  accessibility_check "$kelto_pid" || fail "the accessibility check failed"
}

scenario_screen_reader_started_later() {
  start_desktop
  start_tray
  start_session_bus
  start_kelto
  step "the accessibility bus and a screen reader start after kelto"
  start_accessibility_bus
  start_screen_reader_mode
  wait_limit=$start_limit wait_until "kelto registers with the accessibility bus" accessibility_check --registered "$kelto_pid"
  step "pyatspi reads and drives kelto, the tape included"
  accessibility_check "$kelto_pid" || fail "the accessibility check failed"
}

scenario_screen_reader_every_start() {
  start_desktop
  start_tray
  start_session_bus
  start_accessibility_bus
  start_screen_reader_mode
  local run
  for run in $(seq 1 20); do
    start_kelto
    wait_limit=$start_limit wait_until "start $run: kelto registers with the accessibility bus" \
      accessibility_check --registered "$kelto_pid"
    request_close "$main_window"
    expect_kelto_ends
  done
  step "kelto was on the accessibility bus at each of 20 starts"
}

scenario_late_sni_host() {
  start_desktop
  start_session_bus
  start_kelto
  local w=$main_window
  lacks_state "$w" SKIP_TASKBAR || fail "kept off the taskbar without a notification area"

  step "a StatusNotifierItem host that starts late gets the item and takes the program off the taskbar"
  start_sni_host
  wait_for_value "items registered" 1 sni_item_count
  expect_eq "the item's Id and Title" "Numira Numira" "$(sni_items | cut -d' ' -f2-)"
  wait_for_state "$w" SKIP_TASKBAR on "the window leaves the taskbar"
  activate_sni_item
  wait_until "activating the item hides the window" is_unmapped "$w"
  activate_sni_item
  wait_until "activating the item shows the window" is_viewable "$w"
  activate_sni_item
  wait_until "activating the item hides the window again" is_unmapped "$w"

  step "the host goes away: the window comes back, on the taskbar"
  stop_sni_host
  wait_until "the window is shown again" is_viewable "$w"
  wait_for_state "$w" SKIP_TASKBAR off "the window is back on the taskbar"

  step "the host restarts: the item registers again"
  start_sni_host
  wait_for_value "items registered with the new host" 1 sni_item_count
  wait_for_state "$w" SKIP_TASKBAR on "the window leaves the taskbar again"
  activate_sni_item
  wait_until "activating the item hides the window" is_unmapped "$w"
}

declare -F "$scenario" >/dev/null || { echo "unknown scenario: $2" >&2; exit 2; }
"$scenario"
echo "PASS: $2"
