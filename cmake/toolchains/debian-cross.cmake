# SPDX-License-Identifier: Apache-2.0
# Shared part of the cross toolchain files: Debian's cross toolchain for VESK_TARGET_TRIPLE, its
# sysroot, and the qemu-user emulator VESK_QEMU_NAME that runs the tests.
#
# By default the compiler is the triple's GCC. A toolchain file that sets VESK_CLANG_TARGET builds
# with clang for that target instead, on the same sysroot, C++ library and binutils; clang is
# pointed at the triple's linker by its full path, as it would otherwise take the host's.
# VESK_QEMU_CPU, if set, is the processor the emulator presents (for instruction-set extensions).
set(CMAKE_SYSTEM_NAME Linux)

if(VESK_CLANG_TARGET)
  set(CMAKE_C_COMPILER clang)
  set(CMAKE_CXX_COMPILER clang++)
  set(CMAKE_C_COMPILER_TARGET ${VESK_CLANG_TARGET})
  set(CMAKE_CXX_COMPILER_TARGET ${VESK_CLANG_TARGET})
  find_program(VESK_CROSS_LD ${VESK_TARGET_TRIPLE}-ld REQUIRED)
  foreach(tool nm ar ranlib objdump readelf strip)
    string(TOUPPER ${tool} variable)
    find_program(CMAKE_${variable} ${VESK_TARGET_TRIPLE}-${tool} REQUIRED)
  endforeach()
  foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=${VESK_CROSS_LD}")
  endforeach()
else()
  set(CMAKE_C_COMPILER ${VESK_TARGET_TRIPLE}-gcc)
  set(CMAKE_CXX_COMPILER ${VESK_TARGET_TRIPLE}-g++)
endif()

set(VESK_SYSROOT /usr/${VESK_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${VESK_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -L points the emulator at the target's dynamic loader and C library.
find_program(VESK_QEMU ${VESK_QEMU_NAME} REQUIRED)
set(VESK_QEMU_ARGS -L ${VESK_SYSROOT})
if(VESK_QEMU_CPU)
  list(PREPEND VESK_QEMU_ARGS -cpu ${VESK_QEMU_CPU})
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${VESK_QEMU} ${VESK_QEMU_ARGS})
