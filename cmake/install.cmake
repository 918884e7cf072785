# Installation of the libraries, their headers, the CMake package, the pkg-config file and the
# Debian packages (cpack -G DEB).

install(TARGETS vkplatform vkengine EXPORT vkengineTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vkengine)

# The public headers keep their platform/... and units/... paths below include/vkengine/, so that
# the engine's own includes resolve. The Firebird client's wrapper is the data-access layer's own.
install(DIRECTORY platform units DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vkengine COMPONENT dev
        FILES_MATCHING PATTERN "*.h" PATTERN "fbclient.h" EXCLUDE PATTERN "*_interne.h" EXCLUDE)

set(VK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vkengine)
install(EXPORT vkengineTargets NAMESPACE vkengine:: DESTINATION ${VK_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vkengineConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/vkengineConfig.cmake INSTALL_DESTINATION ${VK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vkengineConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/vkengineConfig.cmake ${PROJECT_BINARY_DIR}/vkengineConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/FindFirebird.cmake
        DESTINATION ${VK_CMAKE_DIR} COMPONENT dev)

# The .pc file finds its prefix from where it lies, so the tree may be moved (a DESTDIR, an unpacked
# package).
file(RELATIVE_PATH VK_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VK_PC_TO_PREFIX "${VK_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/vkengine.pc.in ${PROJECT_BINARY_DIR}/vkengine.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vkengine.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

if(PROJECT_IS_TOP_LEVEL)
  set(CPACK_PACKAGE_NAME vkengine)
  set(CPACK_PACKAGE_VENDOR "vkengine developers")
  set(CPACK_PACKAGE_CONTACT "vkengine developers <vkengine@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fixed-asset engine for French accounting practices")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
    set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
  endif()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_COMPONENTS_ALL lib dev host)
  set(CPACK_DEBIAN_LIB_PACKAGE_NAME libvkengine0)
  # Every library the two shared libraries link (readelf -d, NEEDED); scripts/check-install.sh checks
  # that each one's package is listed.
  set(CPACK_DEBIAN_LIB_PACKAGE_DEPENDS
      "libfbclient2 (>= 3.0), libfmt9, libsimpleini1, libpangocairo-1.0-0, libpango-1.0-0, libcairo2, libglib2.0-0, libstdc++6 (>= 12), libgcc-s1, libc6")
  set(CPACK_COMPONENT_LIB_DESCRIPTION "vkengine: the engine's shared libraries (libvkengine, libvkplatform)")
  set(CPACK_DEBIAN_DEV_PACKAGE_NAME libvkengine-dev)
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libvkengine0 (= ${PROJECT_VERSION}), libfmt-dev, firebird-dev")
  set(CPACK_COMPONENT_DEV_DESCRIPTION "vkengine: headers, CMake package and pkg-config file")
  set(CPACK_DEBIAN_HOST_PACKAGE_NAME vkhost)
  set(CPACK_DEBIAN_HOST_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_HOST_PACKAGE_DEPENDS "libvkengine0 (= ${PROJECT_VERSION}), firebird3.0-server-core, libcsv3")
  set(CPACK_COMPONENT_HOST_DESCRIPTION "vkengine: vkhost, the reference command-line host")
  include(CPack)
endif()
