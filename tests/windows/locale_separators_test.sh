#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# kelto-tape.exe under Wine takes its separators from the user's locale, which
# Wine derives from LC_ALL: French gives a no-break space for thousands (shown
# as a plain space), German swaps the two, Japanese keeps "." and ",".
# And its arguments arrive whole beyond ASCII, whatever the ANSI code page.
# Usage: locale_separators_test.sh KELTO-TAPE-RUNNER
set -u
tool=$1
failures=0
while IFS='|' read -r locale expected; do
  actual=$(LC_ALL=$locale "$tool" '1.5*1000=' 2>/dev/null | sed -n 's/^display\t//p')
  if [[ "$actual" != "$expected" ]]; then
    echo "FAIL $locale: display '$actual', expected '$expected'"
    failures=$((failures + 1))
  fi
done <<'CASES'
fr_FR.UTF-8|1 500,00000
de_DE.UTF-8|1.500,00000
ja_JP.UTF-8|1,500.00000
en_US.UTF-8|1,500.00000
CASES
actual=$(LC_ALL=C.UTF-8 "$tool" --separators '.,' '{PASTE:￥１２，３４５}' 2>/dev/null | sed -n 's/^display\t//p')
if [[ "$actual" != 12345 ]]; then
  echo "FAIL full-width paste argument: display '$actual', expected '12345'"
  failures=$((failures + 1))
fi
exit $((failures > 0))
