# install(): the library, its public headers and a CMake package, so that
#   find_package(velmora) + target_link_libraries(app velmora::velmora)
# works from any prefix it is installed into.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS velmora EXPORT velmoraTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/include/velmora
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.hpp")
install(EXPORT velmoraTargets NAMESPACE velmora::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/velmora)

configure_package_config_file(${CMAKE_CURRENT_SOURCE_DIR}/velmoraConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/velmoraConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/velmora)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/velmoraConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/velmoraConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/velmoraConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/velmora)
