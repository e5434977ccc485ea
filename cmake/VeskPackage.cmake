# SPDX-License-Identifier: Apache-2.0
# Debian packages, built by `cpack -G DEB` (or the deb workflow preset):
#   libvesk1     the shared library libvesk.so.1 (component "runtime"), with the shlibs file that
#                lets dpkg-shlibdeps give programs linked against it the right dependency
#   libvesk-dev  headers, the libvesk.so link, the CMake package and vesk.pc (component
#                "development"); depends on libvesk1 of exactly the same version
# Configure with CMAKE_INSTALL_PREFIX=/usr (the deb preset does) so that the library lands in the
# multiarch folder the dynamic loader searches.
set(CPACK_PACKAGE_NAME vesk)
set(CPACK_PACKAGE_VENDOR "The vesk Authors")
set(CPACK_PACKAGE_CONTACT "The vesk Authors <vesk@invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR})
set(CPACK_COMPONENTS_ALL runtime development)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libvesk${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)  # libc6, libstdc++6, libgcc-s1 as dpkg sees them
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "${PROJECT_DESCRIPTION} (shared library)\nWaitable objects and worker threads, reference counting, UTF-8, 16-bit and\n32-bit text conversion, path, number and record-parsing utilities.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvesk-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "libvesk${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "${PROJECT_DESCRIPTION} (development files)\nHeaders, the libvesk.so link, the CMake package Vesk and the pkg-config file vesk.pc.")
include(CPack)
