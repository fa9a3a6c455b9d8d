// SPDX-License-Identifier: Apache-2.0
// The 41 exported entry points. Each continues at its slot of the
// implementation table with its arguments untouched.
#include "vekdi.h"

#include "frame/table.h"

using vekdi::kImplTable;

extern "C" {
VEKDI_API const VekdiLibVersion* vekdiGetLibVersion(void) {
    return kImplTable.getLibVersion();
}

VEKDI_API VekStatus veksGFAdd_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfAdd(a, b, result, fieldCtx);
}

VEKDI_API VekStatus veksGFDiv_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfDiv(a, b, result, fieldCtx);
}

VEKDI_API VekStatus veksGFExpAlpha_8u(uint8_t e, uint8_t* result, const VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfExpAlpha(e, result, fieldCtx);
}

VEKDI_API VekStatus veksGFGetSize_8u(int m, int* sizeOut) {
    return kImplTable.gfGetSize(m, sizeOut);
}

VEKDI_API VekStatus veksGFInit_8u(int m, const uint8_t* generatorCoeffs, VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfInit(m, generatorCoeffs, fieldCtx);
}

VEKDI_API VekStatus veksGFInv_8u(uint8_t a, uint8_t* result, const VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfInv(a, result, fieldCtx);
}

VEKDI_API VekStatus veksGFLogAlpha_8u(uint8_t a, uint8_t* result, const VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfLogAlpha(a, result, fieldCtx);
}

VEKDI_API VekStatus veksGFMul_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfMul(a, b, result, fieldCtx);
}

VEKDI_API VekStatus veksGFNeg_8u(uint8_t a, uint8_t* result, const VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfNeg(a, result, fieldCtx);
}

VEKDI_API VekStatus veksGFPow_8u(uint8_t a, int e, uint8_t* result, const VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfPow(a, e, result, fieldCtx);
}

VEKDI_API VekStatus veksGFSub_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFSpec_8u* fieldCtx) {
    return kImplTable.gfSub(a, b, result, fieldCtx);
}

VEKDI_API VekStatus veksPolyGFAdd_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    return kImplTable.polyAdd(a, b, r);
}

VEKDI_API VekStatus veksPolyGFCopy_8u(const VeksPolyGF_8u* src, VeksPolyGF_8u* dst) {
    return kImplTable.polyCopy(src, dst);
}

VEKDI_API VekStatus veksPolyGFDerive_8u(const VeksPolyGF_8u* a, VeksPolyGF_8u* r) {
    return kImplTable.polyDerive(a, r);
}

VEKDI_API VekStatus veksPolyGFDiv_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* q, VeksPolyGF_8u* r) {
    return kImplTable.polyDiv(a, b, q, r);
}

VEKDI_API VekStatus veksPolyGFGCD_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* g) {
    return kImplTable.polyGCD(a, b, g);
}

VEKDI_API VekStatus veksPolyGFGetRef_8u(uint8_t** coeffsOut, int* degreeOut, const VeksGFSpec_8u** fieldOut, const VeksPolyGF_8u* poly) {
    return kImplTable.polyGetRef(coeffsOut, degreeOut, fieldOut, poly);
}

VEKDI_API VekStatus veksPolyGFGetSize_8u(int maxDegree, int* sizeOut) {
    return kImplTable.polyGetSize(maxDegree, sizeOut);
}

VEKDI_API VekStatus veksPolyGFInit_8u(const VeksGFSpec_8u* fieldCtx, int maxDegree, VeksPolyGF_8u* poly) {
    return kImplTable.polyInit(fieldCtx, maxDegree, poly);
}

VEKDI_API VekStatus veksPolyGFIrreducible_8u(const VeksPolyGF_8u* f, int* result) {
    return kImplTable.polyIrreducible(f, result);
}

VEKDI_API VekStatus veksPolyGFMod_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    return kImplTable.polyMod(a, b, r);
}

VEKDI_API VekStatus veksPolyGFMul_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    return kImplTable.polyMul(a, b, r);
}

