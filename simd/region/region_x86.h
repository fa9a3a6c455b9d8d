// SPDX-License-Identifier: Apache-2.0
// Vector operations of the x86 region kernels; each variant unit includes
// this with its own instruction-set flags and instantiates what they allow.
#pragma once

#include <immintrin.h>

#include <cstring>

#include "simd/gfni_operand.h"
#include "simd/region/region.h"

namespace vekdi::codes {
// Internal linkage: each variant unit has its own copy, compiled with its own flags.
namespace {

// Outputs at least this long, aligned to the vector, are streamed past the
// cache when they are written whole (see region_body.h).
constexpr std::size_t kStreamBytes = std::size_t(512) << 10;

inline void prepareNibbles(const uint8_t* coefs, std::size_t count, uint8_t* tables) {
    for (std::size_t i = 0; i < count; ++i) nibbleTables(coefs[i], tables + 32 * i, tables + 32 * i + 16);
}

inline void prepareGfni(const uint8_t* coefs, std::size_t count, uint8_t* tables) {
    for (std::size_t i = 0; i < count; ++i) {
        const uint64_t m = gfniMatrix(coefs[i]);
        std::memcpy(tables + 8 * i, &m, 8);
    }
}

#if defined(__SSSE3__)
struct Ssse3Ops {
    using V = __m128i;
    struct T {
        __m128i lo, hi;
    };
    static constexpr std::size_t kWidth = 16, kTableBytes = 32;
    static constexpr int kMaxRows = 8;
    template <int G>
    static constexpr int block() { return 1; }
    static V load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static constexpr std::size_t kStreamMin = kStreamBytes;
    static void stream(uint8_t* p, V v) { _mm_stream_si128(reinterpret_cast<__m128i*>(p), v); }
    static void fence() { _mm_sfence(); }
    static V zero() { return _mm_setzero_si128(); }
    static V bxor(V a, V b) { return _mm_xor_si128(a, b); }
    struct X {
        __m128i lo, hi;  // the low and the high nibbles
    };
    static T table(const uint8_t* t) { return {load(t), load(t + 16)}; }
    static X split(V x) {
        const __m128i mask = _mm_set1_epi8(0x0f);
        return {_mm_and_si128(x, mask), _mm_and_si128(_mm_srli_epi64(x, 4), mask)};
    }
    static V mul(const T& t, const X& x) {
        return _mm_xor_si128(_mm_shuffle_epi8(t.lo, x.lo), _mm_shuffle_epi8(t.hi, x.hi));
    }
    static void finish() {}
};
#endif

#if defined(__AVX2__)
struct Avx2Ops {
    using V = __m256i;
    struct T {
        __m256i lo, hi;
    };
    static constexpr std::size_t kWidth = 32, kTableBytes = 32;
    static constexpr int kMaxRows = 4;
    template <int G>
    static constexpr int block() { return 2; }
    static V load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static constexpr std::size_t kStreamMin = kStreamBytes;
    static void stream(uint8_t* p, V v) { _mm256_stream_si256(reinterpret_cast<__m256i*>(p), v); }
    static void fence() { _mm_sfence(); }
    static V zero() { return _mm256_setzero_si256(); }
    static V bxor(V a, V b) { return _mm256_xor_si256(a, b); }
    static T table(const uint8_t* t) {
        return {_mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t))),
                _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 16)))};
    }
    struct X {
        __m256i lo, hi;
    };
    static X split(V x) {
        const __m256i mask = _mm256_set1_epi8(0x0f);
        return {_mm256_and_si256(x, mask), _mm256_and_si256(_mm256_srli_epi64(x, 4), mask)};
    }
    static V mul(const T& t, const X& x) {
        return _mm256_xor_si256(_mm256_shuffle_epi8(t.lo, x.lo), _mm256_shuffle_epi8(t.hi, x.hi));
    }
    // The upper halves of the vector registers are cleared before returning
    // so that later SSE code pays no transition penalty.
    static void finish() { _mm256_zeroupper(); }
};
#endif

#if defined(__AVX2__) && defined(__GFNI__)
struct Gfni256Ops {
    using V = __m256i;
    using T = __m256i;
    static constexpr std::size_t kWidth = 32, kTableBytes = 8;
    static constexpr int kMaxRows = 6;
    // Accumulators, inputs and a table within the 16 registers.
    template <int G>
    static constexpr int block() { return G <= 2 ? 4 : 2; }
    static V load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static constexpr std::size_t kStreamMin = kStreamBytes;
    static void stream(uint8_t* p, V v) { _mm256_stream_si256(reinterpret_cast<__m256i*>(p), v); }
    static void fence() { _mm_sfence(); }
    static V zero() { return _mm256_setzero_si256(); }
    static V bxor(V a, V b) { return _mm256_xor_si256(a, b); }
    static T table(const uint8_t* t) {
        uint64_t m;
        std::memcpy(&m, t, 8);
        return gfniMatrix256(m);
    }
    using X = __m256i;
    static X split(V x) { return x; }
    static V mul(const T& t, X x) { return _mm256_gf2p8affine_epi64_epi8(x, t, 0); }
    static void finish() { _mm256_zeroupper(); }
};
#endif

#if defined(__AVX512F__) && defined(__AVX512BW__) && defined(__GFNI__)
struct Avx512GfniOps {
    using V = __m512i;
    using T = __m512i;
    static constexpr std::size_t kWidth = 64, kTableBytes = 8;
    static constexpr int kMaxRows = 8;
    // Four vectors per input amortise the per-coefficient work where the 32
    // registers hold the accumulators and two columns' inputs.
    template <int G>
    static constexpr int block() { return G <= 4 ? 4 : 2; }
    static V load(const uint8_t* p) { return _mm512_loadu_si512(p); }
    static void store(uint8_t* p, V v) { _mm512_storeu_si512(p, v); }
    static constexpr std::size_t kStreamMin = kStreamBytes;
    static void stream(uint8_t* p, V v) { _mm512_stream_si512(reinterpret_cast<__m512i*>(p), v); }
    static void fence() { _mm_sfence(); }
    static V zero() { return _mm512_setzero_si512(); }
    static V bxor(V a, V b) { return _mm512_xor_si512(a, b); }
    static V bxor3(V a, V b, V c) { return _mm512_ternarylogic_epi64(a, b, c, 0x96); }
    // The affine products bound the speed here: symmetric blocks save a quarter of them.
    static constexpr bool kSymmetricBlocks = true;
    static T table(const uint8_t* t) {
        uint64_t m;
        std::memcpy(&m, t, 8);
        return gfniMatrix512(m);
    }
    using X = __m512i;
    static X split(V x) { return x; }
    static V mul(const T& t, X x) { return _mm512_gf2p8affine_epi64_epi8(x, t, 0); }
    static void finish() { _mm256_zeroupper(); }
};
#endif

}  // namespace
}  // namespace vekdi::codes
