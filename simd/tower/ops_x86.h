// SPDX-License-Identifier: Apache-2.0
// x86 vector operations: sixteen lanes with SSSE3 byte shuffles and, in
// units compiled for AVX2, thirty-two lanes (two groups of sixteen); in
// units compiled for AVX-512BW, sixty-four (four groups).
#pragma once

// g++ 12's AVX-512 intrinsics pass a deliberately undefined vector to their
// builtins, which its own uninitialised-value warnings flag in the header.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <cstdint>

namespace vekdi::tower {
namespace {

struct Ssse3Ops {
    using V = __m128i;
    static constexpr int lanes = 16;

    static V zero() { return _mm_setzero_si128(); }
    static V set1(uint8_t v) { return _mm_set1_epi8(static_cast<char>(v)); }
    static V load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static V table(const uint8_t* p) { return load(p); }
    static V loadRows(const uint8_t* p, int) { return load(p); }
    static void storeRows(uint8_t* p, int, V v) { store(p, v); }
    static V bxor(V a, V b) { return _mm_xor_si128(a, b); }
    static V band(V a, V b) { return _mm_and_si128(a, b); }
    static V add8(V a, V b) { return _mm_add_epi8(a, b); }
    static V sub8(V a, V b) { return _mm_sub_epi8(a, b); }
    static V cmpgt8(V a, V b) { return _mm_cmpgt_epi8(a, b); }
    static V cmpeq8(V a, V b) { return _mm_cmpeq_epi8(a, b); }
    static V shuffle(V t, V idx) { return _mm_shuffle_epi8(t, idx); }
    static V srl4(V a) { return _mm_and_si128(_mm_srli_epi16(a, 4), _mm_set1_epi8(0x0F)); }
    static V sll4(V a) { return _mm_slli_epi16(a, 4); }
    static V shiftIn(V a, uint8_t first) { return _mm_alignr_epi8(a, set1(first), 15); }
};

#if defined(__AVX2__)
struct Avx2Ops {
    using V = __m256i;
    static constexpr int lanes = 32;

    static V zero() { return _mm256_setzero_si256(); }
    static V set1(uint8_t v) { return _mm256_set1_epi8(static_cast<char>(v)); }
    static V load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static V table(const uint8_t* p) {
        return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static V loadRows(const uint8_t* p, int stride) {
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + stride));
        return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
    }
    static void storeRows(uint8_t* p, int stride, V v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + stride), _mm256_extracti128_si256(v, 1));
    }
    static V bxor(V a, V b) { return _mm256_xor_si256(a, b); }
    static V band(V a, V b) { return _mm256_and_si256(a, b); }
    static V add8(V a, V b) { return _mm256_add_epi8(a, b); }
    static V sub8(V a, V b) { return _mm256_sub_epi8(a, b); }
    static V cmpgt8(V a, V b) { return _mm256_cmpgt_epi8(a, b); }
    static V cmpeq8(V a, V b) { return _mm256_cmpeq_epi8(a, b); }
    static V shuffle(V t, V idx) { return _mm256_shuffle_epi8(t, idx); }
    static V srl4(V a) { return _mm256_and_si256(_mm256_srli_epi16(a, 4), _mm256_set1_epi8(0x0F)); }
    static V sll4(V a) { return _mm256_slli_epi16(a, 4); }
    // [first, a0 ... a30]: the low half's last byte crosses into the high half.
    static V shiftIn(V a, uint8_t first) {
        const V across = _mm256_permute2x128_si256(a, set1(first), 0x03);
        return _mm256_alignr_epi8(a, across, 15);
    }
};
#endif

#if defined(__AVX512BW__)
struct Avx512Ops {
    using V = __m512i;
    static constexpr int lanes = 64;

    static V zero() { return _mm512_setzero_si512(); }
    static V set1(uint8_t v) { return _mm512_set1_epi8(static_cast<char>(v)); }
    static V load(const uint8_t* p) { return _mm512_loadu_si512(p); }
    static void store(uint8_t* p, V v) { _mm512_storeu_si512(p, v); }
    static V table(const uint8_t* p) {
        return _mm512_broadcast_i32x4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static V loadRows(const uint8_t* p, int stride) {
        const __m128i* q = reinterpret_cast<const __m128i*>(p);
        V v = _mm512_castsi128_si512(_mm_loadu_si128(q));
        v = _mm512_inserti32x4(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + stride)), 1);
        v = _mm512_inserti32x4(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * stride)), 2);
        return _mm512_inserti32x4(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * stride)), 3);
    }
    static void storeRows(uint8_t* p, int stride, V v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm512_castsi512_si128(v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + stride), _mm512_extracti32x4_epi32(v, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 2 * stride), _mm512_extracti32x4_epi32(v, 2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 3 * stride), _mm512_extracti32x4_epi32(v, 3));
    }
    static V bxor(V a, V b) { return _mm512_xor_si512(a, b); }
    static V band(V a, V b) { return _mm512_and_si512(a, b); }
    static V add8(V a, V b) { return _mm512_add_epi8(a, b); }
    static V sub8(V a, V b) { return _mm512_sub_epi8(a, b); }
    static V cmpgt8(V a, V b) { return _mm512_movm_epi8(_mm512_cmpgt_epi8_mask(a, b)); }
    static V cmpeq8(V a, V b) { return _mm512_movm_epi8(_mm512_cmpeq_epi8_mask(a, b)); }
    static V shuffle(V t, V idx) { return _mm512_shuffle_epi8(t, idx); }
    static V srl4(V a) { return _mm512_and_si512(_mm512_srli_epi16(a, 4), _mm512_set1_epi8(0x0F)); }
    static V sll4(V a) { return _mm512_slli_epi16(a, 4); }
    // [first, a0 ... a62]: each group's last byte crosses into the next group.
    static V shiftIn(V a, uint8_t first) {
        const V across = _mm512_alignr_epi64(a, set1(first), 6);  // groups [first..., a's groups 0 to 2]
        return _mm512_alignr_epi8(a, across, 15);
    }
};
#endif

}  // namespace
}  // namespace vekdi::tower
