// SPDX-License-Identifier: Apache-2.0
// Parity of a systematic codeword through the vector kernels, for encoders
// over a field with a built-in basis-change record.
#pragma once

#include <cstdint>

#include "rs/encode/encoder.h"
#include "simd/tower/kernels.h"

namespace vekdi {

// Writes the r parity bytes of the k message bytes and returns true, or
// returns false (writing nothing) when the field has no record or the
// variant has no parity kernel.
bool rsEncodeParityTower(uint8_t* parity, const uint8_t* message, const RSEncoder* e, const tower::TowerKernels& k);

}  // namespace vekdi
