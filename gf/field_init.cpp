// SPDX-License-Identifier: Apache-2.0
// Field initialisation: validate a caller's generator polynomial, choose the
// primitive element and build the tables.
#include "gf/field_init.h"

#include "gf/exports.h"
#include "gf/field.h"
#include "gf/mask_arith.h"
#include "poly/poly.h"

namespace vekdi {

uint32_t coeffsToMask(const uint8_t* coefficients, int m) {
    if (m < 0 || m > 31) return 0;
    uint32_t mask = 0;
    for (int i = m; i >= 0; --i) mask = (mask << 1) + coefficients[i];
    return mask;
}

namespace {

VekStatus checkGenerator(int m, const uint8_t* coeffs) {
    if (m < 1 || m > 8) return StatusOutOfRange;
    if (coeffs[m] != 1) return StatusBadArgument;
    for (int i = m - 1; i >= 0; --i) {
        if (coeffs[i] > 1) return StatusBadArgument;
    }
    return StatusOk;
}

}  // namespace

namespace gf {

VekStatus veksGFInit_8u(int m, const uint8_t* generatorCoeffs, VeksGFContext_8u* fieldCtx) {
    if (fieldCtx == nullptr || generatorCoeffs == nullptr) return StatusNullPointer;
    VekStatus status = checkGenerator(m, generatorCoeffs);
    if (status != StatusOk) return status;

    // The caller's array, read in place as a polynomial over GF(2); the tests
    // only read the coefficients of the object they are given.
    PolyGF generator;
    polyWrap(&generator, gfBuiltinBinaryField(), const_cast<uint8_t*>(generatorCoeffs), m + 1, m);
    int irreducible = 0;
    status = polyIrreducibleTest(&generator, &irreducible);
    if (status != StatusOk) return status;
    if (irreducible != 1) return StatusBadArgument;
    int primitive = 0;
    status = polyPrimitiveTest(&generator, 1, &primitive);
    if (status != StatusOk) return status;

    const uint32_t mask = coeffsToMask(generatorCoeffs, m);
    // The primitivity test has decided whether x generates the group (its
    // statuses are this export's); fieldAlphaFor makes the same choice.
    gfBuildTables(fieldCtx, m, mask, primitive == 1 ? 2u : fieldAlphaFor(mask, m));
    return StatusOk;
}

}  // namespace gf

}  // namespace vekdi
