# SPDX-License-Identifier: Apache-2.0
# Fails when a C, C++ or Python source outside simd/ queries the CPU itself
# (cpuid, xgetbv, __builtin_cpu_supports, getauxval): simd/cpu_features.h is
# the one CPU-feature check of the tree.
# Usage: cmake -DSOURCE_DIR=<project root> -P cpu_check_home.cmake
file(GLOB children RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(offenders "")
foreach(child ${children})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${child} OR child MATCHES "^(\\..*|build.*|simd|venv)$")
    continue()
  endif()
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${child}/*.c ${SOURCE_DIR}/${child}/*.cc ${SOURCE_DIR}/${child}/*.cpp
       ${SOURCE_DIR}/${child}/*.h ${SOURCE_DIR}/${child}/*.hpp ${SOURCE_DIR}/${child}/*.py)
  foreach(source ${sources})
    file(STRINGS ${source} hits REGEX "cpuid|xgetbv|__builtin_cpu_supports|getauxval")
    if(hits)
      file(RELATIVE_PATH shown ${SOURCE_DIR} ${source})
      list(APPEND offenders "${shown}: ${hits}")
    endif()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " shown)
  message(FATAL_ERROR "CPU queries outside simd/ (use simd/cpu_features.h):\n  ${shown}")
endif()
message(STATUS "No CPU query outside simd/")
