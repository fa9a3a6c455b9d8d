// SPDX-License-Identifier: Apache-2.0
// Attaching a built-in basis-change record to a decoder context.
#pragma once

#include <cstdint>

#include "simd/tower/decoder_tables.h"

namespace vekdi::tower {

// When the field's generator polynomial has a record: builds the context's
// point blocks after the root-power table (R16(r) bytes at rootPowers,
// 16-byte aligned): the Chien blocks of gamma^0 ... gamma^255 (1024 bytes),
// then the syndrome blocks of the root powers in the tower basis (4*R16(r)
// bytes), and returns the tables pointing at the record and those blocks.
// Without a record returns all null and writes nothing.
DecoderTables attachTables(uint32_t generatorMask, uint8_t* rootPowers, int r);

}  // namespace vekdi::tower
