// SPDX-License-Identifier: Apache-2.0
// Built-in basis-change tables for the 30 fields GF(2^8): one record per
// irreducible generator polynomial of degree 8, mapping the field's
// polynomial basis into the tower basis GF((2^4)^2) and carrying tower copies
// of the powers of the field's alpha.
#pragma once

#include <cstdint>
#include <span>

namespace vekdi {

struct TowerRecord {
    uint32_t key;                // generator polynomial as a bit mask, bit 8 set
    uint32_t descriptor;         // low byte alpha, second byte gamma (the tower image of alpha)
    const uint8_t* toTower;      // 8 rows of 16 bytes: row j = 16 copies of phi(x^j)
    const uint8_t* fromTower;    // 8 rows of 16 bytes: row j = 16 copies of phi^-1(2^j)
    const uint8_t* towerPow;     // 256 bytes: entry i = gamma^i, entries 0 and 255 are 1
    const uint8_t* towerLog;     // 256 bytes: entry gamma^i = i (i < 255), entry 0 = 255
    // GF2P8AFFINEQB operands (qword form) of the isomorphisms between the
    // field's polynomial basis and that of GF(2)[x]/(x^8 + x^4 + x^3 + x + 1),
    // the field of the Galois-field instructions, through the tower basis.
    uint64_t toGfni;
    uint64_t fromGfni;
};

inline constexpr int kTowerRecordCount = 30;

// The record whose key equals the generator mask, or null.
const TowerRecord* findTowerRecord(uint32_t generatorMask);

// All records in table order.
std::span<const TowerRecord, kTowerRecordCount> towerRecords();

}  // namespace vekdi
