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
// skipped. Long outputs from many inputs go in tiles of columns
// (regionColumnTiles). Optional in Ops:
//   bxor3(a, b, c)          a three-way XOR in one instruction: plain columns go in pairs
//   kSymmetricBlocks        symmetric 2 x 2 blocks take three products (regionSymmetricStep)
//   kStreamMin, stream, fence  long outputs aligned to the vector are written
//                           around the cache (no read for ownership of lines
//                           that are overwritten whole)
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vekdi::codes {

template <class Ops>
concept RegionXor3 = requires(typename Ops::V v) {
    Ops::bxor3(v, v, v);
};
template <class Ops>
concept RegionSymmetric = RegionXor3<Ops> && Ops::kSymmetricBlocks;
template <class Ops>
concept RegionStreams = requires(uint8_t* p, typename Ops::V v) {
    Ops::kStreamMin;
    Ops::stream(p, v);
    Ops::fence();
};

template <class Ops, int G, int B, bool Stream>
inline __attribute__((always_inline)) void regionStep(const uint8_t* coefs, const uint8_t* tables, std::size_t stride,
                                                      int cols, const bool* plain, const uint8_t* const* in,
                                                      uint8_t* const* out, std::size_t i, const uint8_t* const* from) {
    using V = typename Ops::V;
    constexpr std::size_t W = Ops::kWidth;
    V a[G][B];
    if (from != nullptr) {
        for (int g = 0; g < G; ++g)
            for (int b = 0; b < B; ++b) a[g][b] = Ops::load(from[g] + i + b * W);
    } else {
        for (int g = 0; g < G; ++g)
            for (int b = 0; b < B; ++b) a[g][b] = Ops::zero();
    }
    for (int c = 0; c < cols; ++c) {
        if constexpr (RegionXor3<Ops>) {
            // Two plain columns at once: one three-way XOR takes both products.
            if (plain[c] && c + 1 < cols && plain[c + 1]) {
                typename Ops::X x0[B], x1[B];
                for (int b = 0; b < B; ++b) {
                    x0[b] = Ops::split(Ops::load(in[c] + i + b * W));
                    x1[b] = Ops::split(Ops::load(in[c + 1] + i + b * W));
                }
                for (int g = 0; g < G; ++g) {
                    const auto t0 = Ops::table(tables + (g * stride + c) * Ops::kTableBytes);
                    const auto t1 = Ops::table(tables + (g * stride + c + 1) * Ops::kTableBytes);
                    for (int b = 0; b < B; ++b) a[g][b] = Ops::bxor3(a[g][b], Ops::mul(t0, x0[b]), Ops::mul(t1, x1[b]));
                }
                ++c;
                continue;
            }
        }
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
        for (int b = 0; b < B; ++b) {
            if constexpr (Stream)
                Ops::stream(out[g] + i + b * W, a[g][b]);
            else
                Ops::store(out[g] + i + b * W, a[g][b]);
        }
}

// Rows in pairs (r, r + 1) and columns in pairs (c, c + 1) whose 2 x 2 blocks
// read [[p, q], [q, p]], as in a Cauchy matrix 1 / (i ^ j) whose first row is
// even: the block's four products are three,
//   p x0 + q x1 = p (x0 + x1) + (p + q) x1,  q x0 + p x1 = p (x0 + x1) + (p + q) x0.
// An odd last row and an odd last column take their products one by one.
// symTables: per pair of rows g / 2 and column c, (g / 2 * cols + c) * kTableBytes,
// the table of p at the first column of a pair and that of p + q at the second.
template <class Ops, int G, int B, bool Stream>
inline __attribute__((always_inline)) void regionSymmetricStep(const uint8_t* symTables, const uint8_t* tables,
                                                               std::size_t stride, int cols, const uint8_t* const* in,
                                                               uint8_t* const* out, std::size_t i,
                                                               const uint8_t* const* from) {
    using V = typename Ops::V;
    constexpr std::size_t W = Ops::kWidth, TB = Ops::kTableBytes;
    V a[G][B];
    for (int g = 0; g < G; ++g)
        for (int b = 0; b < B; ++b) a[g][b] = from != nullptr ? Ops::load(from[g] + i + b * W) : Ops::zero();
    int c = 0;
    for (; c + 2 <= cols; c += 2) {
        V x0[B], x1[B], sum[B];
        for (int b = 0; b < B; ++b) {
            x0[b] = Ops::load(in[c] + i + b * W);
            x1[b] = Ops::load(in[c + 1] + i + b * W);
            sum[b] = Ops::bxor(x0[b], x1[b]);
        }
        for (int g = 0; g + 1 < G; g += 2) {
            const uint8_t* t = symTables + (g / 2 * static_cast<std::size_t>(cols) + c) * TB;
            const auto p = Ops::table(t), pq = Ops::table(t + TB);
            for (int b = 0; b < B; ++b) {
                const V shared = Ops::mul(p, Ops::split(sum[b]));
                a[g][b] = Ops::bxor3(a[g][b], shared, Ops::mul(pq, Ops::split(x1[b])));
                a[g + 1][b] = Ops::bxor3(a[g + 1][b], shared, Ops::mul(pq, Ops::split(x0[b])));
            }
        }
        if constexpr (G % 2 == 1) {  // an odd last row: both products
            const auto t0 = Ops::table(tables + ((G - 1) * stride + c) * TB);
            const auto t1 = Ops::table(tables + ((G - 1) * stride + c + 1) * TB);
            for (int b = 0; b < B; ++b)
                a[G - 1][b] = Ops::bxor3(a[G - 1][b], Ops::mul(t0, Ops::split(x0[b])), Ops::mul(t1, Ops::split(x1[b])));
        }
    }
    if (c < cols) {
        typename Ops::X x[B];
        for (int b = 0; b < B; ++b) x[b] = Ops::split(Ops::load(in[c] + i + b * W));
        for (int g = 0; g < G; ++g) {
            const auto t = Ops::table(tables + (g * stride + c) * TB);
            for (int b = 0; b < B; ++b) a[g][b] = Ops::bxor(a[g][b], Ops::mul(t, x[b]));
        }
    }
    for (int g = 0; g < G; ++g)
        for (int b = 0; b < B; ++b) {
            if constexpr (Stream)
                Ops::stream(out[g] + i + b * W, a[g][b]);
            else
                Ops::store(out[g] + i + b * W, a[g][b]);
        }
}

// The last n < kWidth bytes at offset i, through vectors on the stack.
template <class Ops, int G>
inline void regionTail(const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int cols,
                       const uint8_t* const* in, uint8_t* const* out, std::size_t i, std::size_t n,
                       const uint8_t* const* from) {
    using V = typename Ops::V;
    constexpr std::size_t W = Ops::kWidth;
    alignas(64) uint8_t buffer[W];
    auto loadPart = [&](const uint8_t* p) {
        std::memset(buffer, 0, W);
        std::memcpy(buffer, p, n);
        return Ops::load(buffer);
    };
    V a[G];
    for (int g = 0; g < G; ++g) a[g] = from != nullptr ? loadPart(from[g] + i) : Ops::zero();
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

template <class Ops, int G, bool Stream>
void regionSteps(const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int cols, const bool* plain,
                 const uint8_t* const* in, uint8_t* const* out, std::size_t& i, std::size_t end,
                 const uint8_t* const* from, const uint8_t* symTables) {
    constexpr std::size_t W = Ops::kWidth;
    if constexpr (RegionSymmetric<Ops> && G >= 2) {
        if (symTables != nullptr) {
            constexpr int S = G <= 4 ? 4 : 2;  // the accumulators and three vectors per step in registers
            for (; i + S * W <= end; i += S * W)
                regionSymmetricStep<Ops, G, S, Stream>(symTables, tables, stride, cols, in, out, i, from);
        }
    }
    constexpr int B = Ops::template block<G>();
    for (; i + B * W <= end; i += B * W)
        regionStep<Ops, G, B, Stream>(coefs, tables, stride, cols, plain, in, out, i, from);
    if constexpr (B > 1)
        for (; i + W <= end; i += W)
            regionStep<Ops, G, 1, Stream>(coefs, tables, stride, cols, plain, in, out, i, from);
}

template <class Ops, int G>
void regionGroup(const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int cols, const uint8_t* const* in,
                 uint8_t* const* out, std::size_t begin, std::size_t end, const uint8_t* const* from, bool stream) {
    // Columns of the group without a 0 or a 1 take the products without tests.
    bool plain[256];
    for (int c = 0; c < cols; ++c) {
        plain[c] = true;
        for (int g = 0; g < G; ++g) plain[c] = plain[c] && coefs[g * stride + c] > 1;
    }
    // Symmetric pairs of rows and columns without a 0 or a 1 take three
    // products in four, from the tables of p and p + q made here.
    constexpr bool kSymmetric = RegionSymmetric<Ops> && G >= 2;
    alignas(64) uint8_t symBuffer[kSymmetric ? G / 2 * 256 * Ops::kTableBytes : 1];
    const uint8_t* symTables = nullptr;
    if constexpr (kSymmetric) {
        constexpr std::size_t TB = Ops::kTableBytes;
        bool symmetric = cols >= 2;
        for (int c = 0; c < cols; ++c) symmetric = symmetric && plain[c];
        for (int g = 0; g + 1 < G && symmetric; g += 2)
            for (int c = 0; c + 1 < cols && symmetric; c += 2) {
                const uint8_t* r0 = coefs + g * stride + c;
                const uint8_t* r1 = r0 + stride;
                symmetric = r0[0] == r1[1] && r0[1] == r1[0];
            }
        if (symmetric) {
            for (int g = 0; g + 1 < G; g += 2)
                for (int c = 0; c < cols; ++c) {
                    uint8_t* t = symBuffer + (g / 2 * static_cast<std::size_t>(cols) + c) * TB;
                    const uint8_t* p = tables + (g * stride + (c & ~1)) * TB;
                    for (std::size_t j = 0; j < TB; ++j) t[j] = (c & 1) ? p[j] ^ p[TB + j] : p[j];
                }
            symTables = symBuffer;
        }
    }
    std::size_t i = begin;
    if constexpr (RegionStreams<Ops>)
        if (stream) regionSteps<Ops, G, true>(coefs, tables, stride, cols, plain, in, out, i, end, from, symTables);
    regionSteps<Ops, G, false>(coefs, tables, stride, cols, plain, in, out, i, end, from, symTables);
    if (i < end) regionTail<Ops, G>(coefs, tables, stride, cols, in, out, i, end - i, from);
}

template <class Ops, int G>
void regionRows(int rows, const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int cols,
                const uint8_t* const* in, uint8_t* const* out, std::size_t begin, std::size_t end,
                const uint8_t* const* from, bool stream) {
    if constexpr (G >= 1) {
        if (rows == G) return regionGroup<Ops, G>(coefs, tables, stride, cols, in, out, begin, end, from, stream);
        regionRows<Ops, G - 1>(rows, coefs, tables, stride, cols, in, out, begin, end, from, stream);
    }
}

// Long outputs from many inputs: per tile of the length, the columns go in
// chunks whose partial sums stay in a scratch tile on the stack, and the last
// chunk writes the outputs. Memory then serves a few inputs at a time in runs
// of the tile, far better than every input a few lines at a time.
template <class Ops>
void regionColumnTiles(const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int rows, int cols,
                       const uint8_t* const* in, uint8_t* const* out, std::size_t length) {
    constexpr int kMax = Ops::kMaxRows, kChunk = 8;
    constexpr std::size_t kTile = 4096;
    static_assert(kTile % (Ops::kWidth * 4) == 0);
    alignas(64) uint8_t scratch[kMax][kTile];
    uint8_t* partial[kMax];
    for (int g = 0; g < kMax; ++g) partial[g] = scratch[g];
    const uint8_t* inTile[256];
    uint8_t* outTile[256];
    for (std::size_t t = 0; t < length; t += kTile) {
        const std::size_t n = std::min(kTile, length - t);
        for (int c = 0; c < cols; ++c) inTile[c] = in[c] + t;
        for (int r = 0; r < rows; ++r) outTile[r] = out[r] + t;
        for (int r = 0; r < rows; r += kMax) {
            const int g = std::min(kMax, rows - r);
            for (int c = 0; c < cols; c += kChunk) {
                const int chunk = std::min(kChunk, cols - c);
                const std::size_t at = static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(c);
                regionRows<Ops, kMax>(g, coefs + at, tables + at * Ops::kTableBytes, stride, chunk, inTile + c,
                                      c + chunk == cols ? outTile + r : partial, 0, n, c == 0 ? nullptr : partial,
                                      false);
            }
        }
    }
}

template <class Ops>
void regionDot(const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int rows, int cols,
               const uint8_t* const* in, uint8_t* const* out, std::size_t length, bool accumulate) {
    constexpr int kMax = Ops::kMaxRows;
    const uint8_t* const* from = accumulate ? out : nullptr;
    // Long outputs written whole by one pass over at most 12 inputs go around
    // the cache: they would not stay there anyway, and each line is then
    // written without being read first. From more inputs, the columns go in
    // tiles (measured: streaming does not pay there).
    bool stream = false;
    if constexpr (RegionStreams<Ops>) {
        const bool whole = !accumulate && length >= Ops::kStreamMin;
        if (whole && cols > 12) {
            regionColumnTiles<Ops>(coefs, tables, stride, rows, cols, in, out, length);
            Ops::finish();
            return;
        }
        stream = whole && rows <= kMax;
        for (int r = 0; r < rows && stream; ++r) stream = reinterpret_cast<uintptr_t>(out[r]) % Ops::kWidth == 0;
    }
    if (rows <= kMax) {
        regionRows<Ops, kMax>(rows, coefs, tables, stride, cols, in, out, 0, length, from, stream);
    } else {
        // A tile of every input stays in cache while the row groups pass over it.
        constexpr std::size_t kTile = 4096;
        static_assert(kTile % (Ops::kWidth * 4) == 0);
        for (std::size_t t = 0; t < length; t += kTile) {
            const std::size_t e = std::min(length, t + kTile);
            for (int r = 0; r < rows; r += kMax) {
                const std::size_t at = static_cast<std::size_t>(r) * stride;
                regionRows<Ops, kMax>(std::min(kMax, rows - r), coefs + at, tables + at * Ops::kTableBytes, stride,
                                      cols, in, out + r, t, e, from == nullptr ? nullptr : from + r, false);
            }
        }
    }
    // The streamed stores are ordered before whatever the caller does next.
    if constexpr (RegionStreams<Ops>)
        if (stream) Ops::fence();
    Ops::finish();
}

}  // namespace vekdi::codes
