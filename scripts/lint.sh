#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Format and lint checks, as CI runs them:
#   clang-format --dry-run --Werror over every C++ file of the tree (.clang-format)
#   clang-tidy over the library's own sources with the checks of .clang-tidy, warnings as errors;
#   needs a configured build with compile_commands.json (default build/dev)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
tidy=${CLANG_TIDY:-clang-tidy-14}

git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "clang-format: no drift"

[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json" >&2; exit 1; }
sources=$(git ls-files --cached --others --exclude-standard \
  '*.cpp' | grep -E '^(src/)?(core|sync|text|sysutils)/')
# shellcheck disable=SC2086
printf '%s\n' $sources | xargs -P 2 -n 4 "$tidy" -p "$build" --quiet
echo "clang-tidy: clean"
