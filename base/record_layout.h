// SPDX-License-Identifier: Apache-2.0
// Records (field context, polynomial object, encoder and decoder contexts)
// live in caller memory at any address. Their types are packed, so the
// compiler reads and writes every header member with unaligned accesses; the
// padding a natural layout would have before the first pointer on 64-bit
// targets is spelled out, so offsets and sizes stay those of that layout.
#pragma once

#include <cstdint>

#define VEKDI_RECORD __attribute__((packed))

#if UINTPTR_MAX > 0xFFFFFFFFu
#define VEKDI_POINTER_PAD uint32_t pointerPad;  // never read or written
#else
#define VEKDI_POINTER_PAD
#endif
