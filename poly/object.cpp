// SPDX-License-Identifier: Apache-2.0
// The polynomial object: size query, initialisation, filling, resizing,
// inspection and copying.
#include <climits>

#include "poly/exports.h"
#include "poly/coefficients.h"

namespace vekdi {

void polyCopyNormalised(PolyGF* dst, const PolyGF* src) {
    const int d = polyNormalDegree(src->coeffs, src->degree);
    dst->degree = d;
    coeffMove(dst->coeffs, src->coeffs, d + 1);
    dst->field = src->field;
}

void polyInitInPlace(PolyGF* p, const FieldGF* field, int maxDegree) {
    p->field = field;
    p->id = kPolyId;
    p->capacity = maxDegree + 1;
    p->degree = 0;
    p->coeffs = polyInlineStorage(p);
    p->coeffs[0] = 0;
}

namespace {
// Largest maximum degree whose record size still fits an int.
constexpr int kMaxDegreeLimit = INT_MAX - kPolyHeaderSize - 1;

bool maxDegreeValid(int maxDegree) { return maxDegree >= 0 && maxDegree <= kMaxDegreeLimit; }
}  // namespace

}  // namespace vekdi

namespace vekdi::poly {

VekStatus veksPolyGFGetSize_8u(int maxDegree, int* sizeOut) {
    if (sizeOut == nullptr) return StatusNullPointer;
    if (!maxDegreeValid(maxDegree)) return StatusBadArgument;
    *sizeOut = kPolyHeaderSize + maxDegree + 1;
    return StatusOk;
}

// The maximum degree is checked before the field's identifier.
VekStatus veksPolyGFInit_8u(const VeksGFContext_8u* fieldCtx, int maxDegree, VeksPolyGF_8u* poly) {
    if (fieldCtx == nullptr || poly == nullptr) return StatusNullPointer;
    if (!maxDegreeValid(maxDegree)) return StatusBadArgument;
    if (fieldCtx->id != kFieldId) return StatusContextMismatch;
    polyInitInPlace(poly, fieldCtx, maxDegree);
    return StatusOk;
}

// Stores the degree as given (a zero leading coefficient is kept).
VekStatus veksPolyGFSetCoeffs_8u(const uint8_t* coeffsIn, int degree, VeksPolyGF_8u* poly) {
    if (coeffsIn == nullptr || poly == nullptr) return StatusNullPointer;
    if (!polyIdOk(poly)) return StatusContextMismatch;
    if (degree < 0 || degree >= poly->capacity) return StatusBadArgument;
    const unsigned order = poly->field->order;
    for (int i = 0; i <= degree; ++i)
        if (coeffsIn[i] >= order) return StatusOutOfRange;
    coeffMove(poly->coeffs, coeffsIn, degree + 1);
    poly->degree = degree;
    return StatusOk;
}

// Raising the degree clears the new slots; lowering it changes no coefficient.
VekStatus veksPolyGFSetDegree_8u(int degree, VeksPolyGF_8u* poly) {
    if (poly == nullptr) return StatusNullPointer;
    if (!polyIdOk(poly)) return StatusContextMismatch;
    if (degree < 0 || degree >= poly->capacity) return StatusBadArgument;
    if (degree > poly->degree) coeffZero(poly->coeffs + poly->degree + 1, degree - poly->degree);
    poly->degree = degree;
    return StatusOk;
}

VekStatus veksPolyGFGetRef_8u(uint8_t** coeffsOut, int* degreeOut, const VeksGFContext_8u** fieldOut,
                              const VeksPolyGF_8u* poly) {
    if (poly == nullptr) return StatusNullPointer;
    if (!polyIdOk(poly)) return StatusContextMismatch;
    if (coeffsOut != nullptr) *coeffsOut = poly->coeffs;
    if (degreeOut != nullptr) *degreeOut = poly->degree;
    if (fieldOut != nullptr) *fieldOut = poly->field;
    return StatusOk;
}

// The destination takes the source's normalised degree and its field. A
// destination too small for the normalised source is refused.
VekStatus veksPolyGFCopy_8u(const VeksPolyGF_8u* src, VeksPolyGF_8u* dst) {
    if (dst == nullptr || src == nullptr) return StatusNullPointer;
    if (!polyIdOk(dst) || !polyIdOk(src)) return StatusContextMismatch;
    if (polyNormalDegree(src->coeffs, src->degree) >= dst->capacity) return StatusDestinationTooSmall;
    polyCopyNormalised(dst, src);
    return StatusOk;
}

}  // namespace vekdi::poly
