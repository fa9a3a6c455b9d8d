// SPDX-License-Identifier: Apache-2.0
// Systematic encoding: the message followed by the remainder of
// x^(n-k) * m(x) divided by g(x), from the vector parity kernel where the
// field and machine have one, else from a shift register.
#include <cstring>

#include "rs/exports.h"
#include "rs/code_checks.h"
#include "rs/encode/parity_tower.h"
#include "rs/encode/encoder.h"
#include "rs/encode/shift_register.h"

namespace vekdi {
namespace {

// The message, codeword and buffer may coincide (same start) but must not
// otherwise overlap.
bool rsEncodeRegionsAllowed(const uint8_t* message, int k, const uint8_t* codeword, int n, const uint8_t* buffer,
                            int bufferSize) {
    auto fine = [](const void* a, int aLen, const void* b, int bLen) {
        return a == b || !rsRegionsOverlap(a, aLen, b, bLen);
    };
    return fine(message, k, codeword, n) && fine(message, k, buffer, bufferSize) &&
           fine(codeword, n, buffer, bufferSize);
}

}  // namespace

namespace rs {

VekStatus veksRSEncode_8u(const uint8_t* message, uint8_t* codeword, const VeksRSEncoder_8u* encoder, uint8_t* buffer) {
    if (message == nullptr || codeword == nullptr || buffer == nullptr || encoder == nullptr) return StatusNullPointer;
    if (encoder->id != kEncoderId) return StatusContextMismatch;
    const int n = encoder->n;
    const int k = encoder->k;
    const int r = n - k;
    const FieldGF* f = encoder->field;
    if (!rsEncodeRegionsAllowed(message, k, codeword, n, buffer, n + r)) return StatusBadArgument;
    if (!rsBytesInField(message, k, f)) return StatusOutOfRange;

    // The logarithms sit at buffer[k, n) and the register at buffer[n, n + r):
    // neither touches a message that is the buffer, and a codeword that is the
    // buffer is written only after both are used.
    uint8_t* gLogs = buffer + k;
    uint8_t* reg = buffer + n;
    // The vector kernel interpolates through the r roots, a cost that grows
    // with r * (k + r); the shift register's grows with k * r and is the
    // cheaper one for the shortest messages (measured: up to k = 7 at r = 248).
    const bool vectorPays = k >= 8 && k * r >= 1024;
    if (!vectorPays || !rsEncodeParityTower(reg, message, encoder, tower::towerActive()))
        rsShiftRegisterParity(reg, gLogs, message, encoder);
    std::memmove(codeword, message, size_t(k));
    std::memcpy(codeword + k, reg, size_t(r));
    return StatusOk;
}

}  // namespace rs
}  // namespace vekdi
