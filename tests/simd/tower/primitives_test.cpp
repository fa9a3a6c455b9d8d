// SPDX-License-Identifier: Apache-2.0
// The tower-basis vector primitives: the portable variant against scalar
// tower arithmetic, every other variant against the portable one, byte for
// byte, over lengths 1 ... 300 at every alignment each primitive allows.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include "simd/tower/gf16_tables.h"
#include "tests/support/tower_variants.h"
#include "tests/support/fields.h"

namespace vekdi::test {
namespace {

using tower::TowerKernels;
using tower::towerMul;

constexpr int kMaxLen = 300;

// Random bytes with runs of the values that stress the nibble arithmetic.
std::vector<uint8_t> testBytes(size_t n, int pattern) {
    std::vector<uint8_t> v(n);
    std::uniform_int_distribution<int> byte(0, 255);
    for (size_t i = 0; i < n; ++i) {
        switch (pattern) {
            case 0: v[i] = static_cast<uint8_t>(byte(rng())); break;
            case 1: v[i] = 0; break;
            case 2: v[i] = 0xFF; break;
            default: {
                static constexpr uint8_t kEdges[] = {0x00, 0x01, 0x10, 0x0F, 0xF0, 0x80, 0x11, 0x9F, 0xFF};
                v[i] = kEdges[byte(rng()) % 9];
            }
        }
    }
    return v;
}

uint8_t logOf(uint8_t v) { return tower::gf16Tables.logRow[v & 15]; }

std::vector<uint8_t> referenceBlock(const uint8_t* points) {
    std::vector<uint8_t> b(64);
    for (int j = 0; j < 16; ++j) {
        const uint8_t l = points[j] & 15, h = points[j] >> 4;
        b[j] = logOf(l);
        b[16 + j] = logOf(h);
        b[32 + j] = logOf(tower::gf16Mul(9, h));
        b[48 + j] = logOf(l ^ h);
    }
    return b;
}

uint8_t referenceEval(const uint8_t* coeffs, int count, uint8_t x) {
    uint8_t a = coeffs[count - 1];
    for (int i = count - 2; i >= 0; --i) a = towerMul(a, x) ^ coeffs[i];
    return a;
}

TEST(Gf16Tables, RowsAndProductTableAreGf16Arithmetic) {
    const auto& t = tower::gf16Tables;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&t) % 16, 0u);
    for (int v = 0; v < 16; ++v) {
        EXPECT_EQ(t.nibbleMask[v], 0x0F);
        if (v > 0) {
            EXPECT_EQ(t.powRow[t.logRow[v]], v);
        }
        for (int w = 0; w < 16; ++w) EXPECT_EQ(t.product[v][w], tower::gf16Mul(uint8_t(v), uint8_t(w)));
    }
    EXPECT_EQ(t.logRow[0], 0xC0);
    EXPECT_EQ(t.powRow[15], 1);
}

TEST(Gf16Tables, ConstantProductsSplitEveryProductByNibbles) {
    const auto& t = tower::towerConstantProducts;
    for (int c = 0; c < 256; ++c)
        for (int b = 0; b < 256; ++b)
            ASSERT_EQ(t.byConstant[c][b & 15] ^ t.byConstant[c][16 + (b >> 4)], towerMul(uint8_t(c), uint8_t(b)))
                << c << " * " << b;
}

TEST(TowerArithmetic, IsAFieldWithTheStatedModulus) {
    // y^2 = y + 9: (0x10)^2 = 0x19.
    EXPECT_EQ(towerMul(0x10, 0x10), 0x19);
    for (int a = 1; a < 256; ++a) {
        // Every nonzero element has an inverse, and a^255 = 1.
        int inverses = 0;
        for (int b = 1; b < 256; ++b) inverses += towerMul(uint8_t(a), uint8_t(b)) == 1;
        EXPECT_EQ(inverses, 1) << a;
        EXPECT_EQ(tower::towerPow(uint8_t(a), 255), 1) << a;
    }
}

