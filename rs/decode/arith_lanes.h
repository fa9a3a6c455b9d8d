// SPDX-License-Identifier: Apache-2.0
// The logarithm-table policy (rs/decode/arith_generic.h) with its two long
// steps, the syndromes and the Chien search, done sixteen elements at a time:
// every byte lane is multiplied by its own fixed element through that
// element's bit planes, c * x^0 ... c * x^(m-1), so v * c is the XOR of the
// planes at v's set bits. It serves every field and needs no table beyond
// the field's own; the decode exports use it for every field without the
// built-in fast tables.
#pragma once

#include <cstdint>

#include "poly/poly.h"
#include "rs/decode/arith_generic.h"

namespace vekdi {

// rsSyndromesGeneric's contract; `points` has R16(count) readable bytes.
void rsSyndromesLanes(PolyGF* s, const PolyGF* r, const uint8_t* points, int count);

// rsChienSearchGeneric's contract.
int rsChienSearchLanes(uint8_t* out, const PolyGF* l);

struct LaneArith : GenericArith {
    explicit LaneArith(const RSDecoder* decoder) : GenericArith(decoder) {}

    void syndromes(PolyGF* s, const PolyGF* received) const {
        rsSyndromesLanes(s, received, d->rootPowers, d->n - d->k);
    }
    int roots(uint8_t* out, const PolyGF* l) const { return rsChienSearchLanes(out, l); }
};

}  // namespace vekdi
