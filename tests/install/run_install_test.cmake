# SPDX-License-Identifier: Apache-2.0
# Installs the built library into a scratch prefix and builds and runs a small consumer against it,
# once through find_package(Vesk) and once through pkg-config.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "command failed (${rc}): ${ARGN}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${VESK_BINARY_DIR} --prefix ${prefix})

# 1. find_package(Vesk CONFIG REQUIRED)
run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE_DIR} -B ${WORK_DIR}/cmake-build -G ${CMAKE_GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run(${WORK_DIR}/cmake-build/consumer)

# 2. pkg-config
find_program(PKG_CONFIG pkg-config pkgconf REQUIRED)
set(ENV{PKG_CONFIG_PATH} "${prefix}/lib/pkgconfig:${prefix}/lib64/pkgconfig")
file(GLOB pcdirs ${prefix}/lib*/pkgconfig ${prefix}/lib/*/pkgconfig)
list(JOIN pcdirs ":" pcpath)
set(ENV{PKG_CONFIG_PATH} "${pcpath}")
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs vesk OUTPUT_VARIABLE flags
                RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know vesk")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
file(GLOB libdirs ${prefix}/lib*)
run(${CXX_COMPILER} -std=c++17 ${CONSUMER_SOURCE_DIR}/consumer.cpp ${flags}
    -o ${WORK_DIR}/consumer-pc)
list(JOIN libdirs ":" ldpath)
set(ENV{LD_LIBRARY_PATH} "${ldpath}")
run(${WORK_DIR}/consumer-pc)
message(STATUS "installed package consumed by find_package and by pkg-config")
