# SPDX-License-Identifier: Apache-2.0
# GoogleTest for the unit tests. Native builds use the distribution's package; cross builds (and
# anyone who asks with VESK_GTEST_FROM_SOURCE) compile it from the installed sources with the
# target's compiler.
set(VESK_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources for cross builds")
option(VESK_GTEST_FROM_SOURCE "Build GoogleTest from VESK_GTEST_SOURCE_DIR" ${CMAKE_CROSSCOMPILING})

if(TARGET GTest::gtest)
  return()
endif()
if(VESK_GTEST_FROM_SOURCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VESK_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
