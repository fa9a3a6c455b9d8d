include(CMakePackageConfigHelpers)

install(TARGETS vekdi vekdi_static vekcore vekdi_warnings EXPORT vekdiTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/vekdi.h include/vekdi.hpp ${PROJECT_BINARY_DIR}/include/vekdi_version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT vekdiTargets NAMESPACE vekdi:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vekdi)

file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/vekdiConfig.cmake.in
  "@PACKAGE_INIT@\ninclude(\"\${CMAKE_CURRENT_LIST_DIR}/vekdiTargets.cmake\")\n")
configure_package_config_file(${CMAKE_CURRENT_BINARY_DIR}/vekdiConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/vekdiConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vekdi)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vekdiConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vekdiConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/vekdiConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vekdi)

configure_file(${PROJECT_SOURCE_DIR}/cmake/vekdi.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vekdi.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vekdi.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
