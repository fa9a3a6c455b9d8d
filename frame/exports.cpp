// SPDX-License-Identifier: Apache-2.0
// The 41 exported entry points. Each continues at its slot of the
// implementation table with its arguments untouched.
#include "vekdi.h"

#include "frame/table.h"

using vekdi::kImplTable;

extern "C" {
VEKDI_API const VekdiLibVersion* vekdiGetLibVersion(void) {
    return kImplTable.vekdiGetLibVersion();
}

VEKDI_API VekStatus veksGFAdd_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFAdd_8u(a, b, result, fieldCtx);
}

VEKDI_API VekStatus veksGFDiv_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFDiv_8u(a, b, result, fieldCtx);
}

VEKDI_API VekStatus veksGFExpAlpha_8u(uint8_t e, uint8_t* result, const VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFExpAlpha_8u(e, result, fieldCtx);
}

VEKDI_API VekStatus veksGFGetSize_8u(int m, int* sizeOut) {
    return kImplTable.veksGFGetSize_8u(m, sizeOut);
}

VEKDI_API VekStatus veksGFInit_8u(int m, const uint8_t* generatorCoeffs, VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFInit_8u(m, generatorCoeffs, fieldCtx);
}

VEKDI_API VekStatus veksGFInv_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFInv_8u(a, result, fieldCtx);
}

VEKDI_API VekStatus veksGFLogAlpha_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFLogAlpha_8u(a, result, fieldCtx);
}

VEKDI_API VekStatus veksGFMul_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFMul_8u(a, b, result, fieldCtx);
}

VEKDI_API VekStatus veksGFNeg_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFNeg_8u(a, result, fieldCtx);
}

VEKDI_API VekStatus veksGFPow_8u(uint8_t a, int e, uint8_t* result, const VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFPow_8u(a, e, result, fieldCtx);
}

VEKDI_API VekStatus veksGFSub_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx) {
    return kImplTable.veksGFSub_8u(a, b, result, fieldCtx);
}

VEKDI_API VekStatus veksPolyGFAdd_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    return kImplTable.veksPolyGFAdd_8u(a, b, r);
}

VEKDI_API VekStatus veksPolyGFCopy_8u(const VeksPolyGF_8u* src, VeksPolyGF_8u* dst) {
    return kImplTable.veksPolyGFCopy_8u(src, dst);
}

VEKDI_API VekStatus veksPolyGFDerive_8u(const VeksPolyGF_8u* a, VeksPolyGF_8u* r) {
    return kImplTable.veksPolyGFDerive_8u(a, r);
}

VEKDI_API VekStatus veksPolyGFDiv_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* q, VeksPolyGF_8u* r) {
    return kImplTable.veksPolyGFDiv_8u(a, b, q, r);
}

VEKDI_API VekStatus veksPolyGFGCD_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* g) {
    return kImplTable.veksPolyGFGCD_8u(a, b, g);
}

VEKDI_API VekStatus veksPolyGFGetRef_8u(uint8_t** coeffsOut, int* degreeOut, const VeksGFContext_8u** fieldOut, const VeksPolyGF_8u* poly) {
    return kImplTable.veksPolyGFGetRef_8u(coeffsOut, degreeOut, fieldOut, poly);
}

VEKDI_API VekStatus veksPolyGFGetSize_8u(int maxDegree, int* sizeOut) {
    return kImplTable.veksPolyGFGetSize_8u(maxDegree, sizeOut);
}

VEKDI_API VekStatus veksPolyGFInit_8u(const VeksGFContext_8u* fieldCtx, int maxDegree, VeksPolyGF_8u* poly) {
    return kImplTable.veksPolyGFInit_8u(fieldCtx, maxDegree, poly);
}

VEKDI_API VekStatus veksPolyGFIrreducible_8u(const VeksPolyGF_8u* f, int* result) {
    return kImplTable.veksPolyGFIrreducible_8u(f, result);
}

VEKDI_API VekStatus veksPolyGFMod_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    return kImplTable.veksPolyGFMod_8u(a, b, r);
}

VEKDI_API VekStatus veksPolyGFMul_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    return kImplTable.veksPolyGFMul_8u(a, b, r);
}

