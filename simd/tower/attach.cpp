// SPDX-License-Identifier: Apache-2.0
#include "simd/tower/attach.h"

#include "simd/tower/tower_records.h"
#include "simd/tower/primitives.h"

namespace vekdi::tower {

DecoderTables attachTables(uint32_t generatorMask, uint8_t* rootPowers, int r) {
    DecoderTables tables{};
    const TowerRecord* rec = findTowerRecord(generatorMask);
    if (rec == nullptr) return tables;
    const int area = (r + 15) & ~15;  // R16(r)
    tables.toTower = rec->toTower;
    tables.fromTower = rec->fromTower;
    tables.pow = rec->towerPow;
    tables.log = rec->towerLog;
    tables.chienBlocks = rootPowers + area;
    rsTowerExpandPoints(tables.chienBlocks, rec->towerPow, 256);
    // Convert into the last quarter of the block area, then expand over the
    // whole area: each group is read before its 64 bytes are written.
    tables.syndromeBlocks = tables.chienBlocks + 1024;
    uint8_t* converted = tables.syndromeBlocks + 3 * area;
    rsTowerConvert(converted, rootPowers, area, rec->toTower);
    rsTowerExpandPoints(tables.syndromeBlocks, converted, area);
    return tables;
}

}  // namespace vekdi::tower
