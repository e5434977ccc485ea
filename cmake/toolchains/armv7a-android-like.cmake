# SPDX-License-Identifier: Apache-2.0
# 32-bit ARM built the way the Android NDK builds armeabi-v7a, as far as Debian's packages allow:
# clang, ARMv7-A in Thumb-2, NEON, the softfp float ABI (floating-point arguments in core
# registers) and emulated thread-locals (__emutls_get_address, as Android below API level 29 has
# no ELF TLS). The C library, C++ library and binutils are those of the armel cross toolchain
# (g++-arm-linux-gnueabi). Tests run under qemu-arm on a Cortex-A9, which has NEON.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(VESK_TARGET_TRIPLE arm-linux-gnueabi)
set(VESK_CLANG_TARGET armv7a-linux-gnueabi)
set(VESK_QEMU_NAME qemu-arm)
set(VESK_QEMU_CPU cortex-a9)
set(CMAKE_CXX_FLAGS_INIT "-mthumb -mfpu=neon -mfloat-abi=softfp -femulated-tls")
set(CMAKE_C_FLAGS_INIT "${CMAKE_CXX_FLAGS_INIT}")
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

# Debian's armel C++ library was built for ARMv5 with ELF thread-locals, while Android's is built
# for this target. Code that inlines its thread-local state (std::call_once, behind std::async) or
# its choice of futex waits (std::future: int atomics are not always lock-free on ARMv5) must be
# compiled with the C++ library's view. The test programs use both and get these options; the
# library uses neither (its link, with --no-undefined, would fail) and keeps the NDK's code.
set(VESK_TEST_CXX_OPTIONS -fno-emulated-tls -U__GCC_ATOMIC_INT_LOCK_FREE -D__GCC_ATOMIC_INT_LOCK_FREE=1)
