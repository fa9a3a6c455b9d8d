// SPDX-License-Identifier: Apache-2.0
// The vector primitives written once over a small vector-operations type.
// Each variant translation unit includes this header after defining its ops
// types in an anonymous namespace, so every instantiation is private to the
// unit that was compiled with that variant's flags.
//
// An ops type O provides:
//   V, lanes (a multiple of 16)
//   zero(), set1(b), load(p), store(p, v)       unaligned 'lanes'-byte access
//   table(p16)          a 16-byte table repeated in every 16-lane group
//   loadRows(p, stride) / storeRows(p, stride, v)
//                       16-lane group i at p + i*stride
//   bxor, band, add8, sub8, cmpgt8 (signed), cmpeq8
//   shuffle(table, idx) per 16-lane group: 0 where idx has its top bit set,
//                       else table[idx & 15]
//   srl4(v)             (v >> 4) per byte
//   sll4(v)             (v << 4) per byte, for bytes below 16
//   shiftIn(v, b)       lanes moved up by one, lane 0 = b
// W is the widest ops type of the variant, N its 16-lane type and M an
// optional width between them (N when there is none).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "simd/tower/gf16_tables.h"
#include "simd/tower/kernels.h"

namespace vekdi::tower {
namespace {

inline int groupBytes(int len) { return ((len + 15) / 16) * 16; }

template <class O>
struct Ops : O {
    using V = typename O::V;

    // The two 16-entry tables for multiplying by c: t1[v] = c*v and
    // t2[v] = c*(v << 4), so c*b = t1[b & 15] ^ t2[b >> 4].
    struct ConstTables {
        V t1, t2;
        explicit ConstTables(uint8_t c) {
            const uint8_t* t = towerConstantProducts.byConstant[c];
            t1 = O::table(t);
            t2 = O::table(t + 16);
        }
    };

    static V mulByTables(V b, V t1, V t2, V mask) {
        return O::bxor(O::shuffle(t1, O::band(b, mask)), O::shuffle(t2, O::srl4(b)));
    }

    // Nibble product from two logarithm-row values (0xC0 marks a zero factor).
    static V nibbleProduct(V logA, V logB, V fifteen, V powRow) {
        V s = O::add8(logA, logB);
        s = O::sub8(s, O::cmpgt8(s, fifteen));  // s > 15: s + 1, so the low nibble is s - 15
        return O::shuffle(powRow, s);
    }

    struct Block {
        V r1, r2, r3, r4;
    };

    static Block loadBlock(const uint8_t* b) {
        return {O::loadRows(b, 64), O::loadRows(b + 16, 64), O::loadRows(b + 32, 64), O::loadRows(b + 48, 64)};
    }

    // One Horner step a = a*x + c in every lane.
    struct Horner {
        V mask = O::table(gf16Tables.nibbleMask);
        V logRow = O::table(gf16Tables.logRow);
        V powRow = O::table(gf16Tables.powRow);
        V fifteen = O::set1(15);

        V step(V a, V c, const Block& x) const {
            const V la = O::shuffle(logRow, O::band(a, mask));
            const V ha = O::shuffle(logRow, O::srl4(a));
            const V lo = O::bxor(nibbleProduct(la, x.r1, fifteen, powRow), nibbleProduct(ha, x.r3, fifteen, powRow));
            const V hi = O::bxor(nibbleProduct(la, x.r2, fifteen, powRow), nibbleProduct(ha, x.r4, fifteen, powRow));
            return O::bxor(c, O::bxor(lo, O::sll4(hi)));
        }
    };

    // Blocks covered by one vector: lanes / 16 consecutive point blocks.
    static constexpr int kBlocks = O::lanes / 16;

    // The point block of the elements in v.
    static Block blockOf(V v) {
        const V mask = O::table(gf16Tables.nibbleMask);
        const V logRow = O::table(gf16Tables.logRow);
        const V l = O::band(v, mask);
        const V h = O::srl4(v);
        return {O::shuffle(logRow, l), O::shuffle(logRow, h),
                O::shuffle(logRow, O::shuffle(O::table(gf16Tables.product[9]), h)), O::shuffle(logRow, O::bxor(l, h))};
    }

