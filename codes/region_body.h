// SPDX-License-Identifier: Apache-2.0
// The region dot product written once over a vector-ops type; each variant
// unit instantiates it with its own instruction set. Ops provides:
//   V, T                    a vector and a coefficient's table in registers
//   kWidth, block<G>()      bytes per vector; vectors per step and input for G rows
//   kMaxRows                outputs kept in registers per pass
//   kTableBytes, prepare    the table format of this variant
//   X, split                an input vector made ready for several products
//   load, store, zero, bxor, table, mul(T, X), finish
// Every output is written once per pass: a pass keeps up to kMaxRows
// accumulators per step in registers and reads each input once for all of
// them. With more rows than that, the length is cut into tiles that stay in
// cache while the row groups pass over them. A coefficient 1 is an XOR, 0 is
// skipped.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vekdi::codes {

template <class Ops, int G, int B>
inline __attribute__((always_inline)) void regionStep(const uint8_t* coefs, const uint8_t* tables, std::size_t stride,
                                                      int cols, const bool* plain, const uint8_t* const* in,
                                                      uint8_t* const* out, std::size_t i, bool accumulate) {
    using V = typename Ops::V;
    constexpr std::size_t W = Ops::kWidth;
    V a[G][B];
    if (accumulate) {
        for (int g = 0; g < G; ++g)
            for (int b = 0; b < B; ++b) a[g][b] = Ops::load(out[g] + i + b * W);
    } else {
        for (int g = 0; g < G; ++g)
            for (int b = 0; b < B; ++b) a[g][b] = Ops::zero();
    }
    for (int c = 0; c < cols; ++c) {
        V x[B];
        typename Ops::X xs[B];
        for (int b = 0; b < B; ++b) {
            x[b] = Ops::load(in[c] + i + b * W);
            xs[b] = Ops::split(x[b]);
        }
        if (plain[c]) {  // no 0 or 1 in this column of the group: products only, no tests
            for (int g = 0; g < G; ++g) {
                const auto t = Ops::table(tables + (g * stride + c) * Ops::kTableBytes);
                for (int b = 0; b < B; ++b) a[g][b] = Ops::bxor(a[g][b], Ops::mul(t, xs[b]));
            }
            continue;
        }
        for (int g = 0; g < G; ++g) {
            const uint8_t coef = coefs[g * stride + c];
            if (coef == 1) {
                for (int b = 0; b < B; ++b) a[g][b] = Ops::bxor(a[g][b], x[b]);
            } else if (coef != 0) {
                const auto t = Ops::table(tables + (g * stride + c) * Ops::kTableBytes);
                for (int b = 0; b < B; ++b) a[g][b] = Ops::bxor(a[g][b], Ops::mul(t, xs[b]));
            }
        }
    }
    for (int g = 0; g < G; ++g)
        for (int b = 0; b < B; ++b) Ops::store(out[g] + i + b * W, a[g][b]);
}

// The last n < kWidth bytes at offset i, through vectors on the stack.
template <class Ops, int G>
inline void regionTail(const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int cols,
                       const uint8_t* const* in, uint8_t* const* out, std::size_t i, std::size_t n,
                       bool accumulate) {
    using V = typename Ops::V;
    constexpr std::size_t W = Ops::kWidth;
    alignas(64) uint8_t buffer[W];
    auto loadPart = [&](const uint8_t* p) {
        std::memset(buffer, 0, W);
        std::memcpy(buffer, p, n);
        return Ops::load(buffer);
    };
    V a[G];
    for (int g = 0; g < G; ++g) a[g] = accumulate ? loadPart(out[g] + i) : Ops::zero();
    for (int c = 0; c < cols; ++c) {
        const V x = loadPart(in[c] + i);
        const typename Ops::X xs = Ops::split(x);
        for (int g = 0; g < G; ++g) {
            const uint8_t coef = coefs[g * stride + c];
            if (coef == 1)
                a[g] = Ops::bxor(a[g], x);
            else if (coef != 0)
                a[g] = Ops::bxor(a[g], Ops::mul(Ops::table(tables + (g * stride + c) * Ops::kTableBytes), xs));
        }
    }
    for (int g = 0; g < G; ++g) {
        Ops::store(buffer, a[g]);
        std::memcpy(out[g] + i, buffer, n);
    }
}

template <class Ops, int G>
void regionGroup(const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int cols, const uint8_t* const* in,
                 uint8_t* const* out, std::size_t begin, std::size_t end, bool accumulate) {
    constexpr std::size_t W = Ops::kWidth;
    constexpr int B = Ops::template block<G>();
    // Columns of the group without a 0 or a 1 take the products without tests.
    bool plain[256];
    for (int c = 0; c < cols; ++c) {
        plain[c] = true;
        for (int g = 0; g < G; ++g) plain[c] = plain[c] && coefs[g * stride + c] > 1;
    }
    std::size_t i = begin;
    for (; i + B * W <= end; i += B * W)
        regionStep<Ops, G, B>(coefs, tables, stride, cols, plain, in, out, i, accumulate);
    if constexpr (B > 1)
        for (; i + W <= end; i += W) regionStep<Ops, G, 1>(coefs, tables, stride, cols, plain, in, out, i, accumulate);
    if (i < end) regionTail<Ops, G>(coefs, tables, stride, cols, in, out, i, end - i, accumulate);
}

template <class Ops, int G>
void regionRows(int rows, const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int cols,
                const uint8_t* const* in, uint8_t* const* out, std::size_t begin, std::size_t end, bool accumulate) {
    if constexpr (G >= 1) {
        if (rows == G) return regionGroup<Ops, G>(coefs, tables, stride, cols, in, out, begin, end, accumulate);
        regionRows<Ops, G - 1>(rows, coefs, tables, stride, cols, in, out, begin, end, accumulate);
    }
}

template <class Ops>
void regionDot(const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int rows, int cols,
               const uint8_t* const* in, uint8_t* const* out, std::size_t length, bool accumulate) {
    constexpr int kMax = Ops::kMaxRows;
    if (rows <= kMax) {
        regionRows<Ops, kMax>(rows, coefs, tables, stride, cols, in, out, 0, length, accumulate);
    } else {
        // A tile of every input stays in cache while the row groups pass over it.
        constexpr std::size_t kTile = 4096;
        static_assert(kTile % (Ops::kWidth * 4) == 0);
        for (std::size_t t = 0; t < length; t += kTile) {
            const std::size_t e = std::min(length, t + kTile);
            for (int r = 0; r < rows; r += kMax) {
                const std::size_t at = static_cast<std::size_t>(r) * stride;
                regionRows<Ops, kMax>(std::min(kMax, rows - r), coefs + at, tables + at * Ops::kTableBytes, stride,
                                      cols, in, out + r, t, e, accumulate);
            }
        }
    }
    Ops::finish();
}

}  // namespace vekdi::codes
