// SPDX-License-Identifier: Apache-2.0
#include "frame/table.h"

#include "frame/impl.h"

namespace vekdi {

constexpr ImplTable kImplTable = {
    impl::vekdiGetLibVersion,
    impl::veksGFAdd_8u,
    impl::veksGFDiv_8u,
    impl::veksGFExpAlpha_8u,
    impl::veksGFGetSize_8u,
    impl::veksGFInit_8u,
    impl::veksGFInv_8u,
    impl::veksGFLogAlpha_8u,
    impl::veksGFMul_8u,
    impl::veksGFNeg_8u,
    impl::veksGFPow_8u,
    impl::veksGFAdd_8u,  // subtraction is addition in characteristic 2
    impl::veksPolyGFAdd_8u,
    impl::veksPolyGFCopy_8u,
    impl::veksPolyGFDerive_8u,
    impl::veksPolyGFDiv_8u,
    impl::veksPolyGFGCD_8u,
    impl::veksPolyGFGetRef_8u,
    impl::veksPolyGFGetSize_8u,
    impl::veksPolyGFInit_8u,
    impl::veksPolyGFIrreducible_8u,
    impl::veksPolyGFMod_8u,
    impl::veksPolyGFMul_8u,
    impl::veksPolyGFPrimitive_8u,
    impl::veksPolyGFRoots_8u,
    impl::veksPolyGFSetCoeffs_8u,
    impl::veksPolyGFSetDegree_8u,
    impl::veksPolyGFShlC_8u,
    impl::veksPolyGFShrC_8u,
    impl::veksPolyGFAdd_8u,  // subtraction is addition in characteristic 2
    impl::veksPolyGFValue_8u,
    impl::veksRSDecodeBMGetBufferSize_8u,
    impl::veksRSDecodeBM_8u,
    impl::veksRSDecodeEEGetBufferSize_8u,
    impl::veksRSDecodeEE_8u,
    impl::veksRSDecodeGetSize_8u,
    impl::veksRSDecodeInit_8u,
    impl::veksRSEncodeGetBufferSize_8u,
    impl::veksRSEncodeGetSize_8u,
    impl::veksRSEncodeInit_8u,
    impl::veksRSEncode_8u,
};

static_assert(sizeof(ImplTable) == kExportCount * sizeof(void (*)()), "one slot per export, no padding");

const void* implSlot(int slot) {
    const ImplTable& t = kImplTable;
    const void* slots[kExportCount] = {
        reinterpret_cast<const void*>(t.getLibVersion),
        reinterpret_cast<const void*>(t.gfAdd),
        reinterpret_cast<const void*>(t.gfDiv),
        reinterpret_cast<const void*>(t.gfExpAlpha),
        reinterpret_cast<const void*>(t.gfGetSize),
        reinterpret_cast<const void*>(t.gfInit),
        reinterpret_cast<const void*>(t.gfInv),
        reinterpret_cast<const void*>(t.gfLogAlpha),
        reinterpret_cast<const void*>(t.gfMul),
        reinterpret_cast<const void*>(t.gfNeg),
        reinterpret_cast<const void*>(t.gfPow),
        reinterpret_cast<const void*>(t.gfSub),
        reinterpret_cast<const void*>(t.polyAdd),
        reinterpret_cast<const void*>(t.polyCopy),
        reinterpret_cast<const void*>(t.polyDerive),
        reinterpret_cast<const void*>(t.polyDiv),
        reinterpret_cast<const void*>(t.polyGCD),
        reinterpret_cast<const void*>(t.polyGetRef),
        reinterpret_cast<const void*>(t.polyGetSize),
        reinterpret_cast<const void*>(t.polyInit),
        reinterpret_cast<const void*>(t.polyIrreducible),
        reinterpret_cast<const void*>(t.polyMod),
        reinterpret_cast<const void*>(t.polyMul),
        reinterpret_cast<const void*>(t.polyPrimitive),
        reinterpret_cast<const void*>(t.polyRoots),
        reinterpret_cast<const void*>(t.polySetCoeffs),
        reinterpret_cast<const void*>(t.polySetDegree),
        reinterpret_cast<const void*>(t.polyShlC),
        reinterpret_cast<const void*>(t.polyShrC),
        reinterpret_cast<const void*>(t.polySub),
        reinterpret_cast<const void*>(t.polyValue),
        reinterpret_cast<const void*>(t.rsDecodeBMGetBufferSize),
        reinterpret_cast<const void*>(t.rsDecodeBM),
        reinterpret_cast<const void*>(t.rsDecodeEEGetBufferSize),
        reinterpret_cast<const void*>(t.rsDecodeEE),
        reinterpret_cast<const void*>(t.rsDecodeGetSize),
        reinterpret_cast<const void*>(t.rsDecodeInit),
        reinterpret_cast<const void*>(t.rsEncodeGetBufferSize),
        reinterpret_cast<const void*>(t.rsEncodeGetSize),
        reinterpret_cast<const void*>(t.rsEncodeInit),
        reinterpret_cast<const void*>(t.rsEncode),
    };
    return (slot >= 0 && slot < kExportCount) ? slots[slot] : nullptr;
}

}  // namespace vekdi
