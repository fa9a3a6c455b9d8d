// SPDX-License-Identifier: Apache-2.0
// The implementation table: one slot per export, in the order of the export
// names sorted by character code. Each exported entry point does nothing but
// continue at its slot with its arguments untouched.
#pragma once

#include "vekdi.h"

namespace vekdi {

struct ImplTable {
    decltype(&::vekdiGetLibVersion) getLibVersion;            // 0
    decltype(&::veksGFAdd_8u) gfAdd;                          // 1 (shared with 11)
    decltype(&::veksGFDiv_8u) gfDiv;                          // 2
    decltype(&::veksGFExpAlpha_8u) gfExpAlpha;                // 3
    decltype(&::veksGFGetSize_8u) gfGetSize;                  // 4
    decltype(&::veksGFInit_8u) gfInit;                        // 5
    decltype(&::veksGFInv_8u) gfInv;                          // 6
    decltype(&::veksGFLogAlpha_8u) gfLogAlpha;                // 7
    decltype(&::veksGFMul_8u) gfMul;                          // 8
    decltype(&::veksGFNeg_8u) gfNeg;                          // 9
    decltype(&::veksGFPow_8u) gfPow;                          // 10
    decltype(&::veksGFSub_8u) gfSub;                          // 11
    decltype(&::veksPolyGFAdd_8u) polyAdd;                    // 12 (shared with 29)
    decltype(&::veksPolyGFCopy_8u) polyCopy;                  // 13
    decltype(&::veksPolyGFDerive_8u) polyDerive;              // 14
    decltype(&::veksPolyGFDiv_8u) polyDiv;                    // 15
    decltype(&::veksPolyGFGCD_8u) polyGCD;                    // 16
    decltype(&::veksPolyGFGetRef_8u) polyGetRef;              // 17
    decltype(&::veksPolyGFGetSize_8u) polyGetSize;            // 18
    decltype(&::veksPolyGFInit_8u) polyInit;                  // 19
    decltype(&::veksPolyGFIrreducible_8u) polyIrreducible;    // 20
    decltype(&::veksPolyGFMod_8u) polyMod;                    // 21
    decltype(&::veksPolyGFMul_8u) polyMul;                    // 22
    decltype(&::veksPolyGFPrimitive_8u) polyPrimitive;        // 23
    decltype(&::veksPolyGFRoots_8u) polyRoots;                // 24
    decltype(&::veksPolyGFSetCoeffs_8u) polySetCoeffs;        // 25
    decltype(&::veksPolyGFSetDegree_8u) polySetDegree;        // 26
    decltype(&::veksPolyGFShlC_8u) polyShlC;                  // 27
    decltype(&::veksPolyGFShrC_8u) polyShrC;                  // 28
    decltype(&::veksPolyGFSub_8u) polySub;                    // 29
    decltype(&::veksPolyGFValue_8u) polyValue;                // 30
    decltype(&::veksRSDecodeBMGetBufferSize_8u) rsDecodeBMGetBufferSize;  // 31
    decltype(&::veksRSDecodeBM_8u) rsDecodeBM;                // 32
    decltype(&::veksRSDecodeEEGetBufferSize_8u) rsDecodeEEGetBufferSize;  // 33
    decltype(&::veksRSDecodeEE_8u) rsDecodeEE;                // 34
    decltype(&::veksRSDecodeGetSize_8u) rsDecodeGetSize;      // 35
    decltype(&::veksRSDecodeInit_8u) rsDecodeInit;            // 36
    decltype(&::veksRSEncodeGetBufferSize_8u) rsEncodeGetBufferSize;      // 37
    decltype(&::veksRSEncodeGetSize_8u) rsEncodeGetSize;      // 38
    decltype(&::veksRSEncodeInit_8u) rsEncodeInit;            // 39
    decltype(&::veksRSEncode_8u) rsEncode;                    // 40
};

inline constexpr int kExportCount = 41;

// The fixed table. Never written while the library runs.
extern const ImplTable kImplTable;

// Slot addresses as plain pointers, in slot order; lets tests compare slots.
const void* implSlot(int slot);

}  // namespace vekdi
