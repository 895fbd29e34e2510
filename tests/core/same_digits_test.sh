#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# kelto-tape of a build for another CPU against the build machine's own: the
# same output, byte for byte, for every key sequence: the numeric corners of
# the engine and the two formats (ties, double rounding, the 18-digit form,
# overflow, underflow, long operands), then fixed-seed random sequences.
# Usage: same_digits_test.sh REFERENCE_KELTO_TAPE KELTO_TAPE
set -u
reference=$1 tool=$2
zeros() { printf '0%.0s' $(seq "$1"); }

keys=(
  '1234.5+0=' '1000+0=' '0-0=' '0p' '.p' '1234567.891p*1=' '.000004+0=' '.000004p+0=' '.000005+0='
  '.000005p+0=' '.000015+0=' '2.000005+0=' '9.999995+0=' '999.999995+0=' '1/3=' '1p/3=' '.1+.2='
  '12345678901234.56+0=' '123456789012345678+0=' '999999999999999872+0=' '1000000000000000000+0='
  '150000000000000000000+0=' '12.5p' '2/3=p' '.0001p' '.00001p' '.00001234p' '.00000015p'
  '999999999999999p' '1000000000000000p' '999999999999999.5p' '1234567890123456p' '123456789012345.6p'
  '12345678901234.56p' '.2410495604558065p' '7/0=' '2+3*4=' '5+*3=' '5+p3=' '9007199254740992+1.00048828125='
  '1.1*1.1=' '.1*3=' '999+1=+1=' '18446744073709551615+0=' '18446744073709551617p'
  "1$(zeros 100)p" "179769313486231570$(zeros 291)*1=" "179769313486231581$(zeros 291)*1="
  "1$(zeros 200)*1$(zeros 200)=" "1$(zeros 300)/.000000001=" "1$(zeros 400)p"
  ".$(zeros 199)1*.$(zeros 119)1=" ".$(zeros 323)49406564584124654+0=" ".$(zeros 323)24703282292062328p"
  ".$(zeros 307)22250738585072014*.5=" "$(printf '1234567890%.0s' $(seq 40))+0="
  "$(printf '9%.0s' $(seq 30)).$(printf '9%.0s' $(seq 30))+1=" '3/7*7=' '1/49*49=' '.3-.1-.2='
)
# Random sequences from a fixed seed: numbers of up to 22 digits (some with
# a point), operators, "=", sign changes, "000", backspaces.
mapfile -t generated < <(awk 'BEGIN {
  srand(20261208)
  for (i = 0; i < 200; i++) {
    s = ""; n = 2 + int(rand() * 11)
    for (t = 0; t < n; t++) {
      r = rand()
      if (r < 0.45) {
        len = 1 + int(rand() * (rand() < 0.5 ? 6 : 22)); point = rand() < 0.3 ? int(rand() * len) : -1
        for (d = 0; d < len; d++) { if (d == point) s = s "."; s = s int(rand() * 10) }
      } else if (r < 0.70) s = s substr("+-*/", 1 + int(rand() * 4), 1)
      else if (r < 0.82) s = s "="
      else if (r < 0.88) s = s "p"
      else if (r < 0.92) s = s "z"
      else if (r < 0.96) s = s "{BS}"
      else s = s "000000000000"
    }
    print s
  }
}')

failures=0
for k in "${keys[@]}" "${generated[@]}"; do
  want=$(LC_ALL=C "$reference" --separators '.,' -- "$k" 2>&1)
  got=$(LC_ALL=C "$tool" --separators '.,' -- "$k" 2>&1)
  if [[ "$want" != "$got" ]]; then
    echo "DIFFERS for keys $k"
    diff <(printf '%s\n' "$want") <(printf '%s\n' "$got")
    failures=$((failures + 1))
  fi
done
echo "$((${#keys[@]} + ${#generated[@]})) key sequences, $failures with other output"
[[ $failures -eq 0 ]]
