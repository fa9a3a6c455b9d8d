// SPDX-License-Identifier: Apache-2.0
#include "poly/working_polys.h"

#include <climits>

#include "core/vekcore.h"
#include "frame/impl.h"

namespace vekdi {

WorkingPolys::~WorkingPolys() {
    while (count_ > 0) vekFree(blocks_[--count_]);
}

VekStatus WorkingPolys::obtain(const FieldGF* field, int64_t maxDegree, PolyGF** out) {
    // The record is maxDegree + header bytes and the allocator takes an int.
    if (count_ == kMaxObjects || maxDegree < 0 || maxDegree > INT_MAX - kPolyHeaderSize - 1)
        return StatusNoMemory;
    const int degree = static_cast<int>(maxDegree);
    int size = 0;
    VekStatus status = impl::veksPolyGFGetSize_8u(degree, &size);
    if (status != StatusOk) return status;
    void* block = vekMalloc(size);
    if (block == nullptr) return StatusNoMemory;
    PolyGF* poly = static_cast<PolyGF*>(block);
    status = impl::veksPolyGFInit_8u(field, degree, poly);
    if (status != StatusOk) {
        vekFree(block);
        return status;
    }
    blocks_[count_++] = block;
    *out = poly;
    return StatusOk;
}

}  // namespace vekdi