    // One vector of points, two independent chains: p(x) = e(x^2) + x o(x^2)
    // with e, o the even and odd coefficients, so the two Horner chains of
    // half the length overlap in time.
    static void evalSplit(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks) {
        const Horner h;
        const Block x = loadBlock(blocks);
        const V points = O::bxor(O::shuffle(h.powRow, x.r1), O::sll4(O::shuffle(h.powRow, x.r2)));
        const Block x2 = blockOf(h.step(points, O::zero(), x));
        V even = O::zero(), odd = O::zero();
        for (int i = (count + 1) / 2 - 1; i >= 0; --i) {
            even = h.step(even, O::set1(coeffs[2 * i]), x2);
            odd = h.step(odd, O::set1(2 * i + 1 < count ? coeffs[2 * i + 1] : 0), x2);
        }
        O::storeRows(out, 16, h.step(odd, even, x));
    }

    // Long polynomials: p(x) = sum over m of x^(16m) p_m(x), p_m holding the
    // coefficients 16m ... 16m + 15. p_m(P) is a sum of products of a
    // coefficient (the same in every lane) with the lane's power P^l, each
    // two lookups in that coefficient's product tables with the nibbles of
    // P^l as indices; Horner's rule in P^16 joins the p_m. That costs 32
    // lane-by-lane products in all instead of one per coefficient.
    static void evalByPowers(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks) {
        const Horner h;
        const Powers p(loadBlock(blocks));
        V acc = O::zero();
        for (int m = (count - 1) / 16; m >= 0; --m) {
            const uint8_t* c = coeffs + 16 * m;
            const int terms = count - 16 * m < 16 ? count - 16 * m : 16;
            V sum = O::zero();
            for (int l = 0; l < terms; ++l) sum = O::bxor(sum, p.times(c[l], l));
            acc = h.step(acc, sum, p.x16);
        }
        O::storeRows(out, 16, acc);
    }

    // The powers P^0 ... P^15 of the lanes' points split into nibbles, and
    // the block of P^16.
    struct Powers {
        V lo[16], hi[16];
        Block x16;
        explicit Powers(const Block& x) {
            const Horner h;
            V power = O::set1(1);
            for (int l = 0; l < 16; ++l) {
                lo[l] = O::band(power, h.mask);
                hi[l] = O::srl4(power);
                power = h.step(power, O::zero(), x);
            }
            x16 = blockOf(power);
        }
        // c * P^l through c's product tables.
        V times(uint8_t c, int l) const {
            const uint8_t* t = towerConstantProducts.byConstant[c];
            return O::bxor(O::shuffle(O::table(t), lo[l]), O::shuffle(O::table(t + 16), hi[l]));
        }
    };

    // Sum of values[i] * P^exps[i] (exponents below 256) in every lane: the
    // terms gathered by exponent / 16, then Horner's rule in P^16.
    static V evalSparse(const uint8_t* values, const uint8_t* exps, int count, const Block& x) {
        const Horner h;
        const Powers p(x);
        V sums[16];
        for (V& v : sums) v = O::zero();
        int top = 0;
        for (int i = 0; i < count; ++i) {
            const int m = exps[i] >> 4;
            sums[m] = O::bxor(sums[m], p.times(values[i], exps[i] & 15));
            top = m > top ? m : top;
        }
        V acc = sums[top];
        for (int m = top - 1; m >= 0; --m) acc = h.step(acc, sums[m], p.x16);
        return acc;
    }

    // The scalar product c*b through c's product tables.
    static uint8_t mulScalar(uint8_t c, uint8_t b) {
        const uint8_t* t = towerConstantProducts.byConstant[c];
        return t[b & 15] ^ t[16 + (b >> 4)];
    }