TEST(TowerPrimitives, PointBlocksOfZeroAndOne) {
    for (const TowerKernels* k : runnableVariants()) {
        alignas(16) uint8_t in[16] = {0, 1};
        alignas(16) uint8_t out[64];
        k->expandPoints(out, in, 1);  // a length of 1 still fills the whole group
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(out[16 * row], 0xC0) << k->name;
            EXPECT_EQ(out[16 * row + 1], (row == 0 || row == 3) ? 0x00 : 0xC0) << k->name;
            for (int j = 2; j < 16; ++j) EXPECT_EQ(out[16 * row + j], 0xC0) << k->name;
        }
    }
}

// Runs `op` with the portable variant and with `k` on identical inputs and
// demands identical output bytes and intact guards.
void expectSameAsPortable(const TowerKernels& k, size_t outSize, size_t offset,
                          const std::function<void(const TowerKernels&, uint8_t*)>& op, const std::string& what) {
    GuardedBytes ref(outSize, offset, 0x3C), got(outSize, offset, 0x3C);
    op(tower::towerPortable, ref.data());
    op(k, got.data());
    ASSERT_TRUE(ref.guardsIntact()) << what;
    ASSERT_TRUE(got.guardsIntact()) << k.name << " " << what;
    ASSERT_EQ(ref.bytes(), got.bytes()) << k.name << " " << what;
}

TEST(TowerPrimitives, PortableConvertAppliesTheMatrixLaneByLane) {
    alignas(16) uint8_t matrix[128];
    const auto m = testBytes(128, 0);
    std::memcpy(matrix, m.data(), 128);
    for (int len : {1, 15, 16, 17, 255, 300}) {
        const auto in = testBytes(kMaxLen + 16, len % 4);
        GuardedBytes src(groupBytes(len), 0, 0), out(groupBytes(len), 0, 0);
        std::memcpy(src.data(), in.data(), src.size());
        tower::towerPortable.convert(out.data(), src.data(), len, matrix);
        EXPECT_TRUE(out.guardsIntact());
        for (int i = 0; i < groupBytes(len); ++i) {
            uint8_t expect = 0;
            for (int j = 0; j < 8; ++j)
                if (in[i] & (1 << j)) expect ^= matrix[16 * j + i % 16];
            ASSERT_EQ(out.data()[i], expect) << len << " " << i;
        }
    }
}

TEST(TowerPrimitives, PortableExpandAndEvaluateMatchScalarArithmetic) {
    for (int pattern = 0; pattern < 4; ++pattern) {
        alignas(16) uint8_t points[16];
        alignas(16) uint8_t block[64];
        const auto p = testBytes(16, pattern == 1 ? 0 : pattern);
        std::memcpy(points, p.data(), 16);
        tower::towerPortable.expandPoints(block, points, 16);
        ASSERT_EQ(std::vector<uint8_t>(block, block + 64), referenceBlock(points));
        for (int count : {1, 2, 3, 17, 255}) {
            const auto coeffs = testBytes(count, pattern);
            uint8_t out[16];
            tower::towerPortable.evalPoly16(out, coeffs.data(), count, block);
            for (int j = 0; j < 16; ++j) ASSERT_EQ(out[j], referenceEval(coeffs.data(), count, points[j])) << count;
        }
    }
}

