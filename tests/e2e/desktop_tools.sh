#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
#
# Runs an end-to-end scenario when the private desktop can be built: the X
# server, window manager, notification area and the tools that drive kelto.
# Where one is missing the scenario is skipped (exit 77, CTest's skip code),
# unless NUMIRA_REQUIRE_E2E=1 (scripts/test, which installs them all) makes
# that a failure.
#   desktop_tools.sh SCENARIOS.sh PATH/TO/kelto NAME
set -euo pipefail
missing=()
for tool in Xvfb openbox trayer xdotool wmctrl xprop xwininfo xwd xclip xkbevd; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "${NUMIRA_REQUIRE_E2E:-0}" = 1 ]; then
    echo "FAIL: the end-to-end desktop needs ${missing[*]} (scripts/setup installs them)" >&2
    exit 1
  fi
  echo "SKIP: the end-to-end desktop needs ${missing[*]}"
  exit 77
fi

# The scenarios run from a copy in a folder of mode 0700, as a checkout in a
# private home folder would be: a path back into this folder that the user
# kelto runs as would need fails in every run, wherever the checkout sits.
# The harness removes the copy when the scenario ends.
scenarios=$1
shift
NUMIRA_E2E_PRIVATE_COPY=$(mktemp -d /tmp/numira-e2e-scripts.XXXXXX)
export NUMIRA_E2E_PRIVATE_COPY
cp "$(dirname "$scenarios")"/*.sh "$(dirname "$scenarios")"/*.py "$NUMIRA_E2E_PRIVATE_COPY/"
exec bash "$NUMIRA_E2E_PRIVATE_COPY/$(basename "$scenarios")" "$@"
