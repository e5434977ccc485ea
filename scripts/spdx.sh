#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The licence line of every source, header, CMake and script file of the tree.
#
#   scripts/spdx.sh --check   lists the files whose first lines lack the line; fails if any does
#   scripts/spdx.sh --add     inserts the line at the top of each such file (after a shebang line),
#                             as a comment in the file's own syntax
# Files are those git knows (tracked, or untracked and not ignored). Data stays untouched: JSON,
# Markdown, the fuzz corpora, the ABI baselines and symbol list, and other .txt files.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly tag='SPDX-License-Identifier: Apache-2.0'

# The comment that carries the line in a file, or nothing for a file that takes none.
comment_for() {
  case "$1" in
    fuzz/corpus/*) return ;;
    *.cpp | *.cc | *.h | *.hpp | *.h.in) echo "// $tag" ;;
    *.version) echo "/* $tag */" ;;
    */CMakeLists.txt | CMakeLists.txt | *.cmake | *.cmake.in | *.pc.in | *.sh | *.py | *.supp)
      echo "# $tag" ;;
    *.json | *.md | *.txt | *.abi | *.svg) return ;;
    *)
      # Scripts without an ending are known by their shebang.
      if head -c 2 "$1" | grep -q '^#!'; then echo "# $tag"; fi ;;
  esac
}

has_tag() { head -n 5 "$1" | grep -q "$tag"; }

add_tag() {
  local file=$1 line=$2 tmp
  tmp=$(mktemp)
  if head -c 2 "$file" | grep -q '^#!'; then
    { head -n 1 "$file"; echo "$line"; tail -n +2 "$file"; } >"$tmp"
  else
    { echo "$line"; cat "$file"; } >"$tmp"
  fi
  cat "$tmp" >"$file"  # keeps the file's mode
  rm -f "$tmp"
}

mode=${1:-}
if [ "$mode" != --check ] && [ "$mode" != --add ]; then
  echo "usage: $0 --check | --add" >&2
  exit 2
fi
missing=0
while IFS= read -r file; do
  [ -f "$file" ] || continue
  line=$(comment_for "$file")
  [ -n "$line" ] || continue
  has_tag "$file" && continue
  if [ "$mode" = --add ]; then
    add_tag "$file" "$line"
    echo "added: $file"
  else
    echo "no licence line: $file"
    missing=$((missing + 1))
  fi
done < <(git ls-files --cached --others --exclude-standard | sort -u)
if [ "$missing" -gt 0 ]; then
  echo "$missing file(s) lack '$tag'; run scripts/spdx.sh --add" >&2
  exit 1
fi
