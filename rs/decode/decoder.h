// SPDX-License-Identifier: Apache-2.0
// Reed-Solomon decoder context: its record, its size and the scratch sizes
// of both decoders, and byte-wise access to its header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "poly/poly.h"
#include "simd/tower/decoder_tables.h"

// Header of eleven words (44 bytes with 32-bit pointers), then the inline
// area: root-power table at the first 16-byte boundary, then (with a
// tower record) the Chien point blocks and the syndrome point blocks.
struct VEKDI_RECORD VeksRSDecoder_8u {
    uint32_t id;  // vekdi::kDecoderId
    int32_t n;
    int32_t k;
    VEKDI_POINTER_PAD
    const VeksGFContext_8u* field;
    uint8_t* rootPowers;           // R16(r) bytes: rho*alpha^i, then zeros
    vekdi::tower::DecoderTables tower;  // six pointers; all null without a built-in record
};

namespace vekdi {

using RSDecoder = VeksRSDecoder_8u;

inline constexpr int kDecoderHeaderSize = static_cast<int>(sizeof(RSDecoder));
static_assert(sizeof(void*) != 4 || kDecoderHeaderSize == 44, "32-bit layout is 44 bytes");
static_assert(sizeof(void*) != 8 || kDecoderHeaderSize == 80, "64-bit layout is 80 bytes");
static_assert(offsetof(RSDecoder, tower) == 4 * sizeof(void*) + (sizeof(void*) == 4 ? 4 : 0), "tables after rootPowers");

inline constexpr int r16(int x) { return (x + 15) & ~15; }

// First 16-byte boundary at or after p.
inline uint8_t* alignUp16(uint8_t* p) {
    const auto a = reinterpret_cast<uintptr_t>(p);
    return p + ((16 - (a & 15)) & 15);
}

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

inline bool decoderHasTowerRecord(const RSDecoder* d) { return d->tower.toTower != nullptr; }

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
