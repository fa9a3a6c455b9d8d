// SPDX-License-Identifier: Apache-2.0
#include "rs/encode/parity_tower.h"

#include "simd/tower/tower_records.h"

namespace vekdi {

bool rsEncodeParityTower(uint8_t* parity, const uint8_t* message, const RSEncoder* e, const tower::TowerKernels& k) {
    if (k.encodeParity == nullptr) return false;
    const FieldGF* f = e->field;
    const TowerRecord* rec = findTowerRecord(f->generatorMask);
    if (rec == nullptr) return false;
    const int r = e->n - e->k;
    const uint8_t* g = e->generator->coeffs;
    // The roots are root * alpha^j, j < r, and g_(r-1) is their sum,
    // root * (alpha^r + 1) / (alpha + 1); alpha^r != 1 as r < 255, so no
    // logarithm below is of 0. The field has 256 elements.
    const uint8_t* ex = expTable(f);
    const uint8_t* lg = logTable(f);
    const uint8_t alpha = uint8_t(f->alpha);
    const unsigned logGeometric = (lg[ex[r] ^ 1u] + 255u - lg[alpha ^ 1u]) % 255u;
    const uint8_t root = ex[(lg[g[r - 1]] + 255u - logGeometric) % 255u];
    k.encodeParity(parity, message, e->k, r, g, root, alpha, *rec);
    return true;
}

}  // namespace vekdi
