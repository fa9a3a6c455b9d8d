// SPDX-License-Identifier: Apache-2.0
// The systematic encoder's parity by a shift register, for every field and
// redundancy (the path of encoders without a vector parity kernel).
#pragma once

#include <cstdint>

#include "rs/encode/encoder.h"

namespace vekdi {

// Parity of the k message bytes (bytes below the field's order) into reg:
// r bytes, highest power first. `logs` is r bytes of working space.
void rsShiftRegisterParity(uint8_t* reg, uint8_t* logs, const uint8_t* message, const RSEncoder* e);

}  // namespace vekdi
