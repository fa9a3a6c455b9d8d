// SPDX-License-Identifier: Apache-2.0
// vekdi::Field and the error category against reference arithmetic.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/support/reference_gf.h"
#include "vekdi.hpp"

namespace vekdi::test {
namespace {

TEST(CppErrors, EveryStatusHasItsOwnTextInTheVekdiCategory) {
    std::set<std::string> texts;
    for (int status : {StatusOk, StatusNoMemory, StatusBadArgument, StatusDecodeFailure, StatusOutOfRange,
                       StatusNullPointer, StatusDivideByZero, StatusDestinationTooSmall, StatusContextMismatch,
                       StatusNegativeShift}) {
        texts.insert(statusText(status));
        EXPECT_EQ(makeErrorCode(status).message(), vekdiStatusText(status));
    }
    EXPECT_EQ(texts.size(), 10u);
    EXPECT_STREQ(statusText(12345), "unknown status");
    EXPECT_STREQ(errorCategory().name(), "vekdi");
    const Error e(StatusDecodeFailure, "context");
    EXPECT_EQ(e.status(), StatusDecodeFailure);
    EXPECT_EQ(&e.code().category(), &errorCategory());
    EXPECT_NE(std::string(e.what()).find("context"), std::string::npos);
}

TEST(CppField, EveryGeneratorAgreesWithReferenceArithmetic) {
    for (int m = 1; m <= 8; ++m) {
        for (uint32_t mask : irreducibleMasks(m)) {
            const Field f(mask);
            ASSERT_EQ(f.m(), m);
            ASSERT_EQ(f.order(), 1 << m);
            if (m > 1) {
                ASSERT_EQ(f.alpha(), smallestGenerator(mask, m)) << std::hex << mask;
            }
            for (uint32_t a = 1; a < uint32_t(f.order()); ++a) {
                const auto a8 = uint8_t(a);
                ASSERT_EQ(f.exp(f.log(a8)), a8);
                ASSERT_EQ(f.mul(a8, f.inv(a8)), 1);
                ASSERT_EQ(f.pow(a8, -1), f.inv(a8));
                const uint8_t b = uint8_t((a * 7 + 3) % uint32_t(f.order()));
                ASSERT_EQ(f.mul(a8, b), refMul(a, b, mask, m));
                ASSERT_EQ(f.div(f.mul(a8, b), a8), b);
            }
            ASSERT_EQ(f.exp(-1), f.inv(f.alpha()));
        }
    }
}

TEST(CppField, RefusesReducibleAndOutOfRangeInput) {
    auto statusOf = [](auto&& call) {
        try {
            call();
        } catch (const Error& e) {
            return e.status();
        }
        return int(StatusOk);
    };
    EXPECT_NE(statusOf([] { Field f(0x105); }), StatusOk);  // x^8 + x^2 + 1 = (x^4 + x + 1)^2
    EXPECT_EQ(statusOf([] { Field f(0x1); }), StatusOutOfRange);
    EXPECT_EQ(statusOf([] { Field f(0x211); }), StatusOutOfRange);
    const Field f(0x13);
    EXPECT_EQ(statusOf([&] { f.mul(0x10, 1); }), StatusOutOfRange);
    EXPECT_EQ(statusOf([&] { f.inv(0); }), StatusDivideByZero);
    EXPECT_NE(statusOf([&] { f.log(0); }), StatusOk);
}

TEST(CppField, CopiesAndMovesAreIndependentWorkingFields) {
    auto original = std::make_unique<Field>(0x11B);
    Field copy = *original;
    Field assigned(0x13);
    assigned = *original;
    original.reset();
    Field moved = std::move(copy);
    for (const Field* f : {&moved, &assigned}) {
        EXPECT_EQ(f->alpha(), 0x03);
        EXPECT_EQ(f->mul(0x57, 0x83), 0xC1);  // the usual GF(2^8)/0x11B example
    }
    uint8_t r = 0;
    EXPECT_EQ(veksGFMul_8u(0x57, 0x83, &r, moved.native()), StatusOk);
    EXPECT_EQ(r, 0xC1);
}

}  // namespace
}  // namespace vekdi::test
