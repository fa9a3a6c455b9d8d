# SPDX-License-Identifier: Apache-2.0
#
# ctest vekdi_headers: the public headers as consumers meet them. vekdi.h
# compiles as C89, C99 and C11 and vekdi.hpp as C++20 without a warning under
# -Wall -Wextra -Wconversion -Wsign-conversion -Wpedantic; vekdi.hpp under
# C++17 stops with its one message.
#
# cmake -DCC=... -DCXX=... -DSOURCE_DIR=... -DINCLUDE_DIRS=a;b -DWORK_DIR=... -P check_headers.cmake

set(warnings -Wall -Wextra -Wconversion -Wsign-conversion -Wpedantic -Werror)
set(includes)
foreach(dir ${INCLUDE_DIRS})
  list(APPEND includes -I${dir})
endforeach()
file(MAKE_DIRECTORY ${WORK_DIR})

function(compile compiler standard source)
  execute_process(COMMAND ${compiler} -std=${standard} ${warnings} ${includes} -c ${source} -o ${WORK_DIR}/out.o
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "${source} as ${standard}: not clean\n${output}")
  endif()
  message(STATUS "${source} as ${standard}: clean")
endfunction()

foreach(standard c89 c99 c11)
  compile(${CC} ${standard} ${SOURCE_DIR}/consumer.c)
endforeach()
compile(${CXX} c++20 ${SOURCE_DIR}/consumer.cpp)

# Nothing but the include, so that every diagnostic comes from the header.
file(WRITE ${WORK_DIR}/include_only.cpp "#include <vekdi.hpp>\n")
execute_process(COMMAND ${CXX} -std=c++17 ${includes} -c ${WORK_DIR}/include_only.cpp -o ${WORK_DIR}/out.o
                RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_QUIET)
string(REGEX MATCHALL "error:" errors "${output}")
list(LENGTH errors count)
if(result EQUAL 0 OR NOT count EQUAL 1 OR NOT output MATCHES "vekdi.hpp needs C\\+\\+20")
  message(FATAL_ERROR "vekdi.hpp as c++17: expected one error saying it needs C++20, got\n${output}")
endif()
message(STATUS "vekdi.hpp as c++17: one error, the C++20 message")
