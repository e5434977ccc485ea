# Installation: headers, library, the CMake package `Vesk` and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS vesk EXPORT VeskTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${VESK_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vesk)

set(VESK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vesk)
install(EXPORT VeskTargets NAMESPACE Vesk:: DESTINATION ${VESK_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VeskConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/VeskConfig.cmake INSTALL_DESTINATION ${VESK_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VeskConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VeskConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VeskConfigVersion.cmake
        DESTINATION ${VESK_CMAKE_DIR})

if(BUILD_SHARED_LIBS)
  set(VESK_PC_CFLAGS "")
else()
  set(VESK_PC_CFLAGS "-DVESK_STATIC_DEFINE")
endif()
# The prefix is found relative to the installed vesk.pc, so `cmake --install --prefix DIR` (or a
# moved tree) still gives the right paths.
file(RELATIVE_PATH VESK_PC_PREFIX "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "/$" "" VESK_PC_PREFIX "${VESK_PC_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/vesk.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vesk.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vesk.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
