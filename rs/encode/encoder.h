// SPDX-License-Identifier: Apache-2.0
// Reed-Solomon encoder context.
#pragma once

#include <cstdint>

#include "poly/poly.h"

// Header (identifier, n, k, field, generator pointer) followed directly by
// the embedded generator polynomial object: 20 + 21 + (n - k) bytes with
// 32-bit pointers. Packed like the polynomial object.
struct VEKDI_RECORD VeksRSEncoder_8u {
    uint32_t id;  // vekdi::kEncoderId
    int32_t n;
    int32_t k;
    VEKDI_POINTER_PAD
    const VeksGFContext_8u* field;
    VeksPolyGF_8u* generator;  // points at the object right after this header
};

namespace vekdi {

using RSEncoder = VeksRSEncoder_8u;

inline constexpr int kEncoderHeaderSize = static_cast<int>(sizeof(RSEncoder));
static_assert(sizeof(void*) != 4 || kEncoderHeaderSize == 20, "32-bit layout is 20 bytes");
static_assert(sizeof(void*) != 8 || kEncoderHeaderSize == 32, "64-bit layout is 32 bytes");

inline int encoderContextSize(int n, int k) { return kEncoderHeaderSize + kPolyHeaderSize + (n - k) + 1; }

}  // namespace vekdi
