// SPDX-License-Identifier: Apache-2.0
// The nine element exports against bit-serial reference arithmetic for every
// irreducible generator of every degree, the field laws, the documented
// examples and every status path.
#include <gtest/gtest.h>

#include <climits>

#include "gf/field.h"
#include "tests/support/fields.h"
#include "tests/support/reference_gf.h"

namespace vekdi {
namespace {

using test::TestField;

uint8_t mul(const FieldGF* f, uint8_t a, uint8_t b) {
    uint8_t r = 0;
    EXPECT_EQ(veksGFMul_8u(a, b, &r, f), StatusOk);
    return r;
}

TEST(FieldElements, AgreeWithReferenceForEveryGenerator) {
    const int exponents[] = {0, 1, 2, 3, 7, 254, 255, 256, 511, -1, -2, -255, -256, INT_MAX, INT_MIN, INT_MIN + 1};
    for (int m = 1; m <= 8; ++m) {
        const uint32_t q = 1u << m;
        const uint32_t n = q - 1;
        for (uint32_t g : test::irreducibleMasks(m)) {
            TestField field(m, g);
            const FieldGF* f = field;
            const uint32_t alpha = test::smallestGenerator(g, m);
            for (uint32_t a = 0; a < q; ++a) {
                uint8_t r = 0;
                for (uint32_t b = 0; b < q; ++b) {
                    ASSERT_EQ(veksGFMul_8u(a, b, &r, f), StatusOk);
                    ASSERT_EQ(r, test::refMul(a, b, g, m)) << "m=" << m << " g=" << g << " " << a << "*" << b;
                    ASSERT_EQ(veksGFAdd_8u(a, b, &r, f), StatusOk);
                    ASSERT_EQ(r, a ^ b);
                    ASSERT_EQ(veksGFSub_8u(a, b, &r, f), StatusOk);
                    ASSERT_EQ(r, a ^ b);
                    if (b != 0) {
                        ASSERT_EQ(veksGFDiv_8u(a, b, &r, f), StatusOk);
                        ASSERT_EQ(test::refMul(r, b, g, m), a) << a << "/" << b;
                    }
                }
                ASSERT_EQ(veksGFNeg_8u(a, &r, f), StatusOk);
                ASSERT_EQ(r, a);
                if (a != 0) {
                    ASSERT_EQ(veksGFInv_8u(a, &r, f), StatusOk);
                    ASSERT_EQ(test::refMul(r, a, g, m), 1u);
                    ASSERT_EQ(veksGFLogAlpha_8u(a, &r, f), StatusOk);
                    ASSERT_LT(r, n == 1 ? 1u : n);
                    ASSERT_EQ(test::refPow(alpha, r, g, m), a);
                }
                for (int e : exponents) {
                    ASSERT_EQ(veksGFPow_8u(a, e, &r, f), StatusOk);
                    uint32_t expect = 0;
                    if (a != 0) {
                        int64_t red = int64_t(e) % int64_t(n);
                        if (red < 0) red += n;
                        expect = test::refPow(a, uint64_t(red), g, m);
                    }
                    ASSERT_EQ(r, expect) << a << "^" << e << " m=" << m;
                }
                ASSERT_EQ(veksGFExpAlpha_8u(a, &r, f), StatusOk);
                ASSERT_EQ(r, m == 1 ? 1u : test::refPow(alpha, a, g, m));
            }
        }
    }
}

TEST(FieldElements, FieldLawsHold) {
    auto& gen = test::rng();
    for (int m = 1; m <= 8; ++m) {
        for (uint32_t g : test::irreducibleMasks(m)) {
            TestField field(m, g);
            const FieldGF* f = field;
            const uint32_t q = 1u << m;
            std::uniform_int_distribution<uint32_t> el(0, q - 1);
            const int samples = m <= 4 ? int(q * q * q) : test::iterations(2000, 200000);
            for (int i = 0; i < samples; ++i) {
                uint8_t a, b, c;
                if (m <= 4) {
                    a = uint8_t(i % q), b = uint8_t((i / q) % q), c = uint8_t(i / (q * q));
                } else {
                    a = uint8_t(el(gen)), b = uint8_t(el(gen)), c = uint8_t(el(gen));
                }
                ASSERT_EQ(mul(f, mul(f, a, b), c), mul(f, a, mul(f, b, c)));
                ASSERT_EQ(mul(f, a, b), mul(f, b, a));
                ASSERT_EQ(mul(f, a, b ^ c), mul(f, a, b) ^ mul(f, a, c));
                ASSERT_EQ(mul(f, a, 1), a);
            }
        }
    }
}

TEST(FieldElements, DocumentedExamples) {
    TestField field(8, 0x11D, 2);
    const FieldGF* f = field;
    uint8_t r = 0;
    EXPECT_EQ(mul(f, 0x80, 2), 0x1D);
    EXPECT_EQ(mul(f, 2, expTable(f)[254]), 1);
    ASSERT_EQ(veksGFDiv_8u(0, 7, &r, f), StatusOk);
    EXPECT_EQ(r, 0);
    r = 0x5A;
    EXPECT_EQ(veksGFDiv_8u(3, 0, &r, f), StatusDivideByZero);
    EXPECT_EQ(veksGFDiv_8u(0, 0, &r, f), StatusDivideByZero);
    EXPECT_EQ(veksGFInv_8u(0, &r, f), StatusDivideByZero);
    EXPECT_EQ(veksGFLogAlpha_8u(0, &r, f), StatusBadArgument);
    EXPECT_EQ(r, 0x5A);
    ASSERT_EQ(veksGFInv_8u(1, &r, f), StatusOk);
    EXPECT_EQ(r, 1);
    for (int a = 1; a < 256; ++a) {
        ASSERT_EQ(veksGFDiv_8u(uint8_t(a), uint8_t(a), &r, f), StatusOk);
        ASSERT_EQ(r, 1);
        ASSERT_EQ(veksGFPow_8u(uint8_t(a), 0, &r, f), StatusOk);
        ASSERT_EQ(r, 1);
        ASSERT_EQ(veksGFPow_8u(uint8_t(a), 255, &r, f), StatusOk);
        ASSERT_EQ(r, 1);
        ASSERT_EQ(veksGFPow_8u(uint8_t(a), 256, &r, f), StatusOk);
        ASSERT_EQ(r, a);
        uint8_t inv = 0;
        ASSERT_EQ(veksGFInv_8u(uint8_t(a), &inv, f), StatusOk);
        ASSERT_EQ(veksGFPow_8u(uint8_t(a), -1, &r, f), StatusOk);
        ASSERT_EQ(r, inv);
    }
    ASSERT_EQ(veksGFPow_8u(0, 0, &r, f), StatusOk);
    EXPECT_EQ(r, 0);
    ASSERT_EQ(veksGFPow_8u(0, -5, &r, f), StatusOk);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(veksGFPow_8u(7, INT_MIN, &r, f), StatusOk);
    ASSERT_EQ(veksGFExpAlpha_8u(255, &r, f), StatusOk);
    EXPECT_EQ(r, 1);
    ASSERT_EQ(veksGFLogAlpha_8u(1, &r, f), StatusOk);
    EXPECT_EQ(r, 0);

    TestField f4(4, 0x13, 2);
    r = 0x5A;
    EXPECT_EQ(veksGFExpAlpha_8u(16, &r, f4), StatusOutOfRange);
    EXPECT_EQ(r, 0x5A);

    const FieldGF* gf2 = gfBuiltinBinaryField();
    ASSERT_EQ(veksGFDiv_8u(1, 1, &r, gf2), StatusOk);
    EXPECT_EQ(r, 1);
    ASSERT_EQ(veksGFInv_8u(1, &r, gf2), StatusOk);
    EXPECT_EQ(r, 1);
    for (int e : {INT_MIN, -3, -1, 0, 1, 2, 5, INT_MAX}) {
        ASSERT_EQ(veksGFPow_8u(1, e, &r, gf2), StatusOk);
        EXPECT_EQ(r, 1);
    }
}

// Every export, every status, in the documented order; a failing call leaves
// the result's canary in place.
TEST(FieldElements, StatusPathsInOrderLeaveResultUntouched) {
    TestField field(4, 0x13);
    const FieldGF* f = field;
    alignas(4) uint8_t polyLike[64] = {};
    const uint32_t polyId = kPolyId;
    std::memcpy(polyLike, &polyId, 4);
    const auto* wrong = reinterpret_cast<const FieldGF*>(polyLike);

    using Binary = VekStatus (*)(uint8_t, uint8_t, uint8_t*, const VeksGFContext_8u*);
    using Unary = VekStatus (*)(uint8_t, uint8_t*, const VeksGFContext_8u*);
    const Binary binaries[] = {veksGFAdd_8u, veksGFSub_8u, veksGFMul_8u, veksGFDiv_8u};
    const Unary unaries[] = {veksGFNeg_8u, veksGFInv_8u, veksGFExpAlpha_8u, veksGFLogAlpha_8u};
    uint8_t r = test::kCanary;
    for (Binary fn : binaries) {
        EXPECT_EQ(fn(16, 16, nullptr, wrong), StatusNullPointer);
        EXPECT_EQ(fn(16, 16, &r, nullptr), StatusNullPointer);
        EXPECT_EQ(fn(16, 16, &r, wrong), StatusContextMismatch);
        EXPECT_EQ(fn(16, 0, &r, f), StatusOutOfRange);
        EXPECT_EQ(fn(1, 16, &r, f), StatusOutOfRange);
        EXPECT_EQ(fn(255, 1, &r, f), StatusOutOfRange);
    }
    for (Unary fn : unaries) {
        EXPECT_EQ(fn(16, nullptr, wrong), StatusNullPointer);
        EXPECT_EQ(fn(16, &r, nullptr), StatusNullPointer);
        EXPECT_EQ(fn(16, &r, wrong), StatusContextMismatch);
        EXPECT_EQ(fn(16, &r, f), StatusOutOfRange);
    }
    EXPECT_EQ(veksGFPow_8u(16, 1, nullptr, wrong), StatusNullPointer);
    EXPECT_EQ(veksGFPow_8u(16, 1, &r, nullptr), StatusNullPointer);
    EXPECT_EQ(veksGFPow_8u(16, 1, &r, wrong), StatusContextMismatch);
    EXPECT_EQ(veksGFPow_8u(16, 1, &r, f), StatusOutOfRange);
    EXPECT_EQ(veksGFDiv_8u(16, 0, &r, f), StatusOutOfRange);  // range before divide-by-zero
    EXPECT_EQ(veksGFDiv_8u(3, 0, &r, f), StatusDivideByZero);
    EXPECT_EQ(veksGFInv_8u(0, &r, f), StatusDivideByZero);
    EXPECT_EQ(veksGFLogAlpha_8u(0, &r, f), StatusBadArgument);
    EXPECT_EQ(r, test::kCanary);
}

}  // namespace
}  // namespace vekdi
