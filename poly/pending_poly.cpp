// PENDING: temporary entries until this family lands; each is removed as its
// real implementation arrives. Nothing here is a finished implementation.
#include "frame/impl.h"
#include "poly/poly.h"

namespace vekdi {
void polyRemainder(PolyGF*, const PolyGF*, const PolyGF*) {}
void polyMulSchoolbook(PolyGF*, const PolyGF*, const PolyGF*) {}
void polyCopyNormalised(PolyGF*, const PolyGF*) {}
}  // namespace vekdi

namespace vekdi::impl {

VekStatus veksPolyGFGetSize_8u(int maxDegree, int* sizeOut) {
    (void)maxDegree, (void)sizeOut;
    return StatusBadArgument;
}

VekStatus veksPolyGFInit_8u(const VeksGFSpec_8u* fieldCtx, int maxDegree, VeksPolyGF_8u* poly) {
    (void)fieldCtx, (void)maxDegree, (void)poly;
    return StatusBadArgument;
}

VekStatus veksPolyGFSetCoeffs_8u(const uint8_t* coeffsIn, int degree, VeksPolyGF_8u* poly) {
    (void)coeffsIn, (void)degree, (void)poly;
    return StatusBadArgument;
}

VekStatus veksPolyGFSetDegree_8u(int degree, VeksPolyGF_8u* poly) {
    (void)degree, (void)poly;
    return StatusBadArgument;
}

VekStatus veksPolyGFGetRef_8u(uint8_t** coeffsOut, int* degreeOut, const VeksGFSpec_8u** fieldOut, const VeksPolyGF_8u* poly) {
    (void)coeffsOut, (void)degreeOut, (void)fieldOut, (void)poly;
    return StatusBadArgument;
}

VekStatus veksPolyGFCopy_8u(const VeksPolyGF_8u* src, VeksPolyGF_8u* dst) {
    (void)src, (void)dst;
    return StatusBadArgument;
}

VekStatus veksPolyGFAdd_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    (void)a, (void)b, (void)r;
    return StatusBadArgument;
}

VekStatus veksPolyGFMul_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    (void)a, (void)b, (void)r;
    return StatusBadArgument;
}

VekStatus veksPolyGFShlC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r) {
    (void)a, (void)shift, (void)r;
    return StatusBadArgument;
}

VekStatus veksPolyGFShrC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r) {
    (void)a, (void)shift, (void)r;
    return StatusBadArgument;
}

VekStatus veksPolyGFDerive_8u(const VeksPolyGF_8u* a, VeksPolyGF_8u* r) {
    (void)a, (void)r;
    return StatusBadArgument;
}

VekStatus veksPolyGFValue_8u(const VeksPolyGF_8u* a, uint8_t x, uint8_t* valueOut) {
    (void)a, (void)x, (void)valueOut;
    return StatusBadArgument;
}

VekStatus veksPolyGFDiv_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* q, VeksPolyGF_8u* r) {
    (void)a, (void)b, (void)q, (void)r;
    return StatusBadArgument;
}

VekStatus veksPolyGFMod_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    (void)a, (void)b, (void)r;
    return StatusBadArgument;
}

VekStatus veksPolyGFRoots_8u(const VeksPolyGF_8u* p, uint8_t* roots, int* countOut) {
    (void)p, (void)roots, (void)countOut;
    return StatusBadArgument;
}

VekStatus veksPolyGFGCD_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* g) {
    (void)a, (void)b, (void)g;
    return StatusBadArgument;
}

}  // namespace vekdi::impl
