#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Compares the binary interface of a built libvesk (types, class layouts, virtual tables, function
# signatures, as recorded in its debug information) with a checked-in libabigail baseline.
#
#   abi/check-abi.sh LIBRARY BASELINE            fails on any difference, printing abidiff's report
#   abi/check-abi.sh --update LIBRARY BASELINE   writes a new baseline (on purpose, in the same
#                                                commit as the interface change)
# The library must be built with debug information (the dev and armhf presets are).
# Added functions and variables are not differences here: which symbols exist is the business of
# abi/symbols.txt (ctest abi.symbols), where every addition is made on purpose. This check guards
# what existing symbols mean: their types, layouts and virtual tables.
set -eu
update=no
if [ "${1:-}" = "--update" ]; then
  update=yes
  shift
fi
library=$1 baseline=$2
if [ "$update" = yes ]; then
  abidw --no-show-locs --no-corpus-path --out-file "$baseline" "$library"
  echo "wrote $baseline"
  exit 0
fi
if abidiff --no-added-syms "$baseline" "$library"; then
  echo "binary interface unchanged against $baseline"
else
  echo "binary interface differs from $baseline (see the report above)."
  echo "If the change is intended, refresh the baseline: see README, 'Binary interface'."
  exit 1
fi