    static constexpr int kMaxStepVectors = 256 / O::lanes;

    // Points P * s^(lanes*v + i) for lane i of vector v < vectors (at most
    // kMaxStepVectors), P the lanes of the first vector: term k at vector v
    // is c_k P^k (s^lanes)^(kv), so each term moves to the next vector by a
    // product with one constant, two table lookups. Lane-by-lane products
    // are needed only for the powers P^k of the first vector.
    static void evalStepping(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int vectors,
                             uint8_t ratio) {
        const Horner h;
        const Block x = loadBlock(blocks);
        uint8_t stride = ratio;  // ratio^lanes by squaring (lanes is a power of two)
        for (int i = 1; i < O::lanes; i *= 2) stride = mulScalar(stride, stride);
        V acc[kMaxStepVectors];
        for (int v = 0; v < vectors; ++v) acc[v] = O::zero();
        V power = O::set1(1);  // P^k
        uint8_t step = 1;      // stride^k
        for (int k = 0; k < count; ++k) {
            const uint8_t* tc = towerConstantProducts.byConstant[coeffs[k]];
            V term = O::bxor(O::shuffle(O::table(tc), O::band(power, h.mask)), O::shuffle(O::table(tc + 16), O::srl4(power)));
            const uint8_t* ts = towerConstantProducts.byConstant[step];
            const V s1 = O::table(ts), s2 = O::table(ts + 16);
            acc[0] = O::bxor(acc[0], term);
            for (int v = 1; v < vectors; ++v) {
                term = mulByTables(term, s1, s2, h.mask);
                acc[v] = O::bxor(acc[v], term);
            }
            power = h.step(power, O::zero(), x);
            step = mulScalar(step, stride);
        }
        for (int v = 0; v < vectors; ++v) O::storeRows(out + O::lanes * v, 16, acc[v]);
    }

    // Two independent vectors per step for instruction-level parallelism.
    static void evalTwo(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks) {
        const Horner h;
        const Block x = loadBlock(blocks);
        const Block y = loadBlock(blocks + 64 * kBlocks);
        V a = O::set1(coeffs[count - 1]);
        V b = a;
        for (int i = count - 2; i >= 0; --i) {
            const V c = O::set1(coeffs[i]);
            a = h.step(a, c, x);
            b = h.step(b, c, y);
        }
        O::storeRows(out, 16, a);
        O::storeRows(out + 16 * kBlocks, 16, b);
    }

    // Runs over the bytes of [i, end) that fill whole vectors; returns the new i.
    template <class F>
    static int forVectors(int i, int end, F&& f) {
        for (; i + O::lanes <= end; i += O::lanes) f(i);
        return i;
    }
};

template <class W, class N, class M = N>
struct Body {
    using WO = Ops<W>;
    using MO = Ops<M>;
    using NO = Ops<N>;
    static constexpr bool kMiddle = !std::is_same_v<M, N>;

    static void convert(uint8_t* out, const uint8_t* in, int len, const uint8_t* matrix) {
        const int end = groupBytes(len);
        auto run = [&](auto ops, int i) {
            using O = decltype(ops);
            return O::forVectors(i, end, [&](int at) {
                const auto v = O::load(in + at);
                auto acc = O::zero();
                for (int j = 7; j >= 0; --j) {
                    const auto bit = O::set1(static_cast<uint8_t>(1u << j));
                    const auto set = O::cmpeq8(O::band(v, bit), bit);
                    acc = O::bxor(acc, O::band(O::table(matrix + 16 * j), set));
                }
                O::store(out + at, acc);
            });
        };
        run(NO{}, run(MO{}, run(WO{}, 0)));
    }

