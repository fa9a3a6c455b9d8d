// SPDX-License-Identifier: Apache-2.0
// The portable region kernel: one byte at a time through a product table per
// coefficient. It is the reference every vector variant is compared with.
#include <cstring>

#include "simd/region/region.h"

namespace vekdi::codes {

namespace {

void preparePortable(const uint8_t*, std::size_t, uint8_t*) {}

void dotPortable(const uint8_t* coefs, const uint8_t*, std::size_t stride, int rows, int cols,
                 const uint8_t* const* in, uint8_t* const* out, std::size_t length, bool accumulate) {
    for (int r = 0; r < rows; ++r) {
        uint8_t* o = out[r];
        if (!accumulate && length > 0) std::memset(o, 0, length);
        for (int c = 0; c < cols; ++c) {
            const uint8_t coef = coefs[static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(c)];
            const uint8_t* x = in[c];
            if (coef == 0) continue;
            if (coef == 1) {
                for (std::size_t i = 0; i < length; ++i) o[i] ^= x[i];
                continue;
            }
            uint8_t lo[16], hi[16], product[256];
            nibbleTables(coef, lo, hi);
            for (int v = 0; v < 256; ++v) product[v] = lo[v & 15] ^ hi[v >> 4];
            for (std::size_t i = 0; i < length; ++i) o[i] ^= product[x[i]];
        }
    }
}

}  // namespace

const RegionKernels regionPortable{"portable", 0, 0, preparePortable, dotPortable};

}  // namespace vekdi::codes
