// SPDX-License-Identifier: Apache-2.0
#include "gf256.h"

#include <algorithm>
#include <cstring>

#include "vekdi.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VEKDI_TOOL_X86 1
#elif defined(__aarch64__)
#include <arm_neon.h>
#define VEKDI_TOOL_NEON 1
#endif

namespace vekdi::tool {

Gf256::Gf256() : product_(256 * 256) {
    const vekdi::Field field(0x11D);
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b)
            product_[a * 256 + b] = field.mul(static_cast<uint8_t>(a), static_cast<uint8_t>(b));
        inverse_[a] = a ? field.inv(static_cast<uint8_t>(a)) : 0;
    }
}

const Gf256& Gf256::instance() {
    static const Gf256 field;
    return field;
}

NibbleTable nibbleTable(uint8_t c) {
    const Gf256& gf = Gf256::instance();
    NibbleTable t{};
    for (int x = 0; x < 16; ++x) {
        t.lo[x] = gf.mul(c, static_cast<uint8_t>(x));
        t.hi[x] = gf.mul(c, static_cast<uint8_t>(x << 4));
    }
    t.c = c;
    return t;
}

namespace {

using MulXorFn = void (*)(uint8_t* dst, const uint8_t* src, size_t len, const NibbleTable& t);

void mulXorPortable(uint8_t* dst, const uint8_t* src, size_t len, const NibbleTable& t) {
    const uint8_t* row = Gf256::instance().row(t.c);
    for (size_t i = 0; i < len; ++i) dst[i] ^= row[src[i]];
}

#if defined(VEKDI_TOOL_X86)
__attribute__((target("ssse3"))) void mulXorSsse3(uint8_t* dst, const uint8_t* src, size_t len,
                                                  const NibbleTable& t) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.lo));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.hi));
    const __m128i mask = _mm_set1_epi8(0x0f);
    size_t i = 0;
    for (; i + 16 <= len; i += 16) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        __m128i p = _mm_xor_si128(_mm_shuffle_epi8(lo, _mm_and_si128(s, mask)),
                                  _mm_shuffle_epi8(hi, _mm_and_si128(_mm_srli_epi64(s, 4), mask)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_xor_si128(d, p));
    }
    if (i < len) mulXorPortable(dst + i, src + i, len - i, t);
}

__attribute__((target("avx2"))) void mulXorAvx2(uint8_t* dst, const uint8_t* src, size_t len,
                                                const NibbleTable& t) {
    const __m256i lo = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t.lo)));
    const __m256i hi = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t.hi)));
    const __m256i mask = _mm256_set1_epi8(0x0f);
    size_t i = 0;
    for (; i + 64 <= len; i += 64) {
        __m256i s0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        __m256i s1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 32));
        __m256i p0 = _mm256_xor_si256(_mm256_shuffle_epi8(lo, _mm256_and_si256(s0, mask)),
                                      _mm256_shuffle_epi8(hi, _mm256_and_si256(_mm256_srli_epi64(s0, 4), mask)));
        __m256i p1 = _mm256_xor_si256(_mm256_shuffle_epi8(lo, _mm256_and_si256(s1, mask)),
                                      _mm256_shuffle_epi8(hi, _mm256_and_si256(_mm256_srli_epi64(s1, 4), mask)));
        __m256i d0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        __m256i d1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_xor_si256(d0, p0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i + 32), _mm256_xor_si256(d1, p1));
    }
    if (i < len) mulXorSsse3(dst + i, src + i, len - i, t);
}
#endif

#if defined(VEKDI_TOOL_NEON)
void mulXorNeon(uint8_t* dst, const uint8_t* src, size_t len, const NibbleTable& t) {
    const uint8x16_t lo = vld1q_u8(t.lo);
    const uint8x16_t hi = vld1q_u8(t.hi);
    const uint8x16_t mask = vdupq_n_u8(0x0f);
    size_t i = 0;
    for (; i + 16 <= len; i += 16) {
        uint8x16_t s = vld1q_u8(src + i);
        uint8x16_t p = veorq_u8(vqtbl1q_u8(lo, vandq_u8(s, mask)), vqtbl1q_u8(hi, vshrq_n_u8(s, 4)));
        vst1q_u8(dst + i, veorq_u8(vld1q_u8(dst + i), p));
    }
    if (i < len) mulXorPortable(dst + i, src + i, len - i, t);
}
#endif

struct Kernel {
    const char* name;
    MulXorFn mulXor;
};

const Kernel& kernel() {
    static const Kernel chosen = [] {
#if defined(VEKDI_TOOL_X86)
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2")) return Kernel{"avx2", mulXorAvx2};
        if (__builtin_cpu_supports("ssse3")) return Kernel{"ssse3", mulXorSsse3};
#elif defined(VEKDI_TOOL_NEON)
        return Kernel{"neon", mulXorNeon};
#endif
        return Kernel{"portable", mulXorPortable};
    }();
    return chosen;
}

void xorInto(uint8_t* dst, const uint8_t* src, size_t len) {
    for (size_t i = 0; i < len; ++i) dst[i] ^= src[i];
}

} // namespace

const char* regionKernelName() { return kernel().name; }

LinearMap::LinearMap(int outputs, int inputs, const std::vector<uint8_t>& coef)
    : outputs_(outputs), inputs_(inputs), tables_(static_cast<size_t>(outputs) * inputs) {
    for (size_t j = 0; j < tables_.size(); ++j) tables_[j] = nibbleTable(coef[j]);
}

void LinearMap::apply(const uint8_t* const* in, uint8_t* const* out, size_t len) const {
    // Tiles small enough that one input tile stays in L1 while every output
    // tile is updated from it.
    constexpr size_t tile = 4096;
    const MulXorFn mulXor = kernel().mulXor;
    for (size_t x = 0; x < len; x += tile) {
        const size_t n = std::min(tile, len - x);
        for (int o = 0; o < outputs_; ++o) std::memset(out[o] + x, 0, n);
        for (int i = 0; i < inputs_; ++i) {
            if (in[i] == nullptr) continue;
            for (int o = 0; o < outputs_; ++o) {
                const NibbleTable& t = tables_[static_cast<size_t>(o) * inputs_ + i];
                if (t.c == 0) continue;
                if (t.c == 1)
                    xorInto(out[o] + x, in[i] + x, n);
                else
                    mulXor(out[o] + x, in[i] + x, n, t);
            }
        }
    }
}

} // namespace vekdi::tool
