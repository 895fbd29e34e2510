#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# kelto started outside a graphical session (no DISPLAY, no WAYLAND_DISPLAY)
# says so in one line on standard error and exits with status 1, whichever
# X11 or Wayland platform it was asked for, instead of Qt's abort.
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
[ "$failures" = 0 ] || exit 1
echo "PASS: without a display kelto says so and exits with status 1"
