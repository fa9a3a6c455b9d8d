// SPDX-License-Identifier: Apache-2.0
// The table-driven drivers of both decoders. Buffer layout: the buffer's
// first 16-byte boundary, then R in R16(n) bytes, the syndrome polynomial in
// R16(r + 1) (Berlekamp-Massey) or R16(s + r + 1) (Euclid) bytes, the two
// locator/evaluator areas of R16(r + 1) bytes each, then 7*R16(r) bytes of
// working space for the error values. Everything before the error values is
// in the tower basis; the codeword itself is never converted.
#include "rs/decode_fast.h"

#include <cstring>

#include "rs/errata.h"
#include "rs/kernels_fast.h"
#include "rs/kernels_generic.h"

namespace vekdi {
namespace {

uint8_t* alignUp16(uint8_t* p) {
    const auto a = reinterpret_cast<uintptr_t>(p);
    return p + ((16 - (a & 15)) & 15);
}

// R(x) = sum c[n-1-i] x^i, converted to the tower basis; zero up to R16(n).
void loadReceived(PolyGF* received, const uint8_t* codeword, const RSDecoder* d, const tower::TowerKernels& k) {
    const int n = d->n;
    uint8_t* c = received->coeffs;
    int i = 0;
    for (; i + 8 <= n; i += 8) {  // eight bytes at a time, reversed
        uint64_t v;
        std::memcpy(&v, codeword + n - 8 - i, 8);
        v = __builtin_bswap64(v);
        std::memcpy(c + i, &v, 8);
    }
    for (; i < n; ++i) c[i] = codeword[n - 1 - i];
    std::memset(c + n, 0, size_t(r16(n) - n));
    k.convert(c, c, n, d->toTower);
}

// Syndromes into `syn` (zeroed over its whole area first); true when all are 0.
bool syndromesVanish(PolyGF* syn, const PolyGF* received, const RSDecoder* d, const tower::TowerKernels& k) {
    std::memset(syn->coeffs, 0, size_t(syn->capacity));
    rsSyndromesFast(syn, received, d->syndromeBlocks, d->n - d->k, k);
    return syn->degree == 0;
}

bool errataExplainSyndromes(const ErrataList& errata, int b, const uint8_t* syndromes, int r, const RSDecoder* d,
                            const tower::TowerKernels& k) {
    if (k.errataSyndromes == nullptr) return rsErrataMatchesSyndromes(errata, d->towerPow, d->n, b, syndromes, r);
    uint8_t pattern[256];
    k.errataSyndromes(pattern, errata.exps, errata.logs, errata.count, b, r, d->towerPow);
    return std::memcmp(pattern, syndromes, size_t(r)) == 0;
}

// Error values for the listed positions with D = derivative of the errata
// locator and W = the evaluator; then the shared acceptance checks.
VekStatus finish(uint8_t* codeword, const RSDecoder* d, PolyGF* locator, const PolyGF* evaluator,
                 const uint8_t* positions, int count, uint8_t* scratch, const ErasureMap& map, int s,
                 const uint8_t* syndromes, const tower::TowerKernels& k) {
    rsFormalDerivative(locator, locator);
    uint8_t exps[256], logs[256];
    ErrataList errata{exps, logs, 0};
    if (rsErrorValuesFast(&errata, locator, evaluator, positions, count, scratch, d, k) != count)
        return StatusDecodeFailure;
    // The acceptance of rsAcceptErrata, with the syndrome comparison done by
    // the variant's kernel where it has one.
    const int r = d->n - d->k;
    const int b = logTable(d->field)[d->rootPowers[0]];
    if (!rsErrataWithinRadius(errata, map, s, r)) return StatusDecodeFailure;
    if (!errataExplainSyndromes(errata, b, syndromes, r, d, k)) return StatusDecodeFailure;
    rsApplyErrata(codeword, d->n, expTable(d->field), errata);
    return StatusOk;
}

}  // namespace

VekStatus rsDecodeBMFastWith(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer,
                             const tower::TowerKernels& k) {
    const FieldGF* f = d->field;
    const int n = d->n;
    const int r = n - d->k;
    const int s = rsErasureCount(erasures, count);
    const int area = r16(r + 1);
    PolyGF received, syn, omega, lambda;
    uint8_t* p = alignUp16(buffer);
    polyWrap(&received, f, p, r16(n), n - 1);
    polyWrap(&syn, f, p += r16(n), area, 0);
    polyWrap(&omega, f, p += area, area, 0);
    polyWrap(&lambda, f, p += area, area, 0);
    uint8_t* scratch = p + area;

    loadReceived(&received, codeword, d, k);
    if (syndromesVanish(&syn, &received, d, k)) return StatusOk;

    ErasureMap map;
    if (!rsMarkErasures(&map, erasures, s, n)) return StatusDecodeFailure;
    std::memset(lambda.coeffs, 0, size_t(area));
    lambda.coeffs[0] = 1;
    if (s != 0) rsErasureLocatorFast(&lambda, erasures, s, d, k);
    rsBerlekampMasseyFast(&lambda, &omega, &syn, d, k);

    uint8_t positions[256];
    const int found = rsChienSearchFast(positions, &lambda, d->chienBlocks, k);
    if (found != lambda.degree) return StatusDecodeFailure;
    return finish(codeword, d, &lambda, &omega, positions, found, scratch, map, s, syn.coeffs + 1, k);
}

VekStatus rsDecodeEEFastWith(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer,
                             const tower::TowerKernels& k) {
    const FieldGF* f = d->field;
    const int n = d->n;
    const int r = n - d->k;
    const int s = rsErasureCount(erasures, count);
    const int area = r16(r + 1);
    PolyGF received, syn, omega, sigma;
    uint8_t* p = alignUp16(buffer);
    polyWrap(&received, f, p, r16(n), n - 1);
    polyWrap(&syn, f, p += r16(n), r16(s + r + 1), 0);
    polyWrap(&omega, f, p += r16(s + r + 1), area, 0);
    polyWrap(&sigma, f, p += area, area, 0);
    uint8_t* scratch = p + area;

    loadReceived(&received, codeword, d, k);
    if (syndromesVanish(&syn, &received, d, k)) return StatusOk;

    ErasureMap map;
    if (!rsMarkErasures(&map, erasures, s, n)) return StatusDecodeFailure;
    uint8_t syndromes[256];
    std::memcpy(syndromes, syn.coeffs + 1, size_t(r));
    // T = syn * Gamma mod x^(r+1): the kernel caps the degree at r itself.
    if (s != 0) rsErasureLocatorFast(&syn, erasures, s, d, k);
    rsEuclidFast(&sigma, &omega, &syn, s, d, k);

    uint8_t positions[256];
    const int found = rsChienSearchFast(positions, &sigma, d->chienBlocks, k);
    if (found != sigma.degree) return StatusDecodeFailure;
    for (int i = 0; i < s; ++i) positions[found + i] = uint8_t(n - 1 - erasures[i]);
    if (s != 0) rsErasureLocatorFast(&sigma, erasures, s, d, k);
    return finish(codeword, d, &sigma, &omega, positions, found + s, scratch, map, s, syndromes, k);
}

VekStatus rsDecodeBMFast(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    return rsDecodeBMFastWith(erasures, count, codeword, d, buffer, tower::towerActive());
}

VekStatus rsDecodeEEFast(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    return rsDecodeEEFastWith(erasures, count, codeword, d, buffer, tower::towerActive());
}

}  // namespace vekdi
