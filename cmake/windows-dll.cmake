# SPDX-License-Identifier: Apache-2.0
# The Windows library files: vekdih9-7.1.dll with a module-definition file
# that gives the 41 exports their ordinals (slot + 1, in the order of the
# implementation table) and a version resource; the allocator layer is
# vekcore-7.1.dll.
enable_language(RC)

set_target_properties(vekdi PROPERTIES PREFIX "" OUTPUT_NAME vekdih9-7.1)
set_target_properties(vekcore PROPERTIES PREFIX "" OUTPUT_NAME vekcore-7.1)

# The export names are read from the list the implementation table is made
# from, in slot order, so the ordinals cannot drift from the slots.
set(vekdi_export_list ${PROJECT_SOURCE_DIR}/frame/export_list.h)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${vekdi_export_list})
file(STRINGS ${vekdi_export_list} vekdi_slot_lines REGEX "^VEKDI_EXPORT\\([A-Za-z0-9_]+,")
set(vekdi_def "LIBRARY \"vekdih9-7.1.dll\"\nEXPORTS\n")
set(vekdi_ordinal 0)
foreach(line IN LISTS vekdi_slot_lines)
  string(REGEX MATCH "^VEKDI_EXPORT\\(([A-Za-z0-9_]+)," unused "${line}")
  math(EXPR vekdi_ordinal "${vekdi_ordinal} + 1")
  string(APPEND vekdi_def "    ${CMAKE_MATCH_1} @${vekdi_ordinal}\n")
endforeach()
if(NOT vekdi_ordinal EQUAL 41)
  message(FATAL_ERROR "frame/export_list.h lists ${vekdi_ordinal} slots, expected 41")
endif()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/vekdih9-7.1.def CONTENT "${vekdi_def}")

target_sources(vekdi PRIVATE
  ${CMAKE_BINARY_DIR}/vekdih9-7.1.def
  ${PROJECT_SOURCE_DIR}/frame/version_resource.rc)
