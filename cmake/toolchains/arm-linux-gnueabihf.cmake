# Cross build for arm-linux-gnueabihf with Debian's cross compiler; tests run under qemu-arm (qemu-user).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(VESK_TARGET_TRIPLE arm-linux-gnueabihf)
set(CMAKE_C_COMPILER ${VESK_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${VESK_TARGET_TRIPLE}-g++)

set(VESK_SYSROOT /usr/${VESK_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${VESK_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -L points the emulator at the target's dynamic loader and C library.
find_program(VESK_QEMU qemu-arm REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VESK_QEMU} -L ${VESK_SYSROOT})
