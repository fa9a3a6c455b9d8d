// SPDX-License-Identifier: Apache-2.0
// Argument checks shared by the encoder and decoder exports.
#pragma once

#include <cstdint>

#include "gf/field.h"
#include "vekdi.h"

namespace vekdi {

// Lengths the size queries accept: 2 <= n <= 255, 1 <= k < n (no field needed).
inline bool rsLengthsInRange(int n, int k) { return n >= 2 && n <= 255 && k >= 1 && k < n; }

// The size query of both contexts: null output, then the lengths, then
// *sizeOut = size(n, k).
VekStatus rsReportContextSize(int n, int k, int* sizeOut, int (*size)(int, int));

// Checks of both initialisers, in order: null pointers, the field's
// identifier, n = order - 1 and 1 <= k < n, then 0 < root < order.
VekStatus rsCheckInitArgs(int n, int k, const FieldGF* field, unsigned root, const void* context);

// True when every byte is an element of the field (below its order).
bool rsBytesInField(const uint8_t* bytes, int count, const FieldGF* field);

// True when [a, a + aLen) and [b, b + bLen) share a byte; compares addresses
// as integers, so unrelated objects can be compared.
bool rsRegionsOverlap(const void* a, int aLen, const void* b, int bLen);

}  // namespace vekdi