VEKDI_API VekStatus veksPolyGFPrimitive_8u(const VeksPolyGF_8u* f, int assumeIrreducible, int* result) {
    return kImplTable.polyPrimitive(f, assumeIrreducible, result);
}

VEKDI_API VekStatus veksPolyGFRoots_8u(const VeksPolyGF_8u* p, uint8_t* roots, int* countOut) {
    return kImplTable.polyRoots(p, roots, countOut);
}

VEKDI_API VekStatus veksPolyGFSetCoeffs_8u(const uint8_t* coeffsIn, int degree, VeksPolyGF_8u* poly) {
    return kImplTable.polySetCoeffs(coeffsIn, degree, poly);
}

VEKDI_API VekStatus veksPolyGFSetDegree_8u(int degree, VeksPolyGF_8u* poly) {
    return kImplTable.polySetDegree(degree, poly);
}

VEKDI_API VekStatus veksPolyGFShlC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r) {
    return kImplTable.polyShlC(a, shift, r);
}

VEKDI_API VekStatus veksPolyGFShrC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r) {
    return kImplTable.polyShrC(a, shift, r);
}

VEKDI_API VekStatus veksPolyGFSub_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    return kImplTable.polySub(a, b, r);
}

VEKDI_API VekStatus veksPolyGFValue_8u(const VeksPolyGF_8u* a, uint8_t x, uint8_t* valueOut) {
    return kImplTable.polyValue(a, x, valueOut);
}

VEKDI_API VekStatus veksRSDecodeBMGetBufferSize_8u(const VeksRSDecodeSpec_8u* decoder, int* sizeOut) {
    return kImplTable.rsDecodeBMGetBufferSize(decoder, sizeOut);
}

VEKDI_API VekStatus veksRSDecodeBM_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecodeSpec_8u* decoder, uint8_t* buffer) {
    return kImplTable.rsDecodeBM(erasures, erasureCount, codeword, decoder, buffer);
}

VEKDI_API VekStatus veksRSDecodeEEGetBufferSize_8u(const VeksRSDecodeSpec_8u* decoder, int* sizeOut) {
    return kImplTable.rsDecodeEEGetBufferSize(decoder, sizeOut);
}

VEKDI_API VekStatus veksRSDecodeEE_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecodeSpec_8u* decoder, uint8_t* buffer) {
    return kImplTable.rsDecodeEE(erasures, erasureCount, codeword, decoder, buffer);
}

VEKDI_API VekStatus veksRSDecodeGetSize_8u(int n, int k, int* sizeOut) {
    return kImplTable.rsDecodeGetSize(n, k, sizeOut);
}

VEKDI_API VekStatus veksRSDecodeInit_8u(int n, int k, const VeksGFSpec_8u* fieldCtx, uint8_t root, VeksRSDecodeSpec_8u* decoder) {
    return kImplTable.rsDecodeInit(n, k, fieldCtx, root, decoder);
}

VEKDI_API VekStatus veksRSEncodeGetBufferSize_8u(const VeksRSEncodeSpec_8u* encoder, int* sizeOut) {
    return kImplTable.rsEncodeGetBufferSize(encoder, sizeOut);
}

VEKDI_API VekStatus veksRSEncodeGetSize_8u(int n, int k, int* sizeOut) {
    return kImplTable.rsEncodeGetSize(n, k, sizeOut);
}

VEKDI_API VekStatus veksRSEncodeInit_8u(int n, int k, const VeksGFSpec_8u* fieldCtx, uint8_t root, VeksRSEncodeSpec_8u* encoder) {
    return kImplTable.rsEncodeInit(n, k, fieldCtx, root, encoder);
}

VEKDI_API VekStatus veksRSEncode_8u(const uint8_t* message, uint8_t* codeword, const VeksRSEncodeSpec_8u* encoder, uint8_t* buffer) {
    return kImplTable.rsEncode(message, codeword, encoder, buffer);
}

}  // extern "C"