    static void expandPoints(uint8_t* out, const uint8_t* in, int len) {
        const int end = groupBytes(len);
        auto run = [&](auto ops, int i) {
            using O = decltype(ops);
            return O::forVectors(i, end, [&](int at) {
                const auto mask = O::table(gf16Tables.nibbleMask);
                const auto logRow = O::table(gf16Tables.logRow);
                const auto times9 = O::table(gf16Tables.product[9]);
                const auto v = O::load(in + at);  // read the whole group before writing
                const auto l = O::band(v, mask);
                const auto h = O::srl4(v);
                uint8_t* b = out + 4 * at;
                const auto r1 = O::shuffle(logRow, l);
                const auto r2 = O::shuffle(logRow, h);
                const auto r3 = O::shuffle(logRow, O::shuffle(times9, h));
                const auto r4 = O::shuffle(logRow, O::bxor(l, h));
                O::storeRows(b, 64, r1);
                O::storeRows(b + 16, 64, r2);
                O::storeRows(b + 32, 64, r3);
                O::storeRows(b + 48, 64, r4);
            });
        };
        run(NO{}, run(MO{}, run(WO{}, 0)));
    }

    // The vector variants evaluate long polynomials by powers of the points;
    // the reference keeps Horner's rule throughout.
    static constexpr bool kByPowers = !requires { W::reference; };
    static constexpr int kLongPolynomial = 48;

    static void evalPoly16(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* block) {
        if (kByPowers && count >= kLongPolynomial) {
            NO::evalByPowers(out, coeffs, count, block);
            return;
        }
        NO::evalSplit(out, coeffs, count, block);
    }

    static void evalPolyBlocks(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount) {
        int g = 0;
        if (kByPowers && count >= kLongPolynomial) {
            for (; g + WO::kBlocks <= blockCount; g += WO::kBlocks)
                WO::evalByPowers(out + 16 * g, coeffs, count, blocks + 64 * g);
            for (; g + MO::kBlocks <= blockCount; g += MO::kBlocks)
                MO::evalByPowers(out + 16 * g, coeffs, count, blocks + 64 * g);
            for (; g < blockCount; ++g) NO::evalByPowers(out + 16 * g, coeffs, count, blocks + 64 * g);
            return;
        }
        for (; g + 2 * WO::kBlocks <= blockCount; g += 2 * WO::kBlocks)
            WO::evalTwo(out + 16 * g, coeffs, count, blocks + 64 * g);
        if constexpr (kMiddle)
            for (; g + 2 * MO::kBlocks <= blockCount; g += 2 * MO::kBlocks)
                MO::evalTwo(out + 16 * g, coeffs, count, blocks + 64 * g);
        // A lone vector's Horner chain is bound by its latency: split it.
        for (; g + WO::kBlocks <= blockCount; g += WO::kBlocks)
            WO::evalSplit(out + 16 * g, coeffs, count, blocks + 64 * g);
        if constexpr (kMiddle)
            for (; g + MO::kBlocks <= blockCount; g += MO::kBlocks)
                MO::evalSplit(out + 16 * g, coeffs, count, blocks + 64 * g);
        for (; g < blockCount; ++g) NO::evalSplit(out + 16 * g, coeffs, count, blocks + 64 * g);
    }

    static void evalGeometric(uint8_t* out, const uint8_t* coeffs, int count, const uint8_t* blocks, int blockCount,
                              uint8_t ratio) {
        const int vectors = std::min(blockCount / WO::kBlocks, WO::kMaxStepVectors);
        if (!kByPowers || vectors < 2) {
            evalPolyBlocks(out, coeffs, count, blocks, blockCount);
            return;
        }
        WO::evalStepping(out, coeffs, count, blocks, vectors, ratio);
        const int g = vectors * WO::kBlocks;
        if (g < blockCount) evalPolyBlocks(out + 16 * g, coeffs, count, blocks + 64 * g, blockCount - g);
    }

