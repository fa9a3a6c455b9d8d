// SPDX-License-Identifier: Apache-2.0
// The implementations of the field exports (slots of frame/export_list.h).
// Internal work calls the routines of gf/field.h, never these.
#pragma once

#include "gf/field.h"

namespace vekdi::gf {

VekStatus veksGFGetSize_8u(int m, int* sizeOut);
VekStatus veksGFInit_8u(int m, const uint8_t* generatorCoeffs, VeksGFContext_8u* fieldCtx);
VekStatus veksGFAdd_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx);  // also Sub
VekStatus veksGFNeg_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* fieldCtx);
VekStatus veksGFMul_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx);
VekStatus veksGFDiv_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx);
VekStatus veksGFInv_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* fieldCtx);
VekStatus veksGFPow_8u(uint8_t a, int e, uint8_t* result, const VeksGFContext_8u* fieldCtx);
VekStatus veksGFExpAlpha_8u(uint8_t e, uint8_t* result, const VeksGFContext_8u* fieldCtx);
VekStatus veksGFLogAlpha_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* fieldCtx);

}  // namespace vekdi::gf
