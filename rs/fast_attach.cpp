// SPDX-License-Identifier: Apache-2.0
#include "rs/fast_attach.h"

#include "rs/fast_tables.h"
#include "rs/tower/primitives.h"

namespace vekdi {

void rsAttachFastTables(RSDecoder* h) {
    const FastTableRecord* rec = fastTableLookup(h->field->generatorMask);
    if (rec == nullptr) return;
    const int area = r16(h->n - h->k);
    h->toTower = rec->toTower;
    h->fromTower = rec->fromTower;
    h->towerPow = rec->towerPow;
    h->towerLog = rec->towerLog;
    h->chienBlocks = h->rootPowers + area;
    rsTowerExpandPoints(h->chienBlocks, rec->towerPow, 256);
    // Convert into the last quarter of the block area, then expand over the
    // whole area: each group is read before its 64 bytes are written.
    h->syndromeBlocks = h->chienBlocks + 1024;
    uint8_t* converted = h->syndromeBlocks + 3 * area;
    rsTowerConvert(converted, h->rootPowers, area, rec->toTower);
    rsTowerExpandPoints(h->syndromeBlocks, converted, area);
}

}  // namespace vekdi