    // The syndromes of an error pattern as the values of the sparse
    // polynomial sum Y_i x^(d_i) at the points alpha^(b + j - 1).
    static void errataSyndromes(uint8_t* out, const uint8_t* exps, const uint8_t* logs, int count, int b, int r,
                                const uint8_t* towerPow) {
        const int groups = (r + 15) / 16;
        alignas(16) uint8_t blocks[64 * 16];
        uint8_t* points = blocks + 48 * groups;  // expanded in place
        for (int j = 0; j < 16 * groups; ++j) points[j] = towerPow[unsigned(b + j) % 255u];
        expandPoints(blocks, points, 16 * groups);
        uint8_t values[256];
        for (int i = 0; i < count; ++i) values[i] = towerPow[logs[i]];
        alignas(16) uint8_t result[256];
        int g = 0;
        for (; g + WO::kBlocks <= groups; g += WO::kBlocks)
            WO::storeRows(result + 16 * g, 16, WO::evalSparse(values, exps, count, WO::loadBlock(blocks + 64 * g)));
        for (; g + MO::kBlocks <= groups; g += MO::kBlocks)
            MO::storeRows(result + 16 * g, 16, MO::evalSparse(values, exps, count, MO::loadBlock(blocks + 64 * g)));
        for (; g < groups; ++g)
            NO::storeRows(result + 16 * g, 16, NO::evalSparse(values, exps, count, NO::loadBlock(blocks + 64 * g)));
        std::memcpy(out, result, size_t(r));
    }

    // XOR of the first `bytes` bytes at p (a multiple of 8).
    static uint8_t foldBytes(const uint8_t* p, int bytes) {
        uint64_t x = 0;
        for (int i = 0; i < bytes; i += 8) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            x ^= w;
        }
        x ^= x >> 32;
        x ^= x >> 16;
        x ^= x >> 8;
        return uint8_t(x);
    }

    static uint8_t dot(const uint8_t* a, const uint8_t* b, int len) {
        const int end = groupBytes(len);
        if constexpr (!kByPowers) {  // the reference: one scalar product at a time
            uint8_t sum = 0;
            for (int i = 0; i < end; ++i) sum ^= WO::mulScalar(a[i], b[i]);
            return sum;
        }
        uint8_t sum = 0;
        auto run = [&](auto ops, int i) {
            using O = decltype(ops);
            const typename O::Horner h;
            auto acc = O::zero();
            i = O::forVectors(i, end, [&](int at) {
                acc = O::bxor(acc, h.step(O::load(a + at), O::zero(), O::blockOf(O::load(b + at))));
            });
            alignas(32) uint8_t bytes[O::lanes];
            O::store(bytes, acc);
            sum ^= foldBytes(bytes, O::lanes);
            return i;
        };
        run(NO{}, run(MO{}, run(WO{}, 0)));
        return sum;
    }

    template <bool Accumulate>
    static void mulConstInto(uint8_t* out, const uint8_t* in, int len, uint8_t c) {
        const int end = groupBytes(len);
        auto run = [&](auto ops, int i) {
            using O = decltype(ops);
            const typename O::ConstTables t(c);
            const auto t1 = t.t1, t2 = t.t2, mask = O::table(gf16Tables.nibbleMask);
            return O::forVectors(i, end, [&](int at) {
                auto p = O::mulByTables(O::load(in + at), t1, t2, mask);
                if constexpr (Accumulate) p = O::bxor(p, O::load(out + at));
                O::store(out + at, p);
            });
        };
        run(NO{}, run(MO{}, run(WO{}, 0)));
    }

    static void mulConst(uint8_t* out, const uint8_t* in, int len, uint8_t c) { mulConstInto<false>(out, in, len, c); }
    static void mulAddConst(uint8_t* inout, const uint8_t* in, int len, uint8_t c) {
        mulConstInto<true>(inout, in, len, c);
    }