TEST(TowerPrimitives, PortableProductsMatchScalarArithmetic) {
    for (int len : {1, 16, 33, 300}) {
        const auto in = testBytes(groupBytes(len), 0);
        for (uint8_t c : {0x00, 0x01, 0x10, 0x2D, 0xFF}) {
            std::vector<uint8_t> out(groupBytes(len) + 16, 0x77), acc = out;
            tower::towerPortable.mulConst(out.data(), in.data(), len, c);
            tower::towerPortable.mulAddConst(acc.data(), in.data(), len, c);
            for (int i = 0; i < groupBytes(len); ++i) {
                ASSERT_EQ(out[i], towerMul(c, in[i]));
                ASSERT_EQ(acc[i], towerMul(c, in[i]) ^ 0x77);
            }
            EXPECT_EQ(out[groupBytes(len)], 0x77);  // nothing past the last group
        }
    }
    // Product of polynomials and multiplication by (1 + c*x).
    for (int aLen : {1, 5, 16, 40}) {
        for (int sLen : {1, 3, 17}) {
            std::vector<uint8_t> a = testBytes(groupBytes(aLen), 0);
            std::fill(a.begin() + aLen, a.end(), 0);
            const auto s = testBytes(sLen, 3);
            std::vector<uint8_t> out(groupBytes(aLen) + groupBytes(sLen) + 16, 0x99);
            tower::towerPortable.polyMul(out.data(), a.data(), aLen, s.data(), sLen);
            for (int k = 0; k < aLen + sLen - 1; ++k) {
                uint8_t expect = 0;
                for (int j = 0; j < sLen; ++j)
                    if (k - j >= 0 && k - j < aLen) expect ^= towerMul(s[j], a[k - j]);
                ASSERT_EQ(out[k], expect) << aLen << " " << sLen << " " << k;
            }
        }
        alignas(16) uint8_t p[64] = {};
        const auto a = testBytes(aLen, 0);
        std::memcpy(p, a.data(), aLen);
        tower::towerPortable.mulLinear(p, aLen, 0x53);
        for (int i = 0; i <= aLen; ++i) {
            const uint8_t old = i < aLen ? a[i] : 0, prev = i > 0 ? a[i - 1] : 0;
            ASSERT_EQ(p[i], old ^ towerMul(0x53, prev)) << aLen << " " << i;
        }
    }
}

class TowerVariantTest : public ::testing::TestWithParam<const TowerKernels*> {};

TEST_P(TowerVariantTest, ConvertAndExpandMatchPortable) {
    const TowerKernels& k = *GetParam();
    alignas(16) uint8_t matrix[128];
    for (int len = 1; len <= kMaxLen; ++len) {
        const int pattern = len % 4;
        const auto in = testBytes(groupBytes(len), pattern);
        const auto m = testBytes(128, pattern == 1 ? 0 : pattern);
        std::memcpy(matrix, m.data(), 128);
        expectSameAsPortable(k, groupBytes(len), 0, [&](const TowerKernels& v, uint8_t* out) {
            std::memcpy(out, in.data(), in.size());
            v.convert(out, out, len, matrix);  // in place
        }, "convert " + std::to_string(len));
        GuardedBytes src(groupBytes(len), 16, 0);
        std::memcpy(src.data(), in.data(), in.size());
        expectSameAsPortable(k, 4 * groupBytes(len), 0, [&](const TowerKernels& v, uint8_t* out) {
            v.expandPoints(out, src.data(), len);
        }, "expand " + std::to_string(len));
        // Input in the last quarter of the output area.
        expectSameAsPortable(k, 4 * groupBytes(len), 0, [&](const TowerKernels& v, uint8_t* out) {
            std::memcpy(out + 3 * groupBytes(len), in.data(), in.size());
            v.expandPoints(out, out + 3 * groupBytes(len), groupBytes(len));
        }, "expand in place " + std::to_string(len));
    }
}

TEST_P(TowerVariantTest, EvaluationMatchesPortable) {
    const TowerKernels& k = *GetParam();
    GuardedBytes blocks(16 * 64, 0, 0);
    const auto points = testBytes(256, 0);
    GuardedBytes pts(256, 0, 0);
    std::memcpy(pts.data(), points.data(), 256);
    tower::towerPortable.expandPoints(blocks.data(), pts.data(), 256);
    std::vector<int> counts(kMaxLen);
    std::iota(counts.begin(), counts.end(), 1);
    counts.insert(counts.end(), {511, 512, 513, 600});  // beyond any decoder polynomial
    for (int count : counts) {
        const auto coeffs = testBytes(count + 16, count % 4);
        for (size_t offset : {0, 1, 7}) {
            GuardedBytes c(count, offset, 0);
            std::memcpy(c.data(), coeffs.data(), count);
            expectSameAsPortable(k, 16, offset, [&](const TowerKernels& v, uint8_t* out) {
                v.evalPoly16(out, c.data(), count, blocks.data() + 64 * (count % 16));
            }, "eval16 " + std::to_string(count));
            const int blockCount = 1 + count % 16;
            expectSameAsPortable(k, 16 * blockCount, offset, [&](const TowerKernels& v, uint8_t* out) {
                v.evalPolyBlocks(out, c.data(), count, blocks.data(), blockCount);
            }, "evalBlocks " + std::to_string(count));
        }
    }
}

