// SPDX-License-Identifier: Apache-2.0
// The implementation table: one slot per export, in the order of
// frame/export_list.h. Each exported entry point does nothing but continue at
// its slot with its arguments untouched.
#pragma once

#include "vekdi.h"

namespace vekdi {

// One member per export, named after it and typed as its pointer.
struct ImplTable {
#define VEKDI_EXPORT(name, implementation) decltype(&::name) name;
#include "frame/export_list.h"
#undef VEKDI_EXPORT
};

inline constexpr int kExportCount = 41;

// The fixed table. Never written while the library runs.
extern const ImplTable kImplTable;

// Slot addresses as plain pointers, in slot order; lets tests compare slots.
const void* implSlot(int slot);

}  // namespace vekdi
