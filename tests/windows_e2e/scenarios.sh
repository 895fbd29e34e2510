#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# End-to-end scenarios of kelto.exe under Wine, driven from outside as a user
# drives it (harness.sh). One desktop and one prefix for all of them, each
# scenario in a fresh folder; the most telling ones first.
source "$(dirname "$0")/harness.sh"

start_desktop
start_prefix

echo "first start without a settings file; 12+3 Enter and the tape"
new_app_folder
start_kelto
expect_eq "the standard view's client area" 375x205 "$(client_size "$main_window")"
has_state "$main_window" _NET_WM_STATE_ABOVE && fail "a first start is not on top"
[ -e "$settings" ] && fail "a start writes no settings file"
has_state "$main_window" _NET_WM_STATE_SKIP_TASKBAR || fail "the program keeps off the taskbar"
wait_until "the tray icon is docked in trayer" tray_icon
wait_until "the tray icon shows the picture drawn for 16 pixels" tray_icon_shows "${NUMIRA_ICON_PICTURES:?}/numira16.xpm"
xdotool mousemove --window "$main_window" 150 50  # over AC
wait_until "AC shows its tooltip" tooltip_shows
type_keys '12+3'
press Return
wait_for_value "the display after 12+3 Enter" 15.00000 copied_display
expect_eq "the tape" $'12+\n3\n=15.00000' "$(copied_tape)"

echo "keys: Home, Backspace, z, p, Space on \"=\", an arrow key and Enter on another button"
press Home
wait_for_value "Home clears the display" "" copied_display
type_keys '5z'
press BackSpace
wait_for_value "5, z, Backspace" 500 copied_display
press space
expect_eq "Space on \"=\" gives one equals" $'500\n=500' "$(copied_tape)"
press Left Return
wait_for_value "Left from \"=\" reaches +-, which Enter presses" -500 copied_display
press Home
type_keys '12+3'
press Return

echo "compact view by a double-click on the display, and back"
xdotool mousemove --window "$main_window" 60 18 click --repeat 2 --delay 80 1
wait_for_value "the compact view's client area" 175x35 client_size "$main_window"
type_keys '*2='
wait_for_value "keys work in the compact view" 30.00000 copied_display
xdotool mousemove --window "$main_window" 60 18 click --repeat 2 --delay 80 1
wait_for_value "the standard view again" 375x205 client_size "$main_window"
expect_eq "the tape after the compact view" $'12+\n3\n=15.00000\n15.00000*\n2\n=30.00000' "$(copied_tape)"

echo "always on top by the check box"
click_at 90 182
wait_until "the window is above the others" has_state "$main_window" _NET_WM_STATE_ABOVE
click_at 90 182
wait_until "the window is released" not has_state "$main_window" _NET_WM_STATE_ABOVE

echo "hide into the tray and restore by a tray click: empty display, tape kept"
type_keys '*4+'
click_at 23 183
wait_until "the main window hides" is_unmapped "$main_window"
running "$kelto_pid" || fail "kelto ended when hidden"
click_tray
wait_until "the main window comes back" is_viewable "$main_window"
expect_eq "the display after the restore" "" "$(copied_display)"
type_keys '4+1='
wait_for_value "the pending 4+ is dropped" 5.00000 copied_display
expect_eq "the last lines of the tape" $'30.00000*\n4+\n4+\n1\n=5.00000' "$(copied_tape | tail -n 5)"
click_tray
wait_until "a tray click hides the visible window" is_unmapped "$main_window"
click_tray
wait_until "and the next one brings it back" is_viewable "$main_window"

echo "close stores the four keys beside the exe"
wmctrl -i -c "$main_window"
expect_kelto_ends
expect_eq "the settings' sections and keys" "[mainform] top left [formmein] stay waid" \
  "$(sed 's/=.*//' "$settings" | tr -d '\r' | xargs)"
grep -qx $'stay=0\r' "$settings" || fail "stay=0 stored"
grep -qx $'waid=1\r' "$settings" || fail "waid=1 stored"
expect_eq "a new kelto.ini's lines that end in CR LF" 6 "$(grep -c $'\r$' "$settings")"