TEST_P(TowerVariantTest, GeometricEvaluationMatchesPortable) {
    const TowerKernels& k = *GetParam();
    for (uint8_t ratio : {0x00, 0x01, 0x02, 0x53, 0xFF, 0x9B}) {
        for (uint8_t first : {0x01, 0x35, 0x00}) {
            alignas(16) uint8_t pts[256];
            alignas(16) uint8_t blocks[16 * 64];
            uint8_t x = first;
            for (int i = 0; i < 256; ++i, x = towerMul(x, ratio)) pts[i] = x;
            tower::towerPortable.expandPoints(blocks, pts, 256);
            for (int count : {1, 2, 17, 33, 34, 64, 255}) {
                const auto coeffs = testBytes(count, count % 4);
                for (int blockCount : {1, 2, 3, 4, 5, 8, 15, 16}) {
                    expectSameAsPortable(k, 16 * blockCount, 0, [&](const TowerKernels& v, uint8_t* out) {
                        v.evalGeometric(out, coeffs.data(), count, blocks, blockCount, ratio);
                    }, "geometric " + std::to_string(ratio) + " " + std::to_string(count) + " " +
                           std::to_string(blockCount));
                }
            }
        }
    }
}

TEST_P(TowerVariantTest, ProductsMatchPortableAtEveryAlignment) {
    const TowerKernels& k = *GetParam();
    for (int len = 1; len <= kMaxLen; ++len) {
        const int pattern = len % 4;
        const auto in = testBytes(groupBytes(len) + 32, pattern);
        const auto base = testBytes(groupBytes(len), 0);
        const uint8_t c = static_cast<uint8_t>(len * 37);
        for (size_t offset = 0; offset < 16; ++offset) {
            GuardedBytes src(groupBytes(len), (offset * 5) % 16, 0);
            std::memcpy(src.data(), in.data(), src.size());
            expectSameAsPortable(k, groupBytes(len), offset, [&](const TowerKernels& v, uint8_t* out) {
                v.mulConst(out, src.data(), len, c);
            }, "mulConst " + std::to_string(len));
            expectSameAsPortable(k, groupBytes(len), offset, [&](const TowerKernels& v, uint8_t* out) {
                std::memcpy(out, base.data(), base.size());
                v.mulAddConst(out, src.data(), len, c);
            }, "mulAddConst " + std::to_string(len));
        }
        // p(x)*(1 + c*x): p aligned, zero above its degree.
        expectSameAsPortable(k, groupBytes(len + 1), 0, [&](const TowerKernels& v, uint8_t* out) {
            std::memset(out, 0, groupBytes(len + 1));
            std::memcpy(out, in.data(), len);
            v.mulLinear(out, len, c);
        }, "mulLinear " + std::to_string(len));
        // a(x)*s(x) for a few multiplier lengths.
        const int sLen = 1 + len % 40;
        std::vector<uint8_t> a(groupBytes(len), 0);
        std::memcpy(a.data(), in.data(), len);
        const auto s = testBytes(sLen, pattern);
        for (size_t offset : {0, 3}) {
            expectSameAsPortable(k, groupBytes(len) + groupBytes(sLen), offset, [&](const TowerKernels& v, uint8_t* out) {
                v.polyMul(out, a.data(), len, s.data(), sLen);
            }, "polyMul " + std::to_string(len));
        }
    }
}

