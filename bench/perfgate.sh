#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Instruction-count gate of one conversion routine.
#
#   perfgate.sh VALGRIND GATE_PROGRAM ROUTINE KIND BUDGET [SLACK_PERCENT]
#
# Runs GATE_PROGRAM (vesk_perf_gate) under callgrind, counting only the instructions executed
# inside ROUTINE and what it calls, divides them by the input bytes the program reports, and fails
# when the figure exceeds BUDGET instructions per byte by more than SLACK_PERCENT (default 3).
# Instruction counts are exact and repeatable, unlike times on a shared machine.
set -eu
valgrind=$1 program=$2 routine=$3 kind=$4 budget=$5 slack=${6:-3}

out=$(mktemp)
trap 'rm -f "$out"' EXIT
bytes=$("$valgrind" --tool=callgrind --callgrind-out-file="$out" --toggle-collect="$routine" \
    "$program" "$routine" "$kind" 2>/dev/null)
instructions=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out")
if [ -z "$instructions" ] || [ "$instructions" -eq 0 ]; then
    echo "no instructions counted inside $routine" >&2
    exit 1
fi
awk -v i="$instructions" -v b="$bytes" -v budget="$budget" -v slack="$slack" \
    -v what="$routine on $kind text" 'BEGIN {
        per = i / b; limit = budget * (1 + slack / 100)
        printf "%s: %d instructions for %d bytes = %.3f per byte (budget %.2f, limit %.3f)\n",
               what, i, b, per, budget, limit
        exit per <= limit ? 0 : 1
    }'
