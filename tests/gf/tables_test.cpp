// SPDX-License-Identifier: Apache-2.0
// Table builder, bit-mask arithmetic, built-in binary field and size query.
#include <gtest/gtest.h>

#include "gf/field.h"
#include "gf/mask_arith.h"
#include "tests/support/fields.h"
#include "tests/support/reference_gf.h"

namespace vekdi {
namespace {

using test::TestField;

TEST(FieldTables, MaskMulModExamplesAndZeroOperands) {
    EXPECT_EQ(maskMulMod(0x80, 2, 0x11D, 8), 0x1Du);
    EXPECT_EQ(maskMulMod(2, 2, 0x11D, 8), 4u);
    EXPECT_EQ(maskMulMod(0, 0xFFFFFFFF, 0x11D, 8), 0u);
    EXPECT_EQ(maskMulMod(0xFFFFFFFF, 0, 0x11D, 8), 0u);
    for (int m = 1; m <= 8; ++m) {
        for (uint32_t g : test::irreducibleMasks(m)) {
            for (uint32_t a = 0; a < (1u << m); ++a)
                for (uint32_t b = 0; b < (1u << m); ++b)
                    ASSERT_EQ(maskMulMod(a, b, g, m), test::refMul(a, b, g, m)) << m << " " << g;
        }
    }
}

TEST(FieldTables, MaskPowModMatchesReference) {
    for (uint32_t g : {0x11Du, 0x11Bu, 0x13u, 0x7u}) {
        const int m = 31 - __builtin_clz(g);
        for (uint32_t b = 0; b < (1u << m); ++b) {
            for (uint32_t e : {0u, 1u, 2u, 3u, 15u, 51u, 85u, 254u, 255u, 256u, 0xFFFFFFFFu}) {
                const uint32_t expect = b == 0 ? 0 : test::refPow(b, e, g, m);
                ASSERT_EQ(maskPowMod(b, e, g, m), expect) << b << "^" << e;
            }
        }
    }
}

TEST(FieldTables, BuildExamples) {
    TestField f8(8, 0x11D, 2);
    EXPECT_EQ(expTable(f8)[255], 1);
    EXPECT_EQ(expTable(f8)[8], 0x1D);
    EXPECT_EQ(logTable(f8)[0], 255);
    EXPECT_EQ(logTable(f8)[1], 0);
    EXPECT_EQ(logTable(f8)[2], 1);
    EXPECT_EQ(f8.get()->id, kFieldId);
    EXPECT_EQ(f8.get()->order, 256u);
    EXPECT_EQ(f8.get()->generatorMask, 0x11Du);

    TestField f4(4, 0x13, 2);
    const uint8_t exp4[] = {1, 2, 4, 8, 3, 6, 12, 11, 5, 10, 7, 14, 15, 13, 9, 1};
    const uint8_t log4[] = {255, 0, 1, 4, 2, 8, 5, 10, 3, 14, 9, 7, 6, 13, 11, 12};
    EXPECT_EQ(0, std::memcmp(expTable(f4), exp4, 16));
    EXPECT_EQ(0, std::memcmp(logTable(f4), log4, 16));
}

TEST(FieldTables, DegreeOneEqualsBuiltinBinaryField) {
    const FieldGF* builtin = gfBuiltinBinaryField();
    EXPECT_EQ(builtin->id, kFieldId);
    EXPECT_EQ(builtin->m, 1);
    EXPECT_EQ(builtin->order, 2u);
    EXPECT_EQ(builtin->generatorMask, 3u);
    EXPECT_EQ(builtin->alpha, 2u);
    const uint8_t tables[] = {1, 1, 255, 0};
    EXPECT_EQ(0, std::memcmp(expTable(builtin), tables, 4));
    for (uint32_t g : {2u, 3u}) {
        for (uint32_t alpha : {0u, 1u, 2u, 0x1234u}) {
            TestField f(1, g, alpha);
            EXPECT_EQ(0, std::memcmp(expTable(f), tables, 4)) << g << " " << alpha;
            EXPECT_EQ(f.get()->alpha, alpha & 0xFF);
        }
    }
}

TEST(FieldTables, TablesInvertEachOtherForEveryIrreducibleGenerator) {
    for (int m = 2; m <= 8; ++m) {
        const uint32_t n = (1u << m) - 1;
        for (uint32_t g : test::irreducibleMasks(m)) {
            TestField f(m, g);
            const uint32_t alpha = test::smallestGenerator(g, m);
            for (uint32_t i = 0; i <= n; ++i) ASSERT_EQ(expTable(f)[i], test::refPow(alpha, i, g, m));
            for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(logTable(f)[expTable(f)[i]], i);
            ASSERT_EQ(logTable(f)[0], 255);
        }
    }
}

TEST(FieldTables, GetSizeReportsFormulaAndChecksInOrder) {
    int size = -1;
    const int expected[] = {32, 36, 44, 60, 92, 156, 284, 540};
    for (int m = 1; m <= 8; ++m) {
        ASSERT_EQ(veksGFGetSize_8u(m, &size), StatusOk);
        EXPECT_EQ(size, expected[m - 1]);
    }
    size = 77;
    EXPECT_EQ(veksGFGetSize_8u(0, &size), StatusOutOfRange);
    EXPECT_EQ(veksGFGetSize_8u(9, &size), StatusOutOfRange);
    EXPECT_EQ(veksGFGetSize_8u(-1, &size), StatusOutOfRange);
    EXPECT_EQ(size, 77);
    EXPECT_EQ(veksGFGetSize_8u(0, nullptr), StatusNullPointer);
    EXPECT_EQ(veksGFGetSize_8u(8, nullptr), StatusNullPointer);
}

}  // namespace
}  // namespace vekdi
