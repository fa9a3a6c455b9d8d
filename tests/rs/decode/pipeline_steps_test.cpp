// SPDX-License-Identifier: Apache-2.0
// Generic decoding kernels on hand-made polynomials.
#include <gtest/gtest.h>

#include "rs/decode/arith_generic.h"
#include "rs/decode/drivers.h"
#include "rs/decode/pipeline.h"
#include "tests/support/rs_code.h"
#include "tests/support/reference_gf.h"

namespace vekdi::test {
namespace {

TEST(RSKernels, FormalDerivativeKeepsOddPowersShiftedDown) {
    TestField f(8, 0x11D);
    uint8_t c[4] = {7, 0x11, 0x22, 0x33};
    PolyGF p;
    polyWrap(&p, f, c, 4, 3);
    polyDerivative(&p, &p);
    EXPECT_EQ(p.degree, 2);
    EXPECT_EQ(c[0], 0x11);
    EXPECT_EQ(c[1], 0);
    EXPECT_EQ(c[2], 0x33);
    uint8_t e[3] = {1, 0, 5};  // 1 + 5x^2: derivative 0
    uint8_t out[3] = {9, 9, 9};
    PolyGF src, dst;
    polyWrap(&src, f, e, 3, 2);
    polyWrap(&dst, f, out, 3, 0);
    polyDerivative(&dst, &src);
    EXPECT_TRUE(polyIsZero(&dst));
    polyWrap(&src, f, e, 3, 0);
    polyDerivative(&dst, &src);
    EXPECT_TRUE(polyIsZero(&dst));
}

TEST(RSKernels, ChienSearchFindsTheLocatorRoot) {
    RSCode code(8, 0x11B, 223, 1);
    const RSDecoder h = loadDecoderHeader(code.decoder());
    for (int p : {0, 1, 100, 254}) {
        uint8_t c[3] = {1, 0, 0};
        PolyGF l;
        polyWrap(&l, code.field(), c, 3, 0);
        uint8_t out[2] = {};
        EXPECT_EQ(rsChienSearchGeneric(out, &l), 0);
        rsErasureLocator(GenericArith(&h), &l, &p, 1);
        ASSERT_EQ(l.degree, 1);
        ASSERT_EQ(rsChienSearchGeneric(out, &l), 1);
        EXPECT_EQ(out[0], 254 - p);
    }
}

TEST(RSKernels, SingleErrorValueForAnyRoot) {
    // Lambda = 1 + X x, Omega = S * Lambda mod x^(r+1), Lambda' = X: the value is e.
    for (int b : {0, 1, 2, 77}) {
        TestField probe(8, 0x11D);
        uint32_t root = 1;
        for (int i = 0; i < b; ++i) root = gfMulTable(probe, root, 2);
        RSCode code(8, 0x11D, 247, uint8_t(root));
        const RSDecoder h = loadDecoderHeader(code.decoder());
        const int r = 8, d = 200;
        const uint8_t e = 0x5A;
        std::vector<uint8_t> word(255, 0);
        word[size_t(254 - d)] = e;
        uint8_t rc[255], sc[9], wc[9], dc[1], pos[1] = {uint8_t(d)}, exps[1], logs[1];
        for (int i = 0; i < 255; ++i) rc[i] = word[size_t(254 - i)];
        PolyGF rp, sp, wp, dp;
        polyWrap(&rp, code.field(), rc, 255, 254);
        polyWrap(&sp, code.field(), sc, 9, 0);
        rsSyndromesGeneric(&sp, &rp, h.rootPowers, r);
        const uint8_t x = expTable(code.field())[d];
        for (int i = 0; i <= r; ++i) {
            wc[i] = sc[i];
            if (i > 0) wc[i] ^= gfMulTable(code.field(), x, sc[i - 1]);
        }
        polyWrap(&wp, code.field(), wc, 9, r);
        polyNormalise(&wp);
        dc[0] = x;
        polyWrap(&dp, code.field(), dc, 1, 0);
        ErrataList errata{exps, logs, 0};
        alignas(16) uint8_t scratch[7 * 16];
        ASSERT_EQ(rsErrorValues(GenericArith(&h), &errata, &dp, &wp, pos, 1, scratch), 1) << b;
        EXPECT_EQ(exps[0], d);
        EXPECT_EQ(expTable(code.field())[logs[0]], e) << b;
        // The same errata explain the syndromes.
        EXPECT_TRUE(rsErrataMatchesSyndromes(errata, expTable(code.field()), 255, b % 255, sc + 1, r));
        logs[0] = uint8_t((logs[0] + 1) % 255);
        EXPECT_FALSE(rsErrataMatchesSyndromes(errata, expTable(code.field()), 255, b % 255, sc + 1, r));
    }
}

TEST(RSKernels, VanishingDerivativeIsReported) {
    RSCode code(4, 0x13, 9, 2);
    const RSDecoder h = loadDecoderHeader(code.decoder());
    uint8_t zero[1] = {0}, one[1] = {1}, pos[3] = {1, 2, 3}, exps[3], logs[3];
    PolyGF dp, wp;
    polyWrap(&dp, code.field(), zero, 1, 0);
    polyWrap(&wp, code.field(), one, 1, 0);
    ErrataList errata{exps, logs, 0};
    alignas(16) uint8_t scratch[7 * 16];
    EXPECT_EQ(rsErrorValues(GenericArith(&h), &errata, &dp, &wp, pos, 3, scratch), 0);
    EXPECT_EQ(errata.count, 0);
}

TEST(RSKernels, ErasureChecks) {
    const int list[] = {0, 5, 14};
    EXPECT_TRUE(rsCheckErasures(nullptr, 1000, 15, 6));
    EXPECT_TRUE(rsCheckErasures(nullptr, -1, 15, 6));
    EXPECT_TRUE(rsCheckErasures(list, 0, 15, 6));
    EXPECT_TRUE(rsCheckErasures(list, 3, 15, 6));
    EXPECT_FALSE(rsCheckErasures(list, 3, 14, 6));
    EXPECT_FALSE(rsCheckErasures(list, 3, 15, 2));
    EXPECT_FALSE(rsCheckErasures(list, -2, 15, 6));
    ErasureMap map;
    EXPECT_TRUE(rsMarkErasures(&map, list, 3, 15));
    EXPECT_EQ(map.erased[14] + map.erased[9] + map.erased[0], 3);
    const int twice[] = {4, 7, 4};
    EXPECT_FALSE(rsMarkErasures(&map, twice, 3, 15));
}

}  // namespace
}  // namespace vekdi::test