    // Each group of the product is summed in a register from whole vectors
    // of a copy of a with zeros on both sides, read at every shift j, and
    // stored once: no group is read back after a store that overlaps it.
    static void polyMul(uint8_t* out, const uint8_t* a, int aLen, const uint8_t* s, int sLen) {
        const int end = groupBytes(aLen + sLen - 1);
        const int aEnd = groupBytes(aLen);
        constexpr int kPad = 256;
        if (aEnd > 256 || sLen > kPad) {  // longer than the copy holds
            std::memset(out, 0, static_cast<size_t>(end));
            for (int j = 0; j < sLen; ++j)
                if (s[j] != 0) mulConstInto<true>(out + j, a, aLen, s[j]);
            return;
        }
        alignas(32) uint8_t pad[kPad + 512];
        std::memset(pad + kPad - (sLen - 1), 0, static_cast<size_t>(sLen - 1));
        std::memcpy(pad + kPad, a, static_cast<size_t>(aEnd));
        std::memset(pad + kPad + aEnd, 0, static_cast<size_t>(end - aEnd));
        auto run = [&](auto ops, int i) {
            using O = decltype(ops);
            const auto mask = O::table(gf16Tables.nibbleMask);
            return O::forVectors(i, end, [&](int at) {
                // Only the shifts whose window meets a's groups contribute.
                const int first = std::max(0, at - aEnd + 1), last = std::min(sLen - 1, at + O::lanes - 1);
                auto acc = O::zero();
                for (int j = first; j <= last; ++j) {
                    if (s[j] == 0) continue;
                    const typename O::ConstTables t(s[j]);
                    acc = O::bxor(acc, O::mulByTables(O::load(pad + kPad + at - j), t.t1, t.t2, mask));
                }
                O::store(out + at, acc);
            });
        };
        run(NO{}, run(WO{}, 0));
    }

    static void mulLinear(uint8_t* p, int len, uint8_t c) {
        const int end = groupBytes(len + 1);
        uint8_t carry = 0;  // the last old coefficient of the previous group
        auto run = [&](auto ops, int i) {
            using O = decltype(ops);
            const typename O::ConstTables t(c);
            const auto t1 = t.t1, t2 = t.t2, mask = O::table(gf16Tables.nibbleMask);
            return O::forVectors(i, end, [&](int at) {
                const auto old = O::load(p + at);
                const uint8_t nextCarry = p[at + O::lanes - 1];
                const auto shifted = O::shiftIn(old, carry);
                O::store(p + at, O::bxor(old, O::mulByTables(shifted, t1, t2, mask)));
                carry = nextCarry;
            });
        };
        run(NO{}, run(MO{}, run(WO{}, 0)));
    }

    static uint8_t mulAddDot(uint8_t* inout, const uint8_t* in, int len, uint8_t c, const uint8_t* other,
                             int dotLen) {
        mulAddConst(inout, in, len, c);
        return dot(inout, other, dotLen);
    }

    static void evalPairAt(uint8_t* outA, const uint8_t* a, int aCount, uint8_t* outB, const uint8_t* b, int bCount,
                           const uint8_t* points, int count, uint8_t* work) {
        const int groups = (count + 15) / 16;
        expandPoints(work, points, 16 * groups);
        evalPolyBlocks(outA, a, aCount, work, groups);
        evalPolyBlocks(outB, b, bCount, work, groups);
    }

    static void mulLinearRun(uint8_t* p, int degree, const uint8_t* cs, int count, int cap) {
        for (int i = 0; i < count; ++i) {
            mulLinear(p, ++degree, cs[i]);
            degree = std::min(degree, cap);
        }
    }
};

template <class W, class N, class M = N>
constexpr TowerKernels makeKernels(const char* name, unsigned features) {
    using B = Body<W, N, M>;
    return TowerKernels{name,         features,          &B::convert,  &B::expandPoints, &B::evalPoly16,
                        &B::evalPolyBlocks, &B::evalGeometric, &B::dot,      &B::mulConst, &B::mulAddConst, &B::polyMul,
                        &B::mulLinear,  nullptr,           B::kByPowers ? &B::errataSyndromes : nullptr,
                        &B::mulAddDot,  &B::mulLinearRun,  &B::evalPairAt, nullptr, nullptr, nullptr, nullptr, nullptr};
}

}  // namespace
}  // namespace vekdi::tower
