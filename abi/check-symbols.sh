#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Compares the defined dynamic symbols of libvesk (demangled) with the checked-in list.
#
#   abi/check-symbols.sh NM LIBRARY EXPECTED          check; a difference fails with a diff
#   abi/check-symbols.sh --update NM LIBRARY EXPECTED rewrite the list on purpose, in the same
#                                                     commit as the interface change
set -eu
update=no
if [ "${1:-}" = "--update" ]; then
  update=yes
  shift
fi
nm=$1 library=$2 expected=$3
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT

# Each line: address, type letter, demangled name. Only global symbols count (upper-case letters,
# and u/i for unique and indirect ones): some targets, such as MIPS, keep local symbols in the
# dynamic table too. Linker and runtime bookkeeping symbols are not part of the interface.
"$nm" -D --defined-only -C "$library" |
  sed -nE 's/^[0-9a-fA-F]+ [A-Zui] //p' |
  grep -Ev '^(_init|_fini|_edata|_end|__bss_start|_ITM_.*|__aeabi_.*|__gnu_.*|_gp_disp|_fdata|_ftext|_fbss|__RLD_MAP|_DYNAMIC_LINKING|_GLOBAL_OFFSET_TABLE_)$' |
  LC_ALL=C sort -u >"$actual"

if [ "$update" = yes ]; then
  cp "$actual" "$expected"
  echo "wrote $(wc -l <"$expected") symbols to $expected"
  exit 0
fi
if ! diff -u "$expected" "$actual"; then
  echo "exported symbols differ from $expected (lines with + were added, - removed)."
  echo "If the change is intended, refresh the list: see README, 'Binary interface'."
  exit 1
fi
echo "exported interface unchanged: $(wc -l <"$actual") symbols"
