// SPDX-License-Identifier: Apache-2.0
// Berlekamp-Massey decoding: the export and the driver on the generic kernels.
#include "frame/impl.h"
#include "rs/decode.h"
#include "rs/decode_fast.h"
#include "rs/errata.h"
#include "rs/kernels_generic.h"

namespace vekdi {

// Scratch layout: R (n), syndromes (r + 1), omega (r + 1), lambda (r + 1),
// then the position list, the error exponents and their logarithms (r each).
VekStatus rsDecodeBMGeneric(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    const FieldGF* f = d->field;
    const int n = d->n;
    const int r = n - d->k;
    const int s = rsErasureCount(erasures, count);
    PolyGF received, syn, omega, lambda;
    uint8_t* p = buffer;
    polyWrap(&received, f, p, n, n - 1);
    polyWrap(&syn, f, p += n, r + 1, 0);
    polyWrap(&omega, f, p += r + 1, r + 1, 0);
    polyWrap(&lambda, f, p += r + 1, r + 1, 0);
    uint8_t* positions = p += r + 1;
    ErrataList errata{p += r, p + r, 0};

    for (int i = 0; i < n; ++i) received.coeffs[i] = codeword[n - 1 - i];
    rsSyndromesGeneric(&syn, &received, d->rootPowers, r);
    if (syn.degree == 0) return StatusOk;

    ErasureMap map;
    if (!rsMarkErasures(&map, erasures, s, n)) return StatusDecodeFailure;
    lambda.coeffs[0] = 1;
    rsErasureLocatorGeneric(&lambda, erasures, s, d);
    rsBerlekampMassey(&lambda, &omega, &syn, d);

    const int found = rsChienSearchGeneric(positions, &lambda);
    if (found != lambda.degree) return StatusDecodeFailure;
    rsFormalDerivative(&lambda, &lambda);
    if (rsErrorValuesGeneric(&errata, &lambda, &omega, positions, found, d) < 0) return StatusDecodeFailure;
    return rsAcceptErrata(codeword, d, errata, map, s, expTable(f), syn.coeffs + 1);
}

namespace impl {

VekStatus veksRSDecodeBM_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecodeSpec_8u* decoder,
                            uint8_t* buffer) {
    return rsDecodeChecked(erasures, erasureCount, codeword, decoder, buffer, bmBufferSize, rsDecodeBMGeneric,
                           rsDecodeBMFast);
}

}  // namespace impl
}  // namespace vekdi
