// SPDX-License-Identifier: Apache-2.0
// The Chien search: the roots of a polynomial among the field's nonzero
// elements.
#include "simd/tower/gfni/common.h"

namespace vekdi::tower {
namespace {

// The roots among gamma^1 ... gamma^255 of a polynomial (count <= 512
// coefficients): its values at all 256 points of the Chien blocks, eight
// vectors side by side, and the zero lanes straight from the comparisons;
// zero is zero in every basis, so the values never leave the AES basis.
int chienRoots(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks) {
    const AesBasis& basis = aesBasis();
    alignas(32) uint8_t c[kMaxCoefficients + 64];
    coefficientsToAes(c, coeffs, count, basis.toAes);
    __m256i x[8], v[8];
    for (int i = 0; i < 8; ++i) x[i] = pointsOf(blocks + 128 * i, 64, basis.toAes);
    hornerMany<8>(v, x, c, count);
    int found = 0;
    for (int i = 0; i < 8; ++i) {
        auto zeros = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v[i], _mm256_setzero_si256())));
        if (i == 0) zeros &= ~1u;  // gamma^0 is gamma^255, not a position
        for (; zeros != 0; zeros &= zeros - 1) out[found++] = uint8_t(255 - 32 * i - __builtin_ctz(zeros));
    }
    return found;
}

}  // namespace

namespace gfni {

int chienRoots(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks) {
    return tower::chienRoots(out, coeffs, count, blocks);
}

}  // namespace gfni
}  // namespace vekdi::tower
