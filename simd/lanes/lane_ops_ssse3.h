// SPDX-License-Identifier: Apache-2.0
// The building blocks of the table-lane kernels with SSSE3's byte shuffle:
// the field's small tables in registers, sums of logarithms modulo the
// period, and moving bytes between memory and lanes. Included only by files
// compiled with -mssse3.
#pragma once

#include <tmmintrin.h>

#include <cstdint>
#include <cstring>

#include "gf/field.h"

namespace vekdi::lanes {

// The field's power or logarithm table (order = 16 * Slices, or fewer bytes
// for Slices = 1) in registers, read at sixteen indices at once. Loaded
// straight from the field record, which holds the power table and then the
// logarithm table after a 28-byte header; the tables of fewer than 16 bytes
// come from the 16 bytes that end where the logarithm table ends, shifted down.
template <int Slices>
struct Table {
    static_assert(kFieldHeaderSize + 2 * 4 >= 16, "the 16 bytes before a small table's end lie in the record");
    __m128i slice[Slices];

    Table(const FieldGF* f, bool logs) {
        const uint8_t* table = logs ? logTable(f) : expTable(f);
        const auto* at = reinterpret_cast<const __m128i*>(table);
        if constexpr (Slices > 1) {
            for (int t = 0; t < Slices; ++t) slice[t] = _mm_loadu_si128(at + t);
        } else if (f->order == 16) {
            slice[0] = _mm_loadu_si128(at);
        } else {
            const auto* end = reinterpret_cast<const __m128i*>(logTable(f) + f->order - 16);
            const __m128i v = _mm_loadu_si128(end);
            if (f->order == 8)
                slice[0] = logs ? _mm_srli_si128(v, 8) : v;
            else
                slice[0] = logs ? _mm_srli_si128(v, 12) : _mm_srli_si128(v, 8);
        }
    }

    // table[idx] lane by lane, idx < order. Each slice answers only the
    // indices in its own sixteen: shifted down to 0 ... 15 and then raised by
    // 0x70 with saturation, the others get the top bit, which the shuffle
    // reads as zero.
    __m128i operator()(__m128i idx) const {
        if constexpr (Slices == 1) {
            return _mm_shuffle_epi8(slice[0], idx);
        } else {
            const __m128i bias = _mm_set1_epi8(0x70);
            __m128i out = _mm_shuffle_epi8(slice[0], _mm_adds_epu8(idx, bias));
            for (int t = 1; t < Slices; ++t) {
                const __m128i shifted = _mm_sub_epi8(idx, _mm_set1_epi8(char(16 * t)));
                out = _mm_or_si128(out, _mm_shuffle_epi8(slice[t], _mm_adds_epu8(shifted, bias)));
            }
            return out;
        }
    }
};

// Logarithms (each below period) summed and brought back below period:
// where the sum is already below, subtracting wraps to a larger byte.
inline __m128i addLogs(__m128i a, __m128i b, __m128i period) {
    const __m128i s = _mm_add_epi8(a, b);
    return _mm_min_epu8(s, _mm_sub_epi8(s, period));
}

// -x mod period for logarithms x below period.
inline __m128i negateLogs(__m128i x, __m128i period) {
    return addLogs(_mm_sub_epi8(period, x), _mm_setzero_si128(), period);
}

// Lane k holds k.
inline __m128i laneNumbers() { return _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15); }

// The XOR of the sixteen lanes, in lane 0 (the other lanes hold partial sums).
inline __m128i foldToFirstLane(__m128i v) {
    v = _mm_xor_si128(v, _mm_srli_si128(v, 8));
    v = _mm_xor_si128(v, _mm_srli_si128(v, 4));
    v = _mm_xor_si128(v, _mm_srli_si128(v, 2));
    return _mm_xor_si128(v, _mm_srli_si128(v, 1));
}

