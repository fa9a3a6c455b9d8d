// SPDX-License-Identifier: Apache-2.0
// The part of a decoder context that the tower kernels read: pointers into a
// built-in basis-change record and into the context's own point blocks.
#pragma once

#include <cstdint>

namespace vekdi::tower {

// Six pointers, all null when the field has no built-in record; a non-null
// toTower selects the table-driven decode.
struct DecoderTables {
    const uint8_t* toTower;    // 8 rows of 16 bytes: polynomial basis -> tower basis
    const uint8_t* fromTower;  // carried along, never read
    uint8_t* syndromeBlocks;   // 4*R16(r) bytes of point blocks of the root powers
    uint8_t* chienBlocks;      // 1024 bytes of point blocks of gamma^0 ... gamma^255
    const uint8_t* pow;        // 256 bytes: entry i = gamma^i, gamma the tower image of alpha
    const uint8_t* log;        // 256 bytes: entry gamma^i = i (i < 255), entry 0 = 255
};

}  // namespace vekdi::tower
