# SPDX-License-Identifier: Apache-2.0
# coverage_report: line and branch coverage of the library's families (gf/,
# poly/, rs/) from the counters the last test run left. Run the tests first
# (the coverage workflow preset does both).
find_program(GCOVR gcovr REQUIRED)
set(_gcovr ${GCOVR} --root ${PROJECT_SOURCE_DIR} --object-directory ${PROJECT_BINARY_DIR}
    --filter ${PROJECT_SOURCE_DIR}/gf/ --filter ${PROJECT_SOURCE_DIR}/poly/ --filter ${PROJECT_SOURCE_DIR}/rs/
    --exclude-unreachable-branches --exclude-throw-branches)
add_custom_target(coverage_report
  COMMAND ${CMAKE_COMMAND} -E echo "== line coverage"
  COMMAND ${_gcovr}
  COMMAND ${CMAKE_COMMAND} -E echo "== branch coverage"
  COMMAND ${_gcovr} --branches --print-summary
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
  USES_TERMINAL
  VERBATIM)
