// SPDX-License-Identifier: Apache-2.0
#include "poly/working_polys.h"

#include <climits>

#include "base/allocator.h"

namespace vekdi {

WorkingPolys::~WorkingPolys() {
    while (count_ > 0) vekFree(blocks_[--count_]);
}

VekStatus WorkingPolys::obtain(const FieldGF* field, int64_t maxDegree, PolyGF** out) {
    // The record is maxDegree + header bytes and the allocator takes an int.
    if (count_ == kMaxObjects || maxDegree < 0 || maxDegree > INT_MAX - kPolyHeaderSize - 1)
        return StatusNoMemory;
    const int degree = static_cast<int>(maxDegree);
    void* block = vekMalloc(kPolyHeaderSize + degree + 1);
    if (block == nullptr) return StatusNoMemory;
    PolyGF* poly = static_cast<PolyGF*>(block);
    polyInitInPlace(poly, field, degree);
    blocks_[count_++] = block;
    *out = poly;
    return StatusOk;
}

}  // namespace vekdi
