# SPDX-License-Identifier: Apache-2.0
# Installation: headers, library, the CMake package `Vesk` and a pkg-config file.
include(CMakePackageConfigHelpers)

# Two components: "runtime" is the shared library with its SONAME link (what a program needs to
# run), "development" is everything needed to build against it.
install(TARGETS vesk EXPORT VeskTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
                NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${VESK_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vesk
        COMPONENT development)

set(VESK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vesk)
install(EXPORT VeskTargets NAMESPACE Vesk:: DESTINATION ${VESK_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VeskConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/VeskConfig.cmake INSTALL_DESTINATION ${VESK_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VeskConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VeskConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VeskConfigVersion.cmake
        DESTINATION ${VESK_CMAKE_DIR} COMPONENT development)

if(BUILD_SHARED_LIBS)
  set(VESK_PC_CFLAGS "")
else()
  set(VESK_PC_CFLAGS "-DVESK_STATIC_DEFINE")
endif()
# The pkg-config file locates the prefix from its own folder, so an installed tree can be moved.
file(RELATIVE_PATH VESK_PC_PREFIX_FROM_PCDIR "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
configure_file(${CMAKE_CURRENT_LIST_DIR}/vesk.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vesk.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vesk.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)

include(VeskPackage)
