// SPDX-License-Identifier: Apache-2.0
// Changes of basis: a buffer through a basis-change matrix, and the
// received word reversed and converted in one pass.
#include "simd/tower/gfni/common.h"

namespace vekdi::tower {
namespace {

// The received word as R(x), reversed and in the tower basis in one pass;
// a word shorter than a vector, or a matrix that differs between lanes, by
// the byte loop and the general conversion.
void convertReversed(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) {
    const int end = groupBytes(len);
    if (len < 32 || !rowsAreBroadcast(matrix)) {
        for (int i = 0; i < len; ++i) out[i] = in[len - 1 - i];
        for (int i = len; i < end; ++i) out[i] = 0;
        convert(out, out, len, matrix);
        return;
    }
    const __m256i m = _mm256_set1_epi64x(static_cast<long long>(affineOperand(matrix)));
    int i = 0;
    for (; i + 32 <= len; i += 32) Avx2Ops::store(out + i, affine(reverseLanes(Avx2Ops::load(in + len - i - 32)), m));
    if (i < len) Avx2Ops::store(out + len - 32, affine(reverseLanes(Avx2Ops::load(in)), m));  // the last 32, again
    for (i = len; i < end; ++i) out[i] = 0;
}

}  // namespace

namespace gfni {

void convert(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) { tower::convert(out, in, len, matrix); }

void convertReversed(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) {
    tower::convertReversed(out, in, len, matrix);
}

}  // namespace gfni
}  // namespace vekdi::tower
