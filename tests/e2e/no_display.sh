#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# kelto started outside a graphical session (no DISPLAY, no WAYLAND_DISPLAY)
# says so in one line on standard error and exits with status 1, whichever
# X11 or Wayland platform it was asked for, instead of Qt's abort; and so does
# a kelto whose DISPLAY names a display that is not there (a stale DISPLAY in
# a remote shell), after Qt's warnings.
#   no_display.sh PATH/TO/kelto
set -euo pipefail
kelto=$(realpath "$1")
scratch=$(mktemp -d /tmp/numira-no-display.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
expected="kelto: needs a graphical session (an X11 or Wayland display), but neither DISPLAY nor WAYLAND_DISPLAY is set"

failures=0
# ENVIRONMENT|ARGUMENTS: what the start adds to a desktop-less environment.
while IFS='|' read -r environment arguments; do
  status=0
  # The settings file would land next to the program: run it from the scratch folder.
  (cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $environment \
    "$kelto" $arguments >"$scratch/out" 2>"$scratch/err") || status=$?
  what="[${environment:-no display}${arguments:+ $arguments}]"
  if [ "$status" != 1 ] || [ "$(cat "$scratch/err")" != "$expected" ] || [ -s "$scratch/out" ]; then
    echo "FAIL $what: status $status, standard error:" >&2
    cat "$scratch/err" >&2
    failures=$((failures + 1))
  fi
done <<'CASES'
|
QT_QPA_PLATFORM=xcb|
QT_QPA_PLATFORM=xcb;wayland|
|-platform wayland
|--platform xcb:nomitshm
CASES
# A display number with no server's socket.
number=4242
while [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
status=0
(cd "$scratch" && env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=":$number" \
  "$kelto" >"$scratch/out" 2>"$scratch/err") || status=$?
if [ "$status" != 1 ] || [ "$(tail -n 1 "$scratch/err")" != "kelto: needs a graphical session, but the display could not be opened" ] ||
  ! grep -q ":$number" "$scratch/err" || [ -s "$scratch/out" ]; then
  echo "FAIL [DISPLAY=:$number, no server there]: status $status, standard error:" >&2
  cat "$scratch/err" >&2
  failures=$((failures + 1))
fi
[ "$failures" = 0 ] || exit 1
echo "PASS: without a display, or with one that is not there, kelto says so and exits with status 1"
