// PENDING: temporary entries until this family lands; each is removed as its
// real implementation arrives. Nothing here is a finished implementation.
#include "frame/impl.h"
#include "poly/poly.h"

namespace vekdi::impl {

VekStatus veksGFInit_8u(int m, const uint8_t* generatorCoeffs, VeksGFSpec_8u* fieldCtx) {
    (void)m, (void)generatorCoeffs, (void)fieldCtx;
    return StatusBadArgument;
}

VekStatus veksPolyGFIrreducible_8u(const VeksPolyGF_8u* f, int* result) {
    (void)f, (void)result;
    return StatusBadArgument;
}

VekStatus veksPolyGFPrimitive_8u(const VeksPolyGF_8u* f, int assumeIrreducible, int* result) {
    (void)f, (void)assumeIrreducible, (void)result;
    return StatusBadArgument;
}

}  // namespace vekdi::impl
