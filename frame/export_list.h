// SPDX-License-Identifier: Apache-2.0
// The 41 exports, the one place their names are written down: one line per
// slot of the implementation table, in slot order (the export names sorted by
// character code); the ordinal of an export is its slot + 1. Each line names
// the export and the implementation its slot holds (subtraction shares the
// implementation of addition in characteristic 2).
//
// Read by frame/table.h and frame/table.cpp (as a list of macro calls), by
// cmake/windows-dll.cmake (the module-definition file) and by
// tests/frame/check_exports.cmake (the shared library's symbol table).
// Keep one VEKDI_EXPORT(name, implementation) per line.
VEKDI_EXPORT(vekdiGetLibVersion, frame::vekdiGetLibVersion)
VEKDI_EXPORT(veksGFAdd_8u, gf::veksGFAdd_8u)
VEKDI_EXPORT(veksGFDiv_8u, gf::veksGFDiv_8u)
VEKDI_EXPORT(veksGFExpAlpha_8u, gf::veksGFExpAlpha_8u)
VEKDI_EXPORT(veksGFGetSize_8u, gf::veksGFGetSize_8u)
VEKDI_EXPORT(veksGFInit_8u, gf::veksGFInit_8u)
VEKDI_EXPORT(veksGFInv_8u, gf::veksGFInv_8u)
VEKDI_EXPORT(veksGFLogAlpha_8u, gf::veksGFLogAlpha_8u)
VEKDI_EXPORT(veksGFMul_8u, gf::veksGFMul_8u)
VEKDI_EXPORT(veksGFNeg_8u, gf::veksGFNeg_8u)
VEKDI_EXPORT(veksGFPow_8u, gf::veksGFPow_8u)
VEKDI_EXPORT(veksGFSub_8u, gf::veksGFAdd_8u)
VEKDI_EXPORT(veksPolyGFAdd_8u, poly::veksPolyGFAdd_8u)
VEKDI_EXPORT(veksPolyGFCopy_8u, poly::veksPolyGFCopy_8u)
VEKDI_EXPORT(veksPolyGFDerive_8u, poly::veksPolyGFDerive_8u)
VEKDI_EXPORT(veksPolyGFDiv_8u, poly::veksPolyGFDiv_8u)
VEKDI_EXPORT(veksPolyGFGCD_8u, poly::veksPolyGFGCD_8u)
VEKDI_EXPORT(veksPolyGFGetRef_8u, poly::veksPolyGFGetRef_8u)
VEKDI_EXPORT(veksPolyGFGetSize_8u, poly::veksPolyGFGetSize_8u)
VEKDI_EXPORT(veksPolyGFInit_8u, poly::veksPolyGFInit_8u)
VEKDI_EXPORT(veksPolyGFIrreducible_8u, poly::veksPolyGFIrreducible_8u)
VEKDI_EXPORT(veksPolyGFMod_8u, poly::veksPolyGFMod_8u)
VEKDI_EXPORT(veksPolyGFMul_8u, poly::veksPolyGFMul_8u)
VEKDI_EXPORT(veksPolyGFPrimitive_8u, poly::veksPolyGFPrimitive_8u)
VEKDI_EXPORT(veksPolyGFRoots_8u, poly::veksPolyGFRoots_8u)
VEKDI_EXPORT(veksPolyGFSetCoeffs_8u, poly::veksPolyGFSetCoeffs_8u)
VEKDI_EXPORT(veksPolyGFSetDegree_8u, poly::veksPolyGFSetDegree_8u)
VEKDI_EXPORT(veksPolyGFShlC_8u, poly::veksPolyGFShlC_8u)
VEKDI_EXPORT(veksPolyGFShrC_8u, poly::veksPolyGFShrC_8u)
VEKDI_EXPORT(veksPolyGFSub_8u, poly::veksPolyGFAdd_8u)
VEKDI_EXPORT(veksPolyGFValue_8u, poly::veksPolyGFValue_8u)
VEKDI_EXPORT(veksRSDecodeBMGetBufferSize_8u, rs::veksRSDecodeBMGetBufferSize_8u)
VEKDI_EXPORT(veksRSDecodeBM_8u, rs::veksRSDecodeBM_8u)
VEKDI_EXPORT(veksRSDecodeEEGetBufferSize_8u, rs::veksRSDecodeEEGetBufferSize_8u)
VEKDI_EXPORT(veksRSDecodeEE_8u, rs::veksRSDecodeEE_8u)
VEKDI_EXPORT(veksRSDecodeGetSize_8u, rs::veksRSDecodeGetSize_8u)
VEKDI_EXPORT(veksRSDecodeInit_8u, rs::veksRSDecodeInit_8u)
VEKDI_EXPORT(veksRSEncodeGetBufferSize_8u, rs::veksRSEncodeGetBufferSize_8u)
VEKDI_EXPORT(veksRSEncodeGetSize_8u, rs::veksRSEncodeGetSize_8u)
VEKDI_EXPORT(veksRSEncodeInit_8u, rs::veksRSEncodeInit_8u)
VEKDI_EXPORT(veksRSEncode_8u, rs::veksRSEncode_8u)