// Bytes p[0 ... len) in lanes 0 ... len - 1, zeros above, len <= 16, read
// without touching a byte outside them: two overlapping loads of eight or
// four bytes, or single bytes below four.
inline __m128i loadShort(const uint8_t* p, int len) {
    const __m128i lanes = laneNumbers();
    if (len >= 4) {
        const int width = len >= 8 ? 8 : 4;
        __m128i low, high;
        if (width == 8) {
            low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            high = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + len - 8));
        } else {
            uint32_t a, b;
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + len - 4, 4);
            low = _mm_cvtsi32_si128(int(a));
            high = _mm_cvtsi32_si128(int(b));
        }
        // high moved up to end at lane len - 1 (the lanes below its start read as zero)
        return _mm_or_si128(low, _mm_shuffle_epi8(high, _mm_sub_epi8(lanes, _mm_set1_epi8(char(len - width)))));
    }
    uint32_t word = 0;
    for (int i = 0; i < len; ++i) word |= uint32_t(p[i]) << (8 * i);
    return _mm_cvtsi32_si128(int(word));
}

// Bytes p[0 ... len) in lanes, zeros above, from single-byte loads: for a
// list just written byte by byte, which a wider load would have to wait for.
inline __m128i gatherBytes(const uint8_t* p, int len) {
    __m128i v = _mm_setzero_si128();
    for (int i = len - 1; i >= 0; --i) v = _mm_or_si128(_mm_slli_si128(v, 1), _mm_cvtsi32_si128(p[i]));
    return v;
}

// kLaneModulo[m - 2][i] = i mod (2^m - 1) for i = 0 ... 64.
struct LaneModulo {
    alignas(16) uint8_t at[5][80];
    constexpr LaneModulo() : at{} {
        for (int m = 2; m <= 6; ++m)
            for (int i = 0; i <= 64; ++i) at[m - 2][i] = uint8_t(i % ((1 << m) - 1));
    }
};
inline constexpr LaneModulo kLaneModulo;

// Lane i of the 16 * blocks: (i + offset) mod period, offset 0 or 1.
inline void laneIndices(__m128i* out, int m, int offset, int blocks) {
    const uint8_t* at = kLaneModulo.at[m - 2] + offset;
    for (int g = 0; g < blocks; ++g) out[g] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * g));
}

// Lane i: i * factor mod period from in = lane i mod period, by doubling.
inline void timesLanes(__m128i* out, const __m128i* in, unsigned factor, __m128i period, int blocks) {
    for (int g = 0; g < blocks; ++g) {
        __m128i acc = _mm_setzero_si128(), term = in[g];
        for (unsigned f = factor; f != 0; f >>= 1) {
            if (f & 1) acc = addLogs(acc, term, period);
            term = addLogs(term, term, period);
        }
        out[g] = acc;
    }
}

// The logarithm kept for a zero coefficient: added to any logarithm below
// the period it gives an index with the top bit set, whose table entry reads
// as zero.
inline constexpr char kZeroLog = char(0xC0);

// The logarithms of v's lanes, kZeroLog for zeros.
template <int Slices>
inline __m128i logsOf(__m128i v, const Table<Slices>& log) {
    const __m128i zero = _mm_cmpeq_epi8(v, _mm_setzero_si128());
    return _mm_or_si128(_mm_andnot_si128(zero, log(v)), _mm_and_si128(zero, _mm_set1_epi8(kZeroLog)));
}

// Coefficients in 16 * Blocks lanes, constant term first: p becomes x * p,
// with `bottom` in the new constant term.
template <int Blocks>
inline void shiftUp(__m128i* p, __m128i bottom) {
    for (int g = Blocks - 1; g > 0; --g) p[g] = _mm_or_si128(_mm_slli_si128(p[g], 1), _mm_srli_si128(p[g - 1], 15));
    p[0] = _mm_or_si128(_mm_slli_si128(p[0], 1), bottom);
}

// The lanes below `count` of block g: all ones there, zero above.
inline __m128i lanesBelow(int count, int g) {
    const __m128i lane = _mm_add_epi8(laneNumbers(), _mm_set1_epi8(char(16 * g)));
    return _mm_cmpgt_epi8(_mm_set1_epi8(char(count)), lane);
}

// The highest lane of v below `below` that is not zero, 0 where none is.
inline int topLane(__m128i v, int below) {
    const unsigned nonzero = ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128()))) & ((1u << below) - 1);
    return nonzero == 0 ? 0 : 31 - __builtin_clz(nonzero);
}

}  // namespace vekdi::lanes
