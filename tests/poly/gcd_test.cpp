// SPDX-License-Identifier: Apache-2.0
// Greatest common divisor against Euclid's algorithm on plain vectors (the
// last non-zero remainder, not made monic), the field the result takes, the
// capacity checks on recorded degrees and the refusals of results or operands
// that do not fit.
#include <gtest/gtest.h>

#include "tests/poly/poly_support.h"

namespace vekdi {
namespace {

using test::Coeffs;
using test::PolyBox;
using test::RefField;
using test::TestField;

Coeffs refGcd(const RefField& f, const Coeffs& a, const Coeffs& b) {
    Coeffs x = test::refNormalised(a), y = test::refNormalised(b);
    while (!test::refIsZero(y)) {
        Coeffs q, r;
        test::refDivMod(f, x, y, q, r);
        x = y;
        y = r;
    }
    return x;
}

// Random operands with a common factor most of the time.
void randomPair(const RefField& f, Coeffs& a, Coeffs& b) {
    const Coeffs common = test::randomPoly(test::randomDegree(40), f.order());
    a = test::randomPoly(test::randomDegree(100), f.order());
    b = test::randomPoly(test::randomDegree(100), f.order());
    if (test::rng()() % 4 != 0) {
        a = test::refMulPoly(f, a, common);
        b = test::refMulPoly(f, b, common);
    }
}

TEST(PolyGcd, AgreesWithEuclidOnVectors) {
    const int rounds = test::iterations(1000, 10000);
    for (auto [m, mask] : test::sampleFields()) {
        TestField f(m, mask);
        const RefField rf(f);
        for (int it = 0; it < rounds; ++it) {
            Coeffs a, b;
            randomPair(rf, a, b);
            const Coeffs expected = refGcd(rf, a, b);
            const int need = int(expected.size()) - 1;
            const int minDeg = int(std::min(a.size(), b.size())) - 1;
            PolyBox pa(f, int(a.size()) - 1), pb(f, int(b.size()) - 1), g(f, std::max(need, minDeg));
            pa.set(a);
            pb.set(b);
            ASSERT_EQ(veksPolyGFGCD_8u(pa, pb, g), StatusOk) << "m=" << m << " it=" << it;
            ASSERT_EQ(g.coeffs(), expected) << "m=" << m << " it=" << it;
            ASSERT_TRUE(g.guardIntact());
            ASSERT_EQ(pa.coeffs(), a);
            ASSERT_EQ(pb.coeffs(), b);
            // The destination may be either operand.
            if (pa->capacity > need) {
                ASSERT_EQ(veksPolyGFGCD_8u(pa, pb, pa), StatusOk);
                ASSERT_EQ(pa.coeffs(), expected);
            }
        }
    }
}

TEST(PolyGcd, Examples) {
    TestField f(8, 0x11D), same(8, 0x11D);
    PolyBox a(f, 300), b(same, 300), g(f, 300);
    // A zero operand gives the other one normalised.
    a.set({1, 2, 3, 0});
    b.set({0, 0});
    ASSERT_EQ(veksPolyGFGCD_8u(a, b, g), StatusOk);
    EXPECT_EQ(g.coeffs(), (Coeffs{1, 2, 3}));
    EXPECT_EQ(g->field, f.get());
    ASSERT_EQ(veksPolyGFGCD_8u(b, a, g), StatusOk);
    EXPECT_EQ(g.coeffs(), (Coeffs{1, 2, 3}));
    a.set({0});
    ASSERT_EQ(veksPolyGFGCD_8u(a, b, g), StatusOk);
    EXPECT_EQ(g.coeffs(), (Coeffs{0}));
    // Coprime operands give a constant that need not be 1.
    a.set({6, 0, 1});  // 3 * 3 = 5, so x + 3 does not divide x^2 + 6
    b.set({3, 1});
    ASSERT_EQ(veksPolyGFGCD_8u(a, b, g), StatusOk);
    ASSERT_EQ(g.coeffs().size(), 1u);
    EXPECT_NE(g.coeffs()[0], 0);
    // Not monic, and the operand order matters.
    const uint8_t al = 2;
    a.set({1, 1});
    b.set({al, al});
    ASSERT_EQ(veksPolyGFGCD_8u(a, b, g), StatusOk);
    EXPECT_EQ(g.coeffs(), (Coeffs{al, al}));
    ASSERT_EQ(veksPolyGFGCD_8u(b, a, g), StatusOk);
    EXPECT_EQ(g.coeffs(), (Coeffs{1, 1}));
    // Two non-zero constants give the second.
    a.set({7});
    b.set({9});
    ASSERT_EQ(veksPolyGFGCD_8u(a, b, g), StatusOk);
    EXPECT_EQ(g.coeffs(), (Coeffs{9}));
    // A = B gives B normalised with B's field.
    ASSERT_EQ(veksPolyGFGCD_8u(b, b, g), StatusOk);
    EXPECT_EQ(g.coeffs(), (Coeffs{9}));
    EXPECT_EQ(g->field, same.get());
    a.set({1, 2, 0, 0});
    b.set({1, 2, 0});
    ASSERT_EQ(veksPolyGFGCD_8u(a, b, g), StatusOk);
    EXPECT_EQ(g.coeffs(), (Coeffs{1, 2}));
    EXPECT_EQ(g->field, same.get());
    for (auto [m, mask] : test::sampleFields()) {
        TestField h(m, mask);
        PolyBox x(h, 2), y(h, 1), r(h, 1);
        x.set({1, 0, 1});
        y.set({1, 1});
        ASSERT_EQ(veksPolyGFGCD_8u(x, y, r), StatusOk);
        EXPECT_EQ(r.coeffs(), (Coeffs{1, 1}));
    }
}

TEST(PolyGcd, CapacitiesAndRefusals) {
    TestField f(8, 0x11D);
    PolyBox a(f, 300), b(f, 300), g2(f, 2), g3(f, 3), big(f, 300);
    a.set({1, 0, 0, 1});  // (x + 1)(x^2 + x + 1)
    b.set({1, 0, 0, 0, 0, 1, 0});
    const auto g2Before = g2.bytes();
    // Capacity min(deg A, deg B) is refused, one more is enough.
    b.set({1, 1, 0, 1});
    EXPECT_EQ(veksPolyGFGCD_8u(a, b, g2), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFGCD_8u(a, b, g3), StatusOk);
    // The check uses recorded degrees, although both normalise lower.
    a.set({1, 1, 0, 0});
    b.set({1, 0, 1, 0});
    EXPECT_EQ(veksPolyGFGCD_8u(a, b, g2), StatusDestinationTooSmall);
    EXPECT_EQ(g2.bytes(), g2Before);
    // A zero operand makes the result the other operand: refused when it does not fit.
    a.set({0, 0, 0});
    b.set({1, 2, 3, 4, 5});
    EXPECT_EQ(veksPolyGFGCD_8u(a, b, g3), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFGCD_8u(b, a, g3), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFGCD_8u(a, b, big), StatusOk);
    EXPECT_EQ(big.coeffs(), (Coeffs{1, 2, 3, 4, 5}));
    // Operands of normalised degree above 255 do not fit the working storage.
    Coeffs long256(257, 1), long255(256, 1);
    a.set(long256);
    b.set({1, 1});
    const auto bigBefore = big.bytes();
    EXPECT_EQ(veksPolyGFGCD_8u(a, b, big), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFGCD_8u(b, a, big), StatusDestinationTooSmall);
    EXPECT_EQ(big.bytes(), bigBefore);
    long256[256] = 0;
    a.set(long256);  // recorded 256, normalised 255
    EXPECT_EQ(veksPolyGFGCD_8u(a, b, big), StatusOk);
    a.set(long255);
    EXPECT_EQ(veksPolyGFGCD_8u(a, b, big), StatusOk);
    // Status order: pointers, identifiers, capacity.
    PolyBox bad(f, 0);
    bad->id = 0x434D4171;
    EXPECT_EQ(veksPolyGFGCD_8u(nullptr, bad, g2), StatusNullPointer);
    EXPECT_EQ(veksPolyGFGCD_8u(bad, b, nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFGCD_8u(a, nullptr, g2), StatusNullPointer);
    EXPECT_EQ(veksPolyGFGCD_8u(bad, b, g2), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFGCD_8u(a, bad, g2), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFGCD_8u(a, b, bad), StatusContextMismatch);
    EXPECT_TRUE(g2.guardIntact());
}

}  // namespace
}  // namespace vekdi
