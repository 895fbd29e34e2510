#!/usr/bin/env bash
# kelto-tape.exe under Wine takes its separators from the user's locale, which
# Wine derives from LC_ALL: French gives a no-break space for thousands (shown
# as a plain space), German swaps the two, Japanese keeps "." and ",".
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
exit $((failures > 0))
