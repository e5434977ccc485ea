# 32-bit ARMv7-A with NEON, Thumb-2, soft-float calling convention, as Android's armeabi-v7a
# builds it: clang for armv7a-linux-gnueabi against Debian's armel sysroot and linker; tests run
# under qemu-arm emulating a Cortex-A9 with NEON.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(VESK_SYSROOT /usr/arm-linux-gnueabi)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET armv7a-linux-gnueabi)
set(CMAKE_CXX_COMPILER_TARGET armv7a-linux-gnueabi)
set(vesk_arm_flags "-mthumb -mfpu=neon -mfloat-abi=softfp -femulated-tls")
set(CMAKE_C_FLAGS_INIT "${vesk_arm_flags}")
set(CMAKE_CXX_FLAGS_INIT "${vesk_arm_flags}")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=/usr/bin/arm-linux-gnueabi-ld")
endforeach()

set(CMAKE_FIND_ROOT_PATH ${VESK_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(VESK_QEMU qemu-arm REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VESK_QEMU} -cpu cortex-a9 -L ${VESK_SYSROOT})
