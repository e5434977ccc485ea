#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# ARM instruction-count gates: builds vesk_arm_cost without and with NEON, counts every window
# with arm-cost under qemu-arm (ICU 72 for armhf alongside, unpacked into BUILD/icu-armhf), prints
# both tables and fails when a window of bench/arm-gates-{armhf,neon}.txt exceeds its budget.
#   bench/arm-gates.sh [--propose PERCENT]   (the second form prints new budget lines instead)
# Needs qemu-user, gcc, g++-arm-linux-gnueabihf, g++-arm-linux-gnueabi, clang, and the ICU
# libraries unpacked by .ci/run (libicuuc.so.72 under build/icu-armhf/root).
set -eu
cd "$(dirname "$0")/.."
tool=${ARM_COST_DIR:-../shared/tools/arm-cost}
icu=build/icu-armhf/root/usr/lib/arm-linux-gnueabihf/libicuuc.so.72
# The plugin is built into the build tree, next to a copy of the script that finds it there.
mkdir -p build/arm-cost-tool
cp "$tool/arm-cost" build/arm-cost-tool/arm-cost
[ -f build/arm-cost-tool/libarmcost.so ] || ARMCOST_OUT=build/arm-cost-tool sh "$tool/build.sh"
export ARM_COST=build/arm-cost-tool/arm-cost
for preset in arm-cost arm-cost-neon; do
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset"
done
if [ "${1:-}" = --propose ]; then
  gates="--propose-gates $2"
  armhf= neon=
else
  gates=
  armhf="--gates bench/arm-gates-armhf.txt" neon="--gates bench/arm-gates-neon.txt"
fi
echo "== without NEON (armhf, gcc -O2); in parentheses: vesk / ICU 72"
# shellcheck disable=SC2086
bench/arm-cost-table --icu "$icu" --save-icu build/arm-cost/icu-counts.txt $gates $armhf \
    build/arm-cost/bench/vesk_arm_cost
echo "== with NEON (armv7a Thumb-2, clang -O2); in parentheses: vesk / ICU 72"
# shellcheck disable=SC2086
bench/arm-cost-table --neon --sysroot /usr/arm-linux-gnueabi \
    --icu-counts build/arm-cost/icu-counts.txt $gates $neon build/arm-cost-neon/bench/vesk_arm_cost
