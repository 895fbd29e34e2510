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

# not COMMAND...: succeeds when COMMAND fails (for the waits above).
not() { ! "$@"; }
