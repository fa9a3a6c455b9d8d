# SPDX-License-Identifier: Apache-2.0
# Windows builds: every program and DLL goes into one folder so that test
# programs find vekdih9-7.1.dll and vekcore-7.1.dll beside them. When
# cross-compiling, test programs run under wine (cmake/wine-run.sh) with a
# 32-bit prefix inside the build tree.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(VEKDI_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh ${VEKDI_WINE_PREFIX})
  set(VEKDI_UNDER_WINE ON)
endif()

# One persistent wineserver serves the whole test run: started before the first
# program and stopped after the last. Test programs join with
# FIXTURES_REQUIRED wine (vekdi_target_test in tests/CMakeLists.txt).
function(vekdi_add_wine_fixture)
  set(wrapper ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh)
  add_test(NAME wine_start COMMAND ${wrapper} --start ${VEKDI_WINE_PREFIX})
  add_test(NAME wine_stop COMMAND ${wrapper} --stop ${VEKDI_WINE_PREFIX})
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
