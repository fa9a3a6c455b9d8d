// SPDX-License-Identifier: Apache-2.0
// The region kernels: every variant the machine runs against the portable
// one, and the portable one against bit-serial products.
#include "simd/region/region.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "codes/rs_batch.h"
#include "simd/variants.h"
#include "tests/support/guarded_bytes.h"
#include "tests/support/reference_gf.h"

namespace vekdi::codes {
namespace {

using test::GuardedBytes;

struct Case {
    int rows, cols;
    std::size_t length;
    bool accumulate;
    std::vector<uint8_t> coefs;
    std::vector<GuardedBytes> in, out;
};

// dense: no coefficient 0 or 1; alignedOut: every output starts on a 64-byte boundary;
// symmetric: 2 x 2 blocks [[p, q], [q, p]] on pairs of rows and columns.
Case makeCase(std::mt19937& rng, int rows, int cols, std::size_t length, bool accumulate, bool dense = false,
              bool alignedOut = false, bool symmetric = false) {
    Case c{rows, cols, length, accumulate, {}, {}, {}};
    std::uniform_int_distribution<int> byte(0, 255), offset(0, 63), kind(0, 3);
    for (int i = 0; i < rows * cols; ++i) {
        const int k = dense ? 2 : kind(rng);  // a quarter each 0 and 1, the rest anything
        c.coefs.push_back(k == 0 ? 0 : k == 1 ? 1 : static_cast<uint8_t>(dense ? 2 + byte(rng) % 254 : byte(rng)));
    }
    if (symmetric)  // 2 x 2 blocks [[p, q], [q, p]] on pairs of rows and columns
        for (int r = 0; r + 1 < rows; r += 2)
            for (int j = 0; j + 1 < cols; j += 2) {
                const auto at = [&](int dr, int dj) -> uint8_t& {
                    return c.coefs[static_cast<std::size_t>((r + dr) * cols + j + dj)];
                };
                at(1, 1) = at(0, 0);
                at(1, 0) = at(0, 1);
            }
    for (int j = 0; j < cols; ++j) {
        c.in.emplace_back(length, static_cast<std::size_t>(offset(rng)));
        for (std::size_t i = 0; i < length; ++i) c.in.back().data()[i] = static_cast<uint8_t>(byte(rng));
    }
    for (int r = 0; r < rows; ++r) {
        c.out.emplace_back(length, alignedOut ? 0 : static_cast<std::size_t>(offset(rng)),
                           static_cast<uint8_t>(byte(rng)));
    }
    return c;
}

std::vector<std::vector<uint8_t>> run(const RegionKernels& k, Case& c) {
    std::vector<uint8_t> tables(c.coefs.size() * k.tableBytes + 1);
    k.prepare(c.coefs.data(), c.coefs.size(), tables.data());
    std::vector<const uint8_t*> in;
    for (auto& b : c.in) in.push_back(b.data());
    std::vector<GuardedBytes> out;
    std::vector<uint8_t*> outPtr;
    for (auto& b : c.out) {
        out.emplace_back(b.size(), static_cast<std::size_t>(reinterpret_cast<uintptr_t>(b.data()) % 64));
        std::copy(b.data(), b.data() + b.size(), out.back().data());
        outPtr.push_back(out.back().data());
    }
    k.dot(c.coefs.data(), tables.data(), static_cast<std::size_t>(c.cols), c.rows, c.cols, in.data(), outPtr.data(),
          c.length, c.accumulate);
    std::vector<std::vector<uint8_t>> result;
    for (auto& b : out) {
        EXPECT_TRUE(b.guardsIntact()) << k.name;
        result.push_back(b.bytes());
    }
    return result;
}

TEST(RegionKernels, PortableMatchesBitSerialProducts) {
    std::mt19937 rng(7);
    for (bool accumulate : {false, true}) {
        Case c = makeCase(rng, 3, 5, 301, accumulate);
        const auto got = run(regionPortable, c);
        for (int r = 0; r < c.rows; ++r)
            for (std::size_t i = 0; i < c.length; ++i) {
                uint8_t want = accumulate ? c.out[static_cast<std::size_t>(r)].data()[i] : 0;
                for (int j = 0; j < c.cols; ++j)
                    want ^= static_cast<uint8_t>(test::refMul(c.coefs[static_cast<std::size_t>(r * c.cols + j)],
                                                              c.in[static_cast<std::size_t>(j)].data()[i], 0x11D, 8));
                ASSERT_EQ(got[static_cast<std::size_t>(r)][i], want) << "row " << r << " byte " << i;
            }
    }
}

TEST(RegionKernels, EveryVariantMatchesPortable) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> rowsD(1, 12), colsD(1, 20), lengthD(0, 3000);
    int compared = 0;
    for (const RegionKernels* k : regionVariants()) {
        if (k == &regionPortable || !regionSupported(*k)) continue;
        ++compared;
        std::vector<std::size_t> lengths = {0, 1, 15, 16, 17, 63, 64, 65, 127, 129, 4096 + 77};
        for (int i = 0; i < 12; ++i) lengths.push_back(static_cast<std::size_t>(lengthD(rng)));
        for (std::size_t length : lengths)
            for (bool accumulate : {false, true}) {
                // Row counts beyond every variant's register budget take the tiled path.
                const int rows = length == 4096 + 77 ? 20 : rowsD(rng);
                Case c = makeCase(rng, rows, colsD(rng), length, accumulate);
                ASSERT_EQ(run(*k, c), run(regionPortable, c))
                    << k->name << " rows " << c.rows << " cols " << c.cols << " length " << length;
            }
    }
    // Dispatch picks the last supported variant.
    const RegionKernels* last = &regionPortable;
    for (const RegionKernels* k : regionVariants())
        if (regionSupported(*k)) last = k;
    EXPECT_EQ(&regionKernels(), last);
    if (compared == 0) GTEST_SKIP() << "only the portable kernel runs on this machine";
}

TEST(RegionKernels, DenseAndLongAlignedOutputsMatchPortable) {
    // No 0 or 1 in a column: columns go in pairs; symmetric 2 x 2 blocks take three products. Outputs aligned and longer
    // than half a megabyte: written around the cache, unless accumulated into;
    // rows beyond a pass take the row tiles, many inputs the column tiles.
    // Tails and unaligned inputs throughout.
    struct Shape {
        int rows, cols;
        std::size_t length;
        bool accumulate, dense, alignedOut, symmetric = false;
    };
    const std::size_t longLength = (std::size_t(512) << 10) + 77;
    const Shape shapes[] = {{2, 7, 3000, false, true, false},
                            {5, 6, 1000, true, true, false},
                            {2, 7, longLength, false, true, true},
                            {3, 5, longLength, false, false, true},
                            {10, 3, longLength, false, true, true},
                            {3, 5, longLength, true, true, true},
                            {3, 17, longLength, false, false, false},
                            // Symmetric blocks take three products in four, an odd row or column one by one.
                            {4, 7, 3000, false, true, false, true},
                            {2, 10, 1000, true, true, false, true},
                            {8, 6, 3000, false, true, false, true},
                            {6, 5, 700, false, true, false, true},
                            {4, 10, longLength, false, true, true, true},
                            {4, 6, 3000, false, false, false, true},
                            {3, 8, 3000, false, true, false, true},
                            {5, 7, 1000, true, true, false, true}};
    std::mt19937 rng(13);
    int compared = 0;
    for (const RegionKernels* k : regionVariants()) {
        if (k == &regionPortable || !regionSupported(*k)) continue;
        ++compared;
        for (const Shape& s : shapes) {
            Case c = makeCase(rng, s.rows, s.cols, s.length, s.accumulate, s.dense, s.alignedOut, s.symmetric);
            ASSERT_EQ(run(*k, c), run(regionPortable, c))
                << k->name << " rows " << s.rows << " cols " << s.cols << " length " << s.length;
        }
    }
    if (compared == 0) GTEST_SKIP() << "only the portable kernel runs on this machine";
}

// The variant the companion's families run (region and batch kernels): the
// fastest the machine supports, from the features alone, as for the 41-export
// library's families in variants_test.
TEST(Variants, RegionAndBatchKernelsRunTheFastestSupported) {
    using namespace simd;
    std::string regionWant = "portable", batchWant = "none";
#if defined(__x86_64__) || defined(__i386__)
    if (cpuHas(kCpuSsse3)) regionWant = "ssse3";
    if (cpuHas(kCpuAvx2)) regionWant = "avx2";
    if (cpuHas(kCpuAvx2 | kCpuGfni)) regionWant = "avx2-gfni";
    if (cpuHas(kCpuAvx512 | kCpuGfni)) regionWant = "avx512-gfni";
#if defined(VEKDI_SIMD_BATCH_AVX512)
    if (cpuHas(kCpuAvx512 | kCpuGfni)) batchWant = "avx512-gfni";
#endif
#elif defined(__aarch64__)
    regionWant = "neon";
#endif
    EXPECT_EQ(regionKernels().name, regionWant);
    EXPECT_EQ(batchKernels() != nullptr ? batchKernels()->name : "none", batchWant);
    EXPECT_EQ(regionVariants().front(), &regionPortable);
}

}  // namespace
}  // namespace vekdi::codes
