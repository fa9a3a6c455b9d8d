// SPDX-License-Identifier: Apache-2.0
// The table's contents: each family's export implementations, in the slot
// order of frame/export_list.h. The frame sits on top of the families.
#include "frame/table.h"

#include "frame/version.h"
#include "gf/exports.h"
#include "poly/exports.h"
#include "rs/exports.h"

namespace vekdi {

constexpr ImplTable kImplTable = {
#define VEKDI_EXPORT(name, implementation) implementation,
#include "frame/export_list.h"
#undef VEKDI_EXPORT
};

static_assert(sizeof(ImplTable) == kExportCount * sizeof(void (*)()), "one slot per export, no padding");

const void* implSlot(int slot) {
    const void* slots[] = {
#define VEKDI_EXPORT(name, implementation) reinterpret_cast<const void*>(kImplTable.name),
#include "frame/export_list.h"
#undef VEKDI_EXPORT
    };
    static_assert(sizeof slots / sizeof slots[0] == kExportCount);
    return (slot >= 0 && slot < kExportCount) ? slots[slot] : nullptr;
}

}  // namespace vekdi