VEKDI_API VekStatus veksPolyGFPrimitive_8u(const VeksPolyGF_8u* f, int assumeIrreducible, int* result) {
    return kImplTable.veksPolyGFPrimitive_8u(f, assumeIrreducible, result);
}

VEKDI_API VekStatus veksPolyGFRoots_8u(const VeksPolyGF_8u* p, uint8_t* roots, int* countOut) {
    return kImplTable.veksPolyGFRoots_8u(p, roots, countOut);
}

VEKDI_API VekStatus veksPolyGFSetCoeffs_8u(const uint8_t* coeffsIn, int degree, VeksPolyGF_8u* poly) {
    return kImplTable.veksPolyGFSetCoeffs_8u(coeffsIn, degree, poly);
}

VEKDI_API VekStatus veksPolyGFSetDegree_8u(int degree, VeksPolyGF_8u* poly) {
    return kImplTable.veksPolyGFSetDegree_8u(degree, poly);
}

VEKDI_API VekStatus veksPolyGFShlC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r) {
    return kImplTable.veksPolyGFShlC_8u(a, shift, r);
}

VEKDI_API VekStatus veksPolyGFShrC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r) {
    return kImplTable.veksPolyGFShrC_8u(a, shift, r);
}

VEKDI_API VekStatus veksPolyGFSub_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r) {
    return kImplTable.veksPolyGFSub_8u(a, b, r);
}

VEKDI_API VekStatus veksPolyGFValue_8u(const VeksPolyGF_8u* a, uint8_t x, uint8_t* valueOut) {
    return kImplTable.veksPolyGFValue_8u(a, x, valueOut);
}

VEKDI_API VekStatus veksRSDecodeBMGetBufferSize_8u(const VeksRSDecoder_8u* decoder, int* sizeOut) {
    return kImplTable.veksRSDecodeBMGetBufferSize_8u(decoder, sizeOut);
}

VEKDI_API VekStatus veksRSDecodeBM_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecoder_8u* decoder, uint8_t* buffer) {
    return kImplTable.veksRSDecodeBM_8u(erasures, erasureCount, codeword, decoder, buffer);
}

VEKDI_API VekStatus veksRSDecodeEEGetBufferSize_8u(const VeksRSDecoder_8u* decoder, int* sizeOut) {
    return kImplTable.veksRSDecodeEEGetBufferSize_8u(decoder, sizeOut);
}

VEKDI_API VekStatus veksRSDecodeEE_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecoder_8u* decoder, uint8_t* buffer) {
    return kImplTable.veksRSDecodeEE_8u(erasures, erasureCount, codeword, decoder, buffer);
}

VEKDI_API VekStatus veksRSDecodeGetSize_8u(int n, int k, int* sizeOut) {
    return kImplTable.veksRSDecodeGetSize_8u(n, k, sizeOut);
}

VEKDI_API VekStatus veksRSDecodeInit_8u(int n, int k, const VeksGFContext_8u* fieldCtx, uint8_t root, VeksRSDecoder_8u* decoder) {
    return kImplTable.veksRSDecodeInit_8u(n, k, fieldCtx, root, decoder);
}

VEKDI_API VekStatus veksRSEncodeGetBufferSize_8u(const VeksRSEncoder_8u* encoder, int* sizeOut) {
    return kImplTable.veksRSEncodeGetBufferSize_8u(encoder, sizeOut);
}

VEKDI_API VekStatus veksRSEncodeGetSize_8u(int n, int k, int* sizeOut) {
    return kImplTable.veksRSEncodeGetSize_8u(n, k, sizeOut);
}

VEKDI_API VekStatus veksRSEncodeInit_8u(int n, int k, const VeksGFContext_8u* fieldCtx, uint8_t root, VeksRSEncoder_8u* encoder) {
    return kImplTable.veksRSEncodeInit_8u(n, k, fieldCtx, root, encoder);
}

VEKDI_API VekStatus veksRSEncode_8u(const uint8_t* message, uint8_t* codeword, const VeksRSEncoder_8u* encoder, uint8_t* buffer) {
    return kImplTable.veksRSEncode_8u(message, codeword, encoder, buffer);
}

}  // extern "C"
