# SPDX-License-Identifier: Apache-2.0
# Cross build for mips-linux-gnu with Debian's cross compiler; tests run under qemu-mips (qemu-user).
set(CMAKE_SYSTEM_PROCESSOR mips)
set(VESK_TARGET_TRIPLE mips-linux-gnu)
set(VESK_QEMU_NAME qemu-mips)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
