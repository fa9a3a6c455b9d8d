# SPDX-License-Identifier: Apache-2.0
# vekdi_dynamic_symbols(NM LIBRARY OUT): the sorted names of every dynamic
# symbol LIBRARY defines, read with NM, but the version definitions (type A,
# the soname tag), which are not exports. Shared by the exported-symbol
# checks of the libraries (cmake -P scripts).
function(vekdi_dynamic_symbols nm library out)
  execute_process(COMMAND ${nm} -D --defined-only ${library} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${nm} failed on ${library}")
  endif()
  string(REPLACE "\n" ";" lines "${text}")
  set(names "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]+ [^AUw] ([^ ]+)$")
      list(APPEND names "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(SORT names)
  set(${out} "${names}" PARENT_SCOPE)
endfunction()
