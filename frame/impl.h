// SPDX-License-Identifier: Apache-2.0
// Implementations behind the export table. Each carries the name of the export
// it serves, in namespace vekdi::impl; the two shared slots point at one
// function each (gf add/sub, poly add/sub).
#pragma once

#include "vekdi.h"

namespace vekdi::impl {

const VekdiLibVersion* vekdiGetLibVersion();

VekStatus veksGFGetSize_8u(int m, int* sizeOut);
VekStatus veksGFInit_8u(int m, const uint8_t* generatorCoeffs, VeksGFSpec_8u* fieldCtx);
VekStatus veksGFAdd_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFSpec_8u* fieldCtx);  // also Sub
VekStatus veksGFNeg_8u(uint8_t a, uint8_t* result, const VeksGFSpec_8u* fieldCtx);
VekStatus veksGFMul_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFSpec_8u* fieldCtx);
VekStatus veksGFDiv_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFSpec_8u* fieldCtx);
VekStatus veksGFInv_8u(uint8_t a, uint8_t* result, const VeksGFSpec_8u* fieldCtx);
VekStatus veksGFPow_8u(uint8_t a, int e, uint8_t* result, const VeksGFSpec_8u* fieldCtx);
VekStatus veksGFExpAlpha_8u(uint8_t e, uint8_t* result, const VeksGFSpec_8u* fieldCtx);
VekStatus veksGFLogAlpha_8u(uint8_t a, uint8_t* result, const VeksGFSpec_8u* fieldCtx);

VekStatus veksPolyGFGetSize_8u(int maxDegree, int* sizeOut);
VekStatus veksPolyGFInit_8u(const VeksGFSpec_8u* fieldCtx, int maxDegree, VeksPolyGF_8u* poly);
VekStatus veksPolyGFSetCoeffs_8u(const uint8_t* coeffsIn, int degree, VeksPolyGF_8u* poly);
VekStatus veksPolyGFSetDegree_8u(int degree, VeksPolyGF_8u* poly);
VekStatus veksPolyGFGetRef_8u(uint8_t** coeffsOut, int* degreeOut, const VeksGFSpec_8u** fieldOut,
                              const VeksPolyGF_8u* poly);
VekStatus veksPolyGFCopy_8u(const VeksPolyGF_8u* src, VeksPolyGF_8u* dst);
VekStatus veksPolyGFAdd_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r);  // also Sub
VekStatus veksPolyGFMul_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r);
VekStatus veksPolyGFShlC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r);
VekStatus veksPolyGFShrC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r);
VekStatus veksPolyGFDerive_8u(const VeksPolyGF_8u* a, VeksPolyGF_8u* r);
VekStatus veksPolyGFValue_8u(const VeksPolyGF_8u* a, uint8_t x, uint8_t* valueOut);
VekStatus veksPolyGFDiv_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* q, VeksPolyGF_8u* r);
VekStatus veksPolyGFMod_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r);
VekStatus veksPolyGFRoots_8u(const VeksPolyGF_8u* p, uint8_t* roots, int* countOut);
VekStatus veksPolyGFGCD_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* g);
VekStatus veksPolyGFIrreducible_8u(const VeksPolyGF_8u* f, int* result);
VekStatus veksPolyGFPrimitive_8u(const VeksPolyGF_8u* f, int assumeIrreducible, int* result);

VekStatus veksRSEncodeGetSize_8u(int n, int k, int* sizeOut);
VekStatus veksRSEncodeInit_8u(int n, int k, const VeksGFSpec_8u* fieldCtx, uint8_t root, VeksRSEncodeSpec_8u* encoder);
VekStatus veksRSEncodeGetBufferSize_8u(const VeksRSEncodeSpec_8u* encoder, int* sizeOut);
VekStatus veksRSEncode_8u(const uint8_t* message, uint8_t* codeword, const VeksRSEncodeSpec_8u* encoder,
                          uint8_t* buffer);
VekStatus veksRSDecodeGetSize_8u(int n, int k, int* sizeOut);
VekStatus veksRSDecodeInit_8u(int n, int k, const VeksGFSpec_8u* fieldCtx, uint8_t root, VeksRSDecodeSpec_8u* decoder);
VekStatus veksRSDecodeBMGetBufferSize_8u(const VeksRSDecodeSpec_8u* decoder, int* sizeOut);
VekStatus veksRSDecodeEEGetBufferSize_8u(const VeksRSDecodeSpec_8u* decoder, int* sizeOut);
VekStatus veksRSDecodeBM_8u(const int* erasures, int erasureCount, uint8_t* codeword,
                            const VeksRSDecodeSpec_8u* decoder, uint8_t* buffer);
VekStatus veksRSDecodeEE_8u(const int* erasures, int erasureCount, uint8_t* codeword,
                            const VeksRSDecodeSpec_8u* decoder, uint8_t* buffer);

}  // namespace vekdi::impl