// The decoder's steps in one call give what their separate kernels give: the
// update then the discrepancy, two polynomials at shared points, and factor
// after factor with the cap.
TEST_P(TowerVariantTest, FusedStepsMatchTheirParts) {
    const TowerKernels& k = *GetParam();
    for (int len : {1, 16, 17, 33, 100}) {
        const auto in = testBytes(groupBytes(len), len % 4);
        const auto other = testBytes(groupBytes(len + 16), 2);
        const uint8_t c = static_cast<uint8_t>(len * 29 + 1);
        const auto start = testBytes(groupBytes(len + 16), 0);
        expectSameAsPortable(k, groupBytes(len + 16) + 1, 0, [&](const TowerKernels& v, uint8_t* out) {
            std::memcpy(out, start.data(), start.size());
            std::vector<uint8_t> parts(start);
            v.mulAddConst(parts.data(), in.data(), len, c);
            const uint8_t expect = v.dot(parts.data(), other.data(), len + 16);
            out[start.size()] = v.mulAddDot(out, in.data(), len, c, other.data(), len + 16);
            EXPECT_EQ(out[start.size()], expect) << v.name;
            EXPECT_TRUE(std::equal(parts.begin(), parts.end(), out)) << v.name;
        }, "mulAddDot " + std::to_string(len));
    }
    for (int count : {1, 16, 17, 40}) {  // two polynomials at shared points
        const auto pa = testBytes(count + 3, 0), pb = testBytes(count, 3);
        const int groups = (count + 15) / 16;
        const auto pts = testBytes(16 * groups, 0);
        expectSameAsPortable(k, 32 * groups, 0, [&](const TowerKernels& v, uint8_t* out) {
            alignas(16) uint8_t work[64 * 3], blocks[64 * 3], parts[2][48];
            std::memcpy(work + 48 * groups, pts.data(), pts.size());
            v.evalPairAt(out, pa.data(), count + 3, out + 16 * groups, pb.data(), count, work + 48 * groups, count, work);
            v.expandPoints(blocks, pts.data(), 16 * groups);
            v.evalPolyBlocks(parts[0], pa.data(), count + 3, blocks, groups);
            v.evalPolyBlocks(parts[1], pb.data(), count, blocks, groups);
            EXPECT_TRUE(std::equal(parts[0], parts[0] + 16 * groups, out)) << v.name;
            EXPECT_TRUE(std::equal(parts[1], parts[1] + 16 * groups, out + 16 * groups)) << v.name;
        }, "evalPairAt " + std::to_string(count));
    }
    for (int cap : {8, 15, 30, 64}) {
        for (int degree : {0, 3, cap}) {
            for (int count : {1, 9, cap / 2, cap - degree + 4}) {
                if (count < 1) continue;
                const auto cs = testBytes(count, 3);
                std::vector<uint8_t> start = testBytes(groupBytes(cap + 2), 0);
                std::fill(start.begin() + degree + 1, start.end(), 0);
                start[degree] |= 1;
                expectSameAsPortable(k, start.size(), 0, [&](const TowerKernels& v, uint8_t* out) {
                    std::memcpy(out, start.data(), start.size());
                    std::vector<uint8_t> parts(start);
                    for (int i = 0, d = degree; i < count; ++i) {
                        v.mulLinear(parts.data(), ++d, cs[i]);
                        d = std::min(d, cap);
                    }
                    v.mulLinearRun(out, degree, cs.data(), count, cap);
                    EXPECT_TRUE(std::equal(parts.begin(), parts.end(), out)) << v.name;
                }, "mulLinearRun " + std::to_string(cap) + " " + std::to_string(degree) + " " + std::to_string(count));
            }
        }
    }
}

std::string variantName(const ::testing::TestParamInfo<const TowerKernels*>& info) { return info.param->name; }

INSTANTIATE_TEST_SUITE_P(EveryVariant, TowerVariantTest, ::testing::ValuesIn(runnableVariants()), variantName);

}  // namespace
}  // namespace vekdi::test
