// SPDX-License-Identifier: Apache-2.0
// Element arguments of the exports travel in 32-bit argument slots, and only
// the low 8 bits of a slot count. Some compilers (clang on x86) assume that
// the caller has already cleared the upper 24 bits of an 8-bit argument and
// compare or index with the whole register; a caller written in another
// language, or one that reuses a register, breaks that assumption.
// slotByte() hands back the argument as a value whose upper bits the compiler
// no longer knows, so every later widening clears them explicitly.
#pragma once

#include <cstdint>

namespace vekdi {

inline uint8_t slotByte(uint8_t v) {
#if defined(__GNUC__)
    __asm__("" : "+r"(v));
#endif
    return v;
}

}  // namespace vekdi
