# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# shellcheck shell=bash
# What the paste scenarios of both end-to-end harnesses share (sourced after
# waits.sh, with scratch, started_pids and start_limit set): a text put on the
# clipboard as another program puts it there, and the bells rung on the
# display, which is where the warning sound of an X program (and of a program
# under Wine) goes.

# put_on_clipboard TEXT: an xclip serves TEXT as the clipboard until a copy
# takes the clipboard over, which ends it; clipboard_server is its pid.
put_on_clipboard() {
  printf '%s' "$1" | xclip -i -quiet -selection clipboard >/dev/null 2>&1 &
  clipboard_server=$!
  started_pids+=("$clipboard_server")
  wait_until "xclip holds the clipboard" clipboard_holds "$(printf '%s' "$1")"
}
clipboard_holds() { [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

# xkbevd writes a line into bells.log for every bell rung on the display. It
# rings a bell of its own named ImAlive once it listens, which goes to a log
# of its own.
start_bell_listener() {
  printf 'Bell(ImAlive) shell "echo listening >>%s"\nBell() shell "echo bell >>%s"\n' \
    "$scratch/bell_listener.log" "$scratch/bells.log" >"$scratch/xkbevd.cf"
  xkbevd -cfg "$scratch/xkbevd.cf" >"$scratch/xkbevd.log" 2>&1 &
  started_pids+=("$!")
  wait_limit=$start_limit wait_until "xkbevd listens for bells" test -s "$scratch/bell_listener.log"
}
# The bells rung since the listener started.
bells() { cat "$scratch/bells.log" 2>/dev/null | grep -c . || true; }
bells_rung() { [ "$(bells)" = "$1" ]; }
