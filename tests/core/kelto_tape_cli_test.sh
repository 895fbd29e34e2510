#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# Runs the real kelto-tape binary: output lines, standard input, named keys,
# error-box lines, separators, and the usage errors with exit status 2.
# Usage: kelto_tape_cli_test.sh PATH/TO/kelto-tape
set -u
tool=$1
failures=0
errfile=$(mktemp)
tab=$'\t'

# expect NAME EXPECTED_OUTPUT -- ARGS...  (standard input from $stdin if set)
expect() {
  local name=$1 expected=$2
  shift 3
  local actual status
  actual=$(printf '%s' "${stdin-}" | LC_ALL=C "$tool" "$@" 2>"$errfile")
  status=$?
  if [[ $status -ne 0 || "$actual" != "$expected" ]]; then
    echo "FAIL $name (exit $status)"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual")
    cat "$errfile"
    failures=$((failures + 1))
  fi
}

# expect_usage_error NAME ARGS...: exit 2, nothing on stdout, a message on stderr.
expect_usage_error() {
  local name=$1
  shift
  local out err status
  out=$(printf '' | "$tool" "$@" 2>"$errfile")
  status=$?
  err=$(cat "$errfile")
  if [[ $status -ne 2 || -n "$out" || -z "$err" ]]; then
    echo "FAIL $name: exit $status, stdout '$out', stderr '$err'"
    failures=$((failures + 1))
  fi
}

expect example "history${tab}12+
history${tab}3
history${tab}=15.00000
history${tab}15.00000*
history${tab}2
history${tab}=30.00000
display${tab}30.00000
title${tab}30.00000" -- '12+3=*2='

expect fresh-start "display${tab}
title${tab}電卓" -- ''

stdin=$'1 2\n+ 3{ENTER}\n{bs}{HOME}99{BS}9+1{Enter}' expect standard-input-and-named-keys \
"history${tab}99+
history${tab}1
history${tab}=100.00000
display${tab}100.00000
title${tab}100.00000" --
unset stdin

huge="1$(printf '0%.0s' $(seq 400))"
expect overflow-error-line "history${tab}${huge}+
error${tab}浮動小数点数のオーバーフロー.
display${tab}${huge}
title${tab}電卓" -- "${huge}+"

expect error-line-outlives-clear "history${tab}2+
history${tab}3
history${tab}=5.00000
error${tab}浮動小数点数のオーバーフロー.
display${tab}5.00000
title${tab}5.00000" -- "${huge}+{HOME}2+3="

expect decimal-comma "history${tab}1,5*
history${tab}1000
history${tab}=1.500,00000
display${tab}-1500
title${tab}1.500,00000" -- --separators ',.' '1.5*1000=p'

expect comma-types-the-decimal-comma "history${tab}1,5+
history${tab}1
history${tab}=2,50000
display${tab}2,50000
title${tab}2,50000" -- --separators ',.' '1,5+1='

expect space-grouping "history${tab}1,5*
history${tab}1000
history${tab}=1 500,00000
display${tab}1 500,00000
title${tab}1 500,00000" -- --separators ', ' '1.5*1000='

expect keys-after-double-dash "history${tab}-
history${tab}convert error-
display${tab}convert error
title${tab}電卓" -- -- '--'

# Pastes: the number replaces the operand and writes no line until an
# operator or "=" follows; a refused one leaves a 'refused' line and changes
# nothing; its text keeps its blanks and line ends, "}}" stands for "}".
# Texts beyond ASCII come on standard input, which passes bytes unchanged
# everywhere (under Wine, arguments pass through the locale's code page).
stdin='{PASTE:￥１２，３４５}+1=' expect paste-then-add "history${tab}12345+
history${tab}1
history${tab}=12,346.00000
display${tab}12,346.00000
title${tab}12,346.00000" -- --separators '.,'

stdin=$'12+3={PASTE:  3.5\r\n}*{paste:(2,500)}=' expect paste-after-result "history${tab}12+
history${tab}3
history${tab}=15.00000
history${tab}3.5*
history${tab}-2500
history${tab}=-8,750.00000
display${tab}-8,750.00000
title${tab}-8,750.00000" -- --separators '.,'

stdin="{PASTE:1.5E3}9{PASTE:12 apples}{PASTE:a}}b}{PASTE:1"$'\t2\r\n'"}{PASTE:△${huge}}" \
  expect paste-refused "refused${tab}1.5E3
refused${tab}12 apples
refused${tab}a}b
refused${tab}1\x092\x0D\x0A
error${tab}浮動小数点数のオーバーフロー.
display${tab}${huge}
title${tab}電卓" -- --separators '.,'
unset stdin

expect paste-decimal-comma "display${tab}1234,5
title${tab}電卓" -- --separators ',.' '{PASTE:1.234,5}'

expect_usage_error unclosed-paste '1{PASTE:2}}'
expect_usage_error unknown-named-key '12{FOO}'
expect_usage_error unclosed-brace '12{BS'
expect_usage_error separators-too-long --separators ',. ' '1'
expect_usage_error separators-missing --separators
expect_usage_error separators-equal --separators '..' '1'
expect_usage_error two-key-arguments '1' '2'
expect_usage_error unknown-option --bogus '1'

rm -f "$errfile"
if [[ $failures -ne 0 ]]; then
  echo "$failures kelto-tape case(s) failed"
  exit 1
fi
echo "all kelto-tape cases passed"
