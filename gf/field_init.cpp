// SPDX-License-Identifier: Apache-2.0
// Field initialisation: validate a caller's generator polynomial, choose the
// primitive element and build the tables.
#include "gf/field_init.h"

#include "frame/impl.h"
#include "gf/field.h"
#include "poly/poly.h"
#include "poly/prime_divisors.h"

namespace vekdi {

uint32_t coeffsToMask(const uint8_t* coefficients, int m) {
    if (m < 0 || m > 31) return 0;
    uint32_t mask = 0;
    for (int i = m; i >= 0; --i) mask = (mask << 1) + coefficients[i];
    return mask;
}

bool isFieldGenerator(uint32_t c, uint32_t generatorMask, int m) {
    const uint32_t n = (1u << m) - 1u;
    const uint32_t* row = primeDivisorList(m);
    const int count = primeDivisorCount(m);
    for (int j = 1; j < count; ++j) {
        if (maskPowMod(c, n / row[j], generatorMask, m) == 1) return false;
    }
    return true;
}

namespace {

// The primitive element: x when the generator is primitive, otherwise the
// smallest generating element; 2^m when none exists (only for m = 1, where
// the tables do not depend on it).
uint32_t chooseAlpha(bool primitive, uint32_t generatorMask, int m) {
    if (primitive) return 2;
    uint32_t c = 1;
    while (c < (1u << m) && !isFieldGenerator(c, generatorMask, m)) ++c;
    return c;
}

VekStatus checkGenerator(int m, const uint8_t* coeffs) {
    if (m < 1 || m > 8) return StatusOutOfRange;
    if (coeffs[m] != 1) return StatusBadArgument;
    for (int i = m - 1; i >= 0; --i) {
        if (coeffs[i] > 1) return StatusBadArgument;
    }
    return StatusOk;
}

}  // namespace

namespace impl {

VekStatus veksGFInit_8u(int m, const uint8_t* generatorCoeffs, VeksGFSpec_8u* fieldCtx) {
    if (fieldCtx == nullptr || generatorCoeffs == nullptr) return StatusNullPointer;
    VekStatus status = checkGenerator(m, generatorCoeffs);
    if (status != StatusOk) return status;

    // The caller's array, read in place as a polynomial over GF(2); the tests
    // only read the coefficients of the object they are given.
    PolyGF generator;
    polyWrap(&generator, gfBuiltinBinaryField(), const_cast<uint8_t*>(generatorCoeffs), m + 1, m);
    int irreducible = 0;
    status = impl::veksPolyGFIrreducible_8u(&generator, &irreducible);
    if (status != StatusOk) return status;
    if (irreducible != 1) return StatusBadArgument;
    int primitive = 0;
    status = impl::veksPolyGFPrimitive_8u(&generator, 1, &primitive);
    if (status != StatusOk) return status;

    const uint32_t mask = coeffsToMask(generatorCoeffs, m);
    gfBuildTables(fieldCtx, m, mask, chooseAlpha(primitive == 1, mask, m));
    return StatusOk;
}

}  // namespace impl

}  // namespace vekdi
