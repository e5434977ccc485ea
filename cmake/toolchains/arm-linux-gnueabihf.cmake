# SPDX-License-Identifier: Apache-2.0
# Cross build for arm-linux-gnueabihf with Debian's cross compiler; tests run under qemu-arm (qemu-user).
set(CMAKE_SYSTEM_PROCESSOR arm)
set(VESK_TARGET_TRIPLE arm-linux-gnueabihf)
set(VESK_QEMU_NAME qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
