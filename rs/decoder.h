// SPDX-License-Identifier: Apache-2.0
// Reed-Solomon decoder context, scratch sizes and the shared decode front end.
#pragma once

#include <cstdint>
#include <cstring>

#include "poly/poly.h"

// Header of eleven words (44 bytes with 32-bit pointers), then the inline
// area: root-power table at the first 16-byte boundary, then (with a
// fast-table record) the Chien point blocks and the syndrome point blocks.
struct VeksRSDecodeSpec_8u {
    uint32_t id;  // vekdi::kDecoderId
    int32_t n;
    int32_t k;
    const VeksGFSpec_8u* field;
    uint8_t* rootPowers;           // R16(r) bytes: rho*alpha^i, then zeros
    const uint8_t* toTower;        // 8 rows of 16 bytes; non-null selects the table-driven path
    const uint8_t* fromTower;      // carried along, never read
    uint8_t* syndromeBlocks;       // 4*R16(r) bytes of point blocks
    uint8_t* chienBlocks;          // 1024 bytes of point blocks
    const uint8_t* towerPow;       // 256 bytes
    const uint8_t* towerLog;       // 256 bytes
};

namespace vekdi {

using RSDecoder = VeksRSDecodeSpec_8u;

inline constexpr int kDecoderHeaderSize = static_cast<int>(sizeof(RSDecoder));
static_assert(sizeof(void*) != 4 || kDecoderHeaderSize == 44, "32-bit layout is 44 bytes");
static_assert(sizeof(void*) != 8 || kDecoderHeaderSize == 80, "64-bit layout is 80 bytes");

inline constexpr int r16(int x) { return (x + 15) & ~15; }

// Header + up to 15 bytes to the first 16-byte boundary + root powers,
// syndrome point blocks (5*R16(r) together) + Chien blocks (1024) + 11 spare.
inline constexpr int decoderContextSize(int n, int k) { return kDecoderHeaderSize + 1050 + 5 * r16(n - k); }

inline constexpr int bmBufferSize(int n, int k) {
    const int r = n - k;
    return r16(n) + 3 * r16(r + 1) + 7 * r16(r) + 15;
}

inline constexpr int eeBufferSize(int n, int k) {
    const int r = n - k;
    return r16(n) + r16(2 * r + 1) + 2 * r16(r + 1) + 7 * r16(r) + 15;
}

inline bool decoderHasFastTables(const RSDecoder* d) { return d->toTower != nullptr; }

// A decoder context may sit at any address, so its header is read and written
// as bytes; the decode routines work on an aligned copy of the header (its
// pointers still lead into the caller's context).
inline uint32_t decoderIdAt(const void* context) {
    uint32_t id;
    std::memcpy(&id, context, sizeof id);
    return id;
}

inline RSDecoder loadDecoderHeader(const void* context) {
    RSDecoder h;
    std::memcpy(&h, context, sizeof h);
    return h;
}

inline void storeDecoderHeader(void* context, const RSDecoder& h) { std::memcpy(context, &h, sizeof h); }

}  // namespace vekdi
