// SPDX-License-Identifier: Apache-2.0
// Euclidean decoding: the export and the driver on the generic kernels.
#include <cstring>

#include "frame/impl.h"
#include "rs/decode.h"
#include "rs/decode_fast.h"
#include "rs/errata.h"
#include "rs/kernels_generic.h"

namespace vekdi {

// Scratch layout: R (n), syndromes / modified syndromes (s + r + 1), omega
// (r + 1), sigma (r + 1), x^(r+1) (r + 2), then a copy of the syndromes, the
// position list, the error exponents and their logarithms (r each).
VekStatus rsDecodeEEGeneric(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    const FieldGF* f = d->field;
    const int n = d->n;
    const int r = n - d->k;
    const int s = rsErasureCount(erasures, count);
    PolyGF received, syn, omega, sigma, xr;
    uint8_t* p = buffer;
    polyWrap(&received, f, p, n, n - 1);
    polyWrap(&syn, f, p += n, s + r + 1, 0);
    polyWrap(&omega, f, p += s + r + 1, r + 1, 0);
    polyWrap(&sigma, f, p += r + 1, r + 1, 0);
    polyWrap(&xr, f, p += r + 1, r + 2, r + 1);
    uint8_t* syndromes = p += r + 2;
    uint8_t* positions = p += r;
    ErrataList errata{p += r, p + r, 0};

    for (int i = 0; i < n; ++i) received.coeffs[i] = codeword[n - 1 - i];
    rsSyndromesGeneric(&syn, &received, d->rootPowers, r);
    if (syn.degree == 0) return StatusOk;

    ErasureMap map;
    if (!rsMarkErasures(&map, erasures, s, n)) return StatusDecodeFailure;
    std::memcpy(syndromes, syn.coeffs + 1, size_t(r));
    omega.coeffs[0] = 0;
    sigma.coeffs[0] = 0;
    std::memset(xr.coeffs, 0, size_t(r + 1));
    xr.coeffs[r + 1] = 1;

    if (s != 0) {
        rsErasureLocatorGeneric(&syn, erasures, s, d);
        for (int i = syn.degree + 1; i <= r; ++i) syn.coeffs[i] = 0;
        syn.degree = polyNormalDegree(syn.coeffs, r);
    }
    rsEuclid(&sigma, &omega, &syn, &xr, (s + r) / 2);

    const int found = rsChienSearchGeneric(positions, &sigma);
    if (found != sigma.degree) return StatusDecodeFailure;
    for (int i = 0; i < s; ++i) positions[found + i] = uint8_t(n - 1 - erasures[i]);
    rsErasureLocatorGeneric(&sigma, erasures, s, d);
    rsFormalDerivative(&sigma, &sigma);
    if (rsErrorValuesGeneric(&errata, &sigma, &omega, positions, found + s, d) < 0) return StatusDecodeFailure;
    return rsAcceptErrata(codeword, d, errata, map, s, expTable(f), syndromes);
}

namespace impl {

VekStatus veksRSDecodeEE_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecodeSpec_8u* decoder,
                            uint8_t* buffer) {
    return rsDecodeChecked(erasures, erasureCount, codeword, decoder, buffer, eeBufferSize, rsDecodeEEGeneric,
                           rsDecodeEEFast);
}

}  // namespace impl
}  // namespace vekdi
