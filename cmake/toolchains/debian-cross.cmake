# Shared part of the cross toolchain files: Debian's cross compiler for VESK_TARGET_TRIPLE, its
# sysroot, and the qemu-user emulator VESK_QEMU_NAME that runs the tests.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${VESK_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${VESK_TARGET_TRIPLE}-g++)

set(VESK_SYSROOT /usr/${VESK_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${VESK_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -L points the emulator at the target's dynamic loader and C library.
find_program(VESK_QEMU ${VESK_QEMU_NAME} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VESK_QEMU} -L ${VESK_SYSROOT})
