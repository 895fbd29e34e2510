# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# Waits by condition, shared by the Linux and the Windows end-to-end harnesses
# (sourced; they set wait_limit and poll_step and define fail).

# poll COMMAND...: runs COMMAND every 50 ms until it succeeds or $wait_limit
# seconds have passed; the status tells which.
poll() {
  local deadline=$((${EPOCHREALTIME//[!0-9]/} + wait_limit * 1000000))
  until "$@"; do
    ((${EPOCHREALTIME//[!0-9]/} < deadline)) || return 1
    sleep "$poll_step"
  done
}
quietly() { "$@" >/dev/null 2>&1; }

# wait_until DESCRIPTION COMMAND...: waits until COMMAND succeeds; fails the
# scenario with DESCRIPTION when it does not in time.
wait_until() {
  local what=$1
  shift
  poll quietly "$@" || fail "$what (not within ${wait_limit} s)"
}

# wait_for_value DESCRIPTION EXPECTED COMMAND...: waits until COMMAND prints
# EXPECTED; fails showing what it printed last.
wait_for_value() {
  local what=$1 expected=$2
  shift 2
  last_value=""
  poll prints "$expected" "$@" || fail "$what: expected '$expected', got '$last_value' (waited ${wait_limit} s)"
}
prints() {
  last_value=$("${@:2}" 2>/dev/null) || true
  [ "$last_value" = "$1" ]
}

# search_windows ARGUMENTS...: the ids `xdotool search ARGUMENTS` finds, one
# a line, none when no window matches (the status is 0 either way, so that a
# search in a command substitution never trips the ERR trap). xdotool dies of
# Xlib's BadWindow error when any window on the display goes away while it
# looks at it (a tray icon docking, a desktop's transient window), which says
# nothing about the windows searched for: such a search is made again.
search_windows() {
  local found attempt
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    found=$(xdotool search "$@" 2>&1) || true
    [[ $found == *BadWindow* ]] || break
  done
  grep -E '^[0-9]+$' <<<"$found" || true
}
# window_exists ARGUMENTS...: some window matches (for the waits).
window_exists() { [ -n "$(search_windows "$@")" ]; }

# not COMMAND...: succeeds when COMMAND fails (for the waits above).
not() { ! "$@"; }

# has_input_focus WINDOW: the top-level window holding X's keyboard focus is
# WINDOW. The window manager marks a window active (_NET_ACTIVE_WINDOW) once
# it has asked the program to take the focus; a program under Wine takes it
# only when it has handled that request, and keys pressed in between go to
# the window that still has the focus.
has_input_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(($1))" ]; }

# A check that fails inside a command substitution or a pipeline, as in
# expect_eq ... "$(copied_display)", would end only that subshell, and what
# it printed so far (often nothing, which an expected empty display matches)
# would pass for its result. Each harness's fail calls this first: in a
# subshell it hands the message to the scenario's own shell, which fails
# with it once the subshell has ended. The first message is kept (the
# subshells around the one that failed fail after it).
fail_in_scenario_shell() {
  [ "$BASHPID" != "$$" ] || return 0
  [ -s "$scratch/subshell-failure" ] || printf '%s\n' "$*" >"$scratch/subshell-failure"
  kill -USR1 "$$"
  exit 1
}
trap 'fail "$(cat "$scratch/subshell-failure")"' USR1