echo "the compact view and always on top survive a restart"
start_kelto
xdotool mousemove --window "$main_window" 60 18 click --repeat 2 --delay 80 1
wait_for_value "the compact view" 175x35 client_size "$main_window"
# In the compact view the check box is out of sight; the stored flag is set
# beside the exe instead, as a second copy of the program would.
wmctrl -i -c "$main_window"
expect_kelto_ends
sed -i 's/^stay=0/stay=1/; s/^top=[^\r]*/top=153/; s/^left=[^\r]*/left=325/' "$settings"
start_kelto
expect_eq "the compact view after a restart" 175x35 "$(client_size "$main_window")"
wait_until "on top after a restart" has_state "$main_window" _NET_WM_STATE_ABOVE

echo "a read-only settings file refuses the close with the error box"
make_read_only "$settings"
wmctrl -i -c "$main_window"
wait_until "the error box appears" window_exists --onlyvisible --name '^電卓$'
running "$kelto_pid" || fail "kelto stays running after the refused close"
is_viewable "$main_window" || fail "the main window stays"
box=$(search_windows --onlyvisible --name '^電卓$' | head -n 1)
activate "$box"
xdotool key Return
wait_until "the error box goes" not window_exists --onlyvisible --name '^電卓$'
make_writable "$settings"
wmctrl -i -c "$main_window"
expect_kelto_ends
expect_eq "the position comes back as it was loaded, frame and all" "top=153 left=325" \
  "$(grep -E '^(top|left)=' "$settings" | tr -d '\r' | xargs)"

echo "paste: a text that is no number sounds the warning; Ctrl+V, and Shift+Insert with the tape focused, enter a number"
start_bell_listener
new_app_folder
start_kelto
put_on_clipboard '1.5E3'
press shift+Insert
wait_until "the warning sounds" bells_rung 1
expect_eq "the display after the refusal" "" "$(copied_display)"
expect_eq "￥１２，３４５ pasted with Ctrl+V" 12345 "$(pasted_display '￥１２，３４５' ctrl+v)"
type_keys '+1='
wait_for_value "then +1=" 12,346.00000 copied_display
type_keys '*'
expect_eq "(2,500) pasted with the tape focused" -2500 "$(pasted_display $'  (2,500)\r\n' Tab Tab Tab Tab shift+Insert)"
press space
wait_for_value "Space on \"=\", where the paste left the focus" -30,865,000.00000 copied_display
expect_eq "the tape, without a line of the pastes' own" \
  $'12345+\n1\n=12,346.00000\n12,346.00000*\n-2500\n=-30,865,000.00000' "$(copied_tape)"
wmctrl -i -c "$main_window"
expect_kelto_ends

