// SPDX-License-Identifier: Apache-2.0
#include "rs/tower/attach.h"

#include "rs/tower/fast_tables.h"
#include "rs/tower/primitives.h"

namespace vekdi::tower {

void attachTables(DecoderTables* t, uint32_t generatorMask, uint8_t* rootPowers, int r) {
    const FastTableRecord* rec = fastTableLookup(generatorMask);
    if (rec == nullptr) return;
    const int area = (r + 15) & ~15;  // R16(r)
    t->toTower = rec->toTower;
    t->fromTower = rec->fromTower;
    t->pow = rec->towerPow;
    t->log = rec->towerLog;
    t->chienBlocks = rootPowers + area;
    rsTowerExpandPoints(t->chienBlocks, rec->towerPow, 256);
    // Convert into the last quarter of the block area, then expand over the
    // whole area: each group is read before its 64 bytes are written.
    t->syndromeBlocks = t->chienBlocks + 1024;
    uint8_t* converted = t->syndromeBlocks + 3 * area;
    rsTowerConvert(converted, rootPowers, area, rec->toTower);
    rsTowerExpandPoints(t->syndromeBlocks, converted, area);
}

}  // namespace vekdi::tower
