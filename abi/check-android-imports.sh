#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Checks what libvesk takes from the C library against what Android's C library (libc, libm, libdl)
# exports to 32-bit ARM apps, by API level.
#
#   abi/check-android-imports.sh NM LIBRARY TABLE LEVEL RULES...
#
# TABLE lines: symbol<TAB>first API level that has it<TAB>library ('#' starts a comment line).
# Every undefined dynamic symbol of LIBRARY (version suffix dropped) goes through the RULES files,
# lines of pattern<TAB>treatment<TAB>why with a shell pattern; the first matching line decides:
#   -     the C++ runtime (libc++_shared, its ABI library, the unwinder, the compiler's helpers)
#         or the toolchain supplies the name; it is no C-library import on Android;
#   NAME  the name is a glibc spelling of the C-library function NAME, which is checked instead.
# Any other name is a C-library import and must be in TABLE at LEVEL or below. Each import that
# is not is named, and the check fails. Without TABLE the check is skipped (exit status 77).
set -eu
nm=$1 library=$2 table=$3 level=$4
shift 4
if [ ! -f "$table" ]; then
  echo "skipped: no table of Android's C library at $table"
  echo "(set the CMake cache variable VESK_ANDROID_SYMBOLS to its path)"
  exit 77
fi

imports=$(mktemp)
trap 'rm -f "$imports"' EXIT
"$nm" -D --undefined-only "$library" | awk '{ sub(/@.*/, "", $NF); print $NF }' | LC_ALL=C sort -u \
  >"$imports"
if [ ! -s "$imports" ]; then
  echo "read no undefined symbols from $library"
  exit 1
fi
awk -F '\t' -v level="$level" -v tableFile="$table" -v importsFile="$imports" '
    function glob_to_regex(glob) {
        gsub(/[.+^$(){}|]/, "\\\\&", glob)
        gsub(/\*/, ".*", glob)
        gsub(/\?/, ".", glob)
        return "^" glob "$"
    }
    FILENAME == tableFile {
        if ($0 !~ /^#/ && NF >= 2) { firstLevel[$1] = $2 }
        next
    }
    FILENAME != importsFile {
        if ($0 !~ /^#/ && NF >= 3) { pattern[++rules] = glob_to_regex($1); treatment[rules] = $2 }
        next
    }
    {
        name = $1; lookup = name
        for (r = 1; r <= rules; r++) {
            if (name ~ pattern[r]) { lookup = treatment[r]; break }
        }
        if (lookup == "-") { runtime++; next }
        shown = (lookup == name) ? name : name " (as " lookup ")"
        if (!(lookup in firstLevel)) {
            print "not in Android'"'"'s C library: " shown; bad++
        } else if (firstLevel[lookup] + 0 > level + 0) {
            print "needs API level " firstLevel[lookup] " (above " level "): " shown; bad++
        } else {
            good++
        }
    }
    END {
        if (bad) {
            print bad " import(s) that Android'"'"'s C library does not offer at API level " level
            exit 1
        }
        print good + 0 " C-library imports, all in Android'"'"'s C library at API level " level \
              "; " runtime + 0 " from the C++ runtime"
    }' "$table" "$@" "$imports"
