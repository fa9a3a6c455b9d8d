// SPDX-License-Identifier: Apache-2.0
// Temporary polynomial objects taken from the core library's allocator for
// the duration of one call (the irreducibility and primitivity tests).
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace vekdi {

// Status of the field that working polynomials over it would be initialised
// with: null, then a wrong identifier. Checked before anything is written.
inline VekStatus checkWorkingField(const FieldGF* field) {
    if (field == nullptr) return StatusNullPointer;
    if (field->id != kFieldId) return StatusContextMismatch;
    return StatusOk;
}

class WorkingPolys {
public:
    static constexpr int kMaxObjects = 4;

    WorkingPolys() = default;
    WorkingPolys(const WorkingPolys&) = delete;
    WorkingPolys& operator=(const WorkingPolys&) = delete;
    // Every block obtained is returned to the allocator, on every path.
    ~WorkingPolys();

    // Obtains one more object of maximal degree `maxDegree` over `field`
    // (already accepted by checkWorkingField): a block of the record's size
    // from vekMalloc, initialised in place. StatusNoMemory when the block is
    // not available or its size does not fit the allocator's int argument.
    VekStatus obtain(const FieldGF* field, int64_t maxDegree, PolyGF** out);

private:
    void* blocks_[kMaxObjects] = {};
    int count_ = 0;
};

}  // namespace vekdi
