# SPDX-License-Identifier: Apache-2.0
# The peer libraries the comparison tests and benchmarks run against, found
# once for the whole tree (build machine only; VEKDI_PEERS=OFF skips them):
#   vekdi_peer::fec        libfec (Debian libfec-dev)
#   vekdi_peer::isal       ISA-L (libisal-dev)
#   vekdi_peer::jerasure   Jerasure with gf-complete (libjerasure-dev)
#   VEKDI_ZFEC_PYTHON      an interpreter that imports zfec (python3-zfec), or empty
# A target exists only where its library was found.
set(VEKDI_ZFEC_PYTHON "")
if(CMAKE_CROSSCOMPILING OR NOT VEKDI_PEERS)
  return()
endif()

# vekdi_find_peer(NAME LIBRARY HEADER [EXTRA_LIBRARY]): the imported target vekdi_peer::NAME.
function(vekdi_find_peer name library header)
  find_library(VEKDI_PEER_${name}_LIBRARY ${library})
  find_path(VEKDI_PEER_${name}_INCLUDE ${header})
  set(extra "")
  foreach(lib IN LISTS ARGN)
    find_library(VEKDI_PEER_${name}_${lib} ${lib})
    if(NOT VEKDI_PEER_${name}_${lib})
      return()
    endif()
    list(APPEND extra ${VEKDI_PEER_${name}_${lib}})
  endforeach()
  if(VEKDI_PEER_${name}_LIBRARY AND VEKDI_PEER_${name}_INCLUDE)
    add_library(vekdi_peer::${name} UNKNOWN IMPORTED GLOBAL)
    set_target_properties(vekdi_peer::${name} PROPERTIES
      IMPORTED_LOCATION ${VEKDI_PEER_${name}_LIBRARY}
      INTERFACE_INCLUDE_DIRECTORIES ${VEKDI_PEER_${name}_INCLUDE}
      INTERFACE_LINK_LIBRARIES "${extra}")
  endif()
endfunction()

vekdi_find_peer(fec fec fec.h)
vekdi_find_peer(isal isal isa-l/erasure_code.h)
vekdi_find_peer(jerasure Jerasure jerasure/reed_sol.h gf_complete)
if(TARGET vekdi_peer::jerasure)
  # Jerasure's headers include each other without their folder.
  set_property(TARGET vekdi_peer::jerasure APPEND PROPERTY INTERFACE_INCLUDE_DIRECTORIES
               ${VEKDI_PEER_jerasure_INCLUDE}/jerasure)
endif()

if(EXISTS /usr/bin/python3)
  execute_process(COMMAND /usr/bin/python3 -c "import zfec" RESULT_VARIABLE vekdi_zfec_rc OUTPUT_QUIET ERROR_QUIET)
  if(vekdi_zfec_rc EQUAL 0)
    set(VEKDI_ZFEC_PYTHON /usr/bin/python3)
  endif()
endif()
