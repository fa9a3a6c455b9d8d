# SPDX-License-Identifier: Apache-2.0
# libvekdi-fec (LIBRARY, read with NM) must define libfec's Reed-Solomon
# names and no other dynamic symbol.
include(${CMAKE_CURRENT_LIST_DIR}/../support/dynamic_symbols.cmake)
vekdi_dynamic_symbols(${NM} ${LIBRARY} names)
set(expected decode_rs_8 decode_rs_ccsds decode_rs_char decode_rs_int encode_rs_8 encode_rs_ccsds encode_rs_char
    encode_rs_int free_rs_char free_rs_int init_rs_char init_rs_int)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exported symbols differ\nexpected: ${expected}\nactual:   ${names}")
endif()