echo "the readme window: modal and centred"
new_app_folder
start_kelto
type_keys '12'
click_at 55 183
wait_until "the readme window appears" window_exists --onlyvisible --name '^Numira$'
readme=$(printf '0x%x' "$(search_windows --onlyvisible --name '^Numira$' | head -n 1)")
read -r x y < <(client_origin "$readme")
size=$(client_size "$readme")
read -r fl fr ft fb < <(xprop -id "$readme" _NET_FRAME_EXTENTS | tr -d ',' | awk '{ print $3, $4, $5, $6 }')
w=${size%x*} h=${size#*x}
frame_left=$((x - fl)) frame_top=$((y - ft))
want_left=$(((1280 - (w + fl + fr)) / 2)) want_top=$(((1024 - (h + ft + fb)) / 2))
# The frame Wine reckons with may differ from openbox's by a few pixels.
((frame_left - want_left <= 8 && want_left - frame_left <= 8)) ||
  fail "readme left: expected about $want_left, got $frame_left"
((frame_top - want_top <= 8 && want_top - frame_top <= 8)) ||
  fail "readme top: expected about $want_top, got $frame_top"
# Modal: neither a click on the main window's "7" nor a typed 7 reaches it.
xdotool mousemove --window "$main_window" 23 50 click 1
xdotool type 7
wmctrl -i -c "$readme"
wait_until "the readme window closes" is_unmapped "$readme"
expect_eq "the display after the readme window" 12 "$(copied_display)"
press Return
wait_until "Enter on the focused readme button opens it again" is_viewable "$readme"
wmctrl -i -c "$readme"
wait_until "the readme window closes again" is_unmapped "$readme"
type_keys '3'
wait_for_value "a digit after the readme window types into the display" 123 copied_display
wmctrl -i -c "$main_window"
expect_kelto_ends

echo "the end of the session stores the settings as a close does"
new_app_folder
start_kelto
xdotool mousemove --window "$main_window" 60 18 click --repeat 2 --delay 80 1
wait_for_value "the compact view" 175x35 client_size "$main_window"
run_wine wineboot --end-session
expect_kelto_ends
grep -qx $'waid=0\r' "$settings" || fail "the session's end stores waid=0"

# A box shown while Windows ends the session would hold it up for good, and
# a window that refuses the end fails it: wineboot names each window's answer.
end_session_without_a_box() { WINEDEBUG=+wineboot run_wine wineboot --end-session; }
echo "the end of the session with a read-only settings file: kelto ends without a box, also from under the error box or the readme window"
cp "$settings" "$scratch/settings.before"
make_read_only "$settings"
start_kelto
end_session_without_a_box
expect_kelto_ends
start_kelto
wmctrl -i -c "$main_window"
wait_until "the refused close shows the error box" window_exists --onlyvisible --name '^電卓$'
end_session_without_a_box
expect_kelto_ends
start_kelto
xdotool mousemove --window "$main_window" 60 18 click --repeat 2 --delay 80 1
wait_for_value "the standard view, where the readme button is" 375x205 client_size "$main_window"
click_at 55 183
wait_until "the readme window appears" window_exists --onlyvisible --name '^Numira$'
end_session_without_a_box
expect_kelto_ends
make_writable "$settings"
cmp -s "$scratch/settings.before" "$settings" || fail "the read-only settings file changed"

echo "at 144 dpi the main window keeps its pixels and the readme window scales"
for key in 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' 'HKCU\Control Panel\Desktop'; do
  run_wine reg add "$key" /v LogPixels /t REG_DWORD /d 144 /f
done
timeout "$start_limit" wineserver -k  # the resolution is read when the prefix's processes start
new_app_folder
start_kelto
expect_eq "the main window at 144 dpi" 375x205 "$(client_size "$main_window")"
click_at 55 183
wait_until "the readme window appears" window_exists --onlyvisible --name '^Numira$'
readme=$(printf '0x%x' "$(search_windows --onlyvisible --name '^Numira$' | head -n 1)")
# 15 x 144 / 96 = 22.5 -> a 23-pixel font; 526 x 539 times 23 / 15.
expect_eq "the readme window at 144 dpi" 807x826 "$(client_size "$readme")"
wmctrl -i -c "$readme"
wait_until "the readme window closes" is_unmapped "$readme"
wmctrl -i -c "$main_window"
expect_kelto_ends

echo "at 192 dpi on 1280 x 1024 the readme window fits the screen: after Ctrl+End line 43 and the scroll bar show"
for key in 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' 'HKCU\Control Panel\Desktop'; do
  run_wine reg add "$key" /v LogPixels /t REG_DWORD /d 192 /f
done
timeout "$start_limit" wineserver -k
new_app_folder
start_kelto
click_at 55 183
wait_until "the readme window appears" window_exists --onlyvisible --name '^Numira$'
readme=$(printf '0x%x' "$(search_windows --onlyvisible --name '^Numira$' | head -n 1)")
# Scaled to 1052 x 1078 (a 30-pixel font), it is made to fit the work area:
# the screen above trayer's 24-pixel panel.
read -r x y < <(client_origin "$readme")
size=$(client_size "$readme")
w=${size%x*} h=${size#*x}
((x >= 0 && y >= 0 && x + w <= 1280 && y + h <= 1000)) ||
  fail "the readme window's client area $size at $x,$y leaves the work area"
expect_eq "the readme window's width at 192 dpi" 1052 "$w"
activate "$readme"
xdotool key ctrl+End
# The lowest line of text in sight, and the horizontal scroll bar below it,
# read off the screen.
readme_bottom() {
  xwd -root -silent >"$scratch/screen.xwd"
  python3 -B "$(dirname "$0")/readme_bottom.py" "$scratch/screen.xwd" "$x" "$y" "$w" "$h"
}
wait_until "the text field's lower edge and scroll bar are on the screen" readme_bottom
read -r text_y bar < <(readme_bottom)
((bar >= 16)) || fail "a horizontal scroll bar of $bar pixels"
# Line 43 is that lowest line: clicked at its start, it is selected to its end.
put_on_clipboard unchanged
xdotool mousemove --window "$readme" 8 "$text_y" click 1 key shift+End ctrl+c
wait_until "the copy reaches the clipboard" not prints unchanged clipboard
expect_eq "the lowest line in sight" "2023/08/24 V4.2 iniフォームの位置をモニタ内に表示するようにした" "$(clipboard)"
wmctrl -i -c "$readme"
wait_until "the readme window closes" is_unmapped "$readme"
wmctrl -i -c "$main_window"
expect_kelto_ends

echo "all Windows end-to-end scenarios passed"
