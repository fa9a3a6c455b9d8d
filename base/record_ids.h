// SPDX-License-Identifier: Apache-2.0
// Identifier words at the start of every record the library initialises.
#pragma once

#include <cstdint>

namespace vekdi {

inline constexpr uint32_t kFieldId = 0x434D416E;
inline constexpr uint32_t kPolyId = 0x434D416F;
inline constexpr uint32_t kEncoderId = 0x434D4170;
inline constexpr uint32_t kDecoderId = 0x434D4171;

}  // namespace vekdi
