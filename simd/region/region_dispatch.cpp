// SPDX-License-Identifier: Apache-2.0
#include <array>
#include <cstring>

#include "simd/region/gf256.h"
#include "simd/region/region.h"
#include "simd/variants.h"

namespace vekdi::codes {

std::span<const RegionKernels* const> regionVariants() { return simd::regionVariants(); }

bool regionSupported(const RegionKernels& k) { return simd::cpuHas(k.requiredFeatures); }

const RegionKernels& regionKernels() {
    static const RegionKernels& chosen = *simd::chooseVariant(simd::regionVariants());
    return chosen;
}

namespace {

// Both coefficient tables of every element, made at compile time: a decode
// prepares its tables in every call, so they cost a copy, not a computation.
struct CoefficientTables {
    uint64_t gfni[256];
    uint8_t nibbles[256][32];  // the products with the low nibbles, then with the high ones
};

constexpr CoefficientTables makeCoefficientTables() {
    CoefficientTables t{};
    for (int c = 0; c < 256; ++c) {
        // Output bit i is the parity of (byte 7 - i of the matrix) AND x, so that
        // byte collects the input bits j whose product c * x^j has bit i set.
        uint64_t matrix = 0;
        for (int j = 0; j < 8; ++j) {
            const uint8_t column = gfMul(static_cast<uint8_t>(c), static_cast<uint8_t>(1u << j));
            for (int i = 0; i < 8; ++i)
                if ((column >> i) & 1u) matrix |= uint64_t(1) << (8 * (7 - i) + j);
        }
        t.gfni[c] = matrix;
        for (int x = 0; x < 16; ++x) {
            t.nibbles[c][x] = gfMul(static_cast<uint8_t>(c), static_cast<uint8_t>(x));
            t.nibbles[c][16 + x] = gfMul(static_cast<uint8_t>(c), static_cast<uint8_t>(x << 4));
        }
    }
    return t;
}

constexpr CoefficientTables kCoefficientTables = makeCoefficientTables();

}  // namespace

uint64_t gfniMatrix(uint8_t c) { return kCoefficientTables.gfni[c]; }

void nibbleTables(uint8_t c, uint8_t* lo16, uint8_t* hi16) {
    std::memcpy(lo16, kCoefficientTables.nibbles[c], 16);
    std::memcpy(hi16, kCoefficientTables.nibbles[c] + 16, 16);
}

}  // namespace vekdi::codes
