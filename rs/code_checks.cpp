// SPDX-License-Identifier: Apache-2.0
#include "rs/code_checks.h"

#include <cstdint>
#include <cstring>

namespace vekdi {

VekStatus rsReportContextSize(int n, int k, int* sizeOut, int (*size)(int, int)) {
    if (sizeOut == nullptr) return StatusNullPointer;
    if (!rsLengthsInRange(n, k)) return StatusOutOfRange;
    *sizeOut = size(n, k);
    return StatusOk;
}

VekStatus rsCheckInitArgs(int n, int k, const FieldGF* field, unsigned root, const void* context) {
    if (field == nullptr || context == nullptr) return StatusNullPointer;
    if (field->id != kFieldId) return StatusContextMismatch;
    if (n != int(field->order) - 1 || k < 1 || k >= n) return StatusOutOfRange;
    if (root == 0 || root >= field->order) return StatusBadArgument;
    return StatusOk;
}

bool rsBytesInField(const uint8_t* bytes, int count, const FieldGF* field) {
    const unsigned order = field->order;
    if (order >= 256) return true;
    // The OR of all bytes, eight at a time (the last eight overlapping the
    // words before where count is not a multiple of eight): order is a power
    // of two, so any byte at or above it shows a bit at or above it in the OR.
    uint64_t seen = 0, word;
    if (count < 8) {
        for (int i = 0; i < count; ++i) seen |= bytes[i];
    } else {
        for (int i = 0; i + 8 <= count; i += 8) {
            std::memcpy(&word, bytes + i, 8);
            seen |= word;
        }
        std::memcpy(&word, bytes + count - 8, 8);
        seen |= word;
    }
    const uint64_t high = 0x0101010101010101u * uint8_t(~(order - 1));
    return (seen & high) == 0;
}

bool rsRegionsOverlap(const void* a, int aLen, const void* b, int bLen) {
    const auto pa = reinterpret_cast<uintptr_t>(a);
    const auto pb = reinterpret_cast<uintptr_t>(b);
    return pa < pb + uintptr_t(bLen) && pb < pa + uintptr_t(aLen);
}

}  // namespace vekdi
