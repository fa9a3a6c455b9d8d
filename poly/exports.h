// SPDX-License-Identifier: Apache-2.0
// The implementations of the polynomial exports (slots of
// frame/export_list.h). Internal work calls the routines of poly/poly.h,
// never these.
#pragma once

#include "poly/poly.h"

namespace vekdi::poly {

VekStatus veksPolyGFGetSize_8u(int maxDegree, int* sizeOut);
VekStatus veksPolyGFInit_8u(const VeksGFContext_8u* fieldCtx, int maxDegree, VeksPolyGF_8u* poly);
VekStatus veksPolyGFSetCoeffs_8u(const uint8_t* coeffsIn, int degree, VeksPolyGF_8u* poly);
VekStatus veksPolyGFSetDegree_8u(int degree, VeksPolyGF_8u* poly);
VekStatus veksPolyGFGetRef_8u(uint8_t** coeffsOut, int* degreeOut, const VeksGFContext_8u** fieldOut,
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

}  // namespace vekdi::poly
