#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Fuzzes every target of a fuzz-preset build for a bounded time each and prints, per target, the
# executions run and the corpus size reached. The committed seeds are read, never written: new
# inputs go to a scratch corpus in the build tree. A crash, a failed check, a leak or a time-out
# fails the run and shows the log and the input that caused it.
#
#   fuzz/run-fuzzers.sh [BUILD_DIR [SECONDS_PER_TARGET [LIBFUZZER_OPTION...]]]
#                                                            (defaults: build/fuzz 20)
# Further options go to every target, e.g. -max_len=200000 -len_control=0 for a run whose inputs
# grow at once past the 16-bit counts of the conversion routines.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/fuzz}
seconds=${2:-20}
shift $(($# < 2 ? $# : 2))
work="$build/fuzz-run"
rm -rf "$work"
status=0
for program in "$build"/fuzz/fuzz_*; do
  name=${program##*/fuzz_}
  mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
  log="$work/$name/log"
  result=ok
  "$program" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 "$@" \
    -artifact_prefix="$work/$name/artifacts/" "$work/$name/corpus" "fuzz/corpus/$name" \
    >"$log" 2>&1 || result=FAILED
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  corpus=$(grep -E 'corp: [0-9]+/' "$log" | tail -1 | sed -E 's|.*corp: ([0-9]+)/([^ ]+).*|\1 inputs, \2|')
  printf '%-14s %-6s %10s executions   corpus %s\n' "$name" "$result" "${executions:-?}" \
    "${corpus:-?}"
  if [ "$result" != ok ]; then
    status=1
    tail -n 60 "$log"
    ls -l "$work/$name/artifacts"
  fi
done
exit "$status"
