# SPDX-License-Identifier: Apache-2.0
# Installation: the public headers, the libraries (shared and static, each
# with its allocator layer), a CMake package (find_package(vekdi)) and a
# pkg-config file. The allocator's header with its fault-injection hooks
# (base/allocator.h) and warning settings stay in the build tree.
include(CMakePackageConfigHelpers)

install(TARGETS vekdi vekdi_static vekcore vekcore_static vekdi-codes vekdi-codes_static EXPORT vekdiTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/vekdi.h include/vekdi.hpp include/vekdi_codes.h include/vekdi_codes_rs.h ${PROJECT_BINARY_DIR}/include/vekdi_version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vekdi)
install(EXPORT vekdiTargets NAMESPACE vekdi:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vekdi)

# The C++ runtime that the static archive needs when a C program links it
# (the library is written in C++).
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(VEKDI_CXX_RUNTIME stdc++ m)
else()
  set(VEKDI_CXX_RUNTIME "")
endif()
list(TRANSFORM VEKDI_CXX_RUNTIME PREPEND "-l" OUTPUT_VARIABLE VEKDI_CXX_RUNTIME_FLAGS)
list(JOIN VEKDI_CXX_RUNTIME_FLAGS " " VEKDI_CXX_RUNTIME_FLAGS)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vekdiConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/vekdiConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vekdi)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vekdiConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vekdiConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/vekdiConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vekdi)

configure_file(${PROJECT_SOURCE_DIR}/cmake/vekdi.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vekdi.pc @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/vekdi-codes.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vekdi-codes.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vekdi.pc ${CMAKE_CURRENT_BINARY_DIR}/vekdi-codes.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# libvekdi-fec (Linux): its header goes to <includedir>/vekdi, which its
# pkg-config file puts on the include path so that <fec.h> finds it.
if(TARGET vekdi-fec)
  install(TARGETS vekdi-fec LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES include/vekdi/fec.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vekdi)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/vekdi-fec.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vekdi-fec.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vekdi-fec.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
