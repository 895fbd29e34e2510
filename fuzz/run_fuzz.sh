#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# Runs one fuzz target for a fixed time on a scratch copy of its seed corpus
# and prints its speed and corpus size. Usage: run_fuzz.sh TARGET SEEDS SECONDS
set -euo pipefail
target=$1 seeds=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp -r "$seeds"/. "$work/corpus/" 2>/dev/null || true
cd "$work"
status=0
"$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 corpus >log 2>&1 || status=$?
if [ $status -ne 0 ]; then
  tail -n 60 log
  exit $status
fi
grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|^Done' log || true
echo "corpus files: $(ls corpus | wc -l)"
