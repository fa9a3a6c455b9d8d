// SPDX-License-Identifier: Apache-2.0
// Quotient and remainder: the window method against long division from first
// principles, the recorded degrees it leaves, the constant, zero and short
// divisor cases, divisors stored with zero top coefficients, the status order
// and that failing calls write nothing.
#include <gtest/gtest.h>

#include "poly/poly.h"
#include "tests/poly/poly_support.h"

namespace vekdi {
namespace {

using test::Coeffs;
using test::PolyBox;
using test::RefField;
using test::TestField;

Coeffs padded(Coeffs c, size_t size) {
    c.resize(std::max(c.size(), size), 0);
    return c;
}

// What the division must leave for dividend a and divisor b (recorded
// coefficients): quotient with its recorded degree and the remainder.
struct Expected {
    Coeffs q;
    Coeffs r;
};

Expected expectedDivision(const RefField& f, const Coeffs& a, const Coeffs& b) {
    const Coeffs bn = test::refNormalised(b);
    const int degB = int(bn.size()) - 1;
    const int degA = int(a.size()) - 1;
    Expected e;
    if (degB == 0) {
        e.r = {0};
        e.q = {0};
        if (bn[0] != 0) {
            const uint8_t inv = f.inv(bn[0]);
            Coeffs q(a.size());
            for (size_t j = 0; j < a.size(); ++j) q[j] = f.mul(a[j], inv);
            e.q = test::refNormalised(q);
        }
    } else if (degA < degB) {
        e.q = {0};
        e.r = a;  // recorded degree of the dividend kept
    } else {
        Coeffs q, r;
        test::refDivMod(f, a, bn, q, r);
        e.q = padded(q, size_t(degA - degB + 1));  // recorded degree degA - degB
        e.r = r;
    }
    return e;
}

TEST(PolyDivision, AgreesWithLongDivisionOverSampleFields) {
    const int rounds = test::iterations(1500, 20000);
    for (auto [m, mask] : test::sampleFields()) {
        TestField field(m, mask);
        const RefField rf(field);
        for (int it = 0; it < rounds; ++it) {
            const int degA = test::randomDegree(300);
            const int degB = test::randomDegree(it % 3 == 0 ? degA + 3 : 300);
            const Coeffs a = test::randomPoly(degA, rf.order());
            const Coeffs b = test::randomPoly(degB, rf.order());
            const Expected e = expectedDivision(rf, a, b);
            PolyBox pa(field, degA), pb(field, degB), q(field, 300), r(field, degB), r2(field, degB);
            pa.set(a);
            pb.set(b);
            ASSERT_EQ(veksPolyGFDiv_8u(pa, pb, q, r), StatusOk);
            ASSERT_EQ(q.coeffs(), e.q) << "m=" << m << " degA=" << degA << " degB=" << degB;
            ASSERT_EQ(r.coeffs(), e.r) << "m=" << m << " degA=" << degA << " degB=" << degB;
            ASSERT_EQ(veksPolyGFMod_8u(pa, pb, r2), StatusOk);
            ASSERT_EQ(r2.coeffs(), e.r);
            polyRemainder(r2, pa, pb);
            ASSERT_EQ(r2.coeffs(), e.r);
            ASSERT_EQ(pa.coeffs(), a);
            ASSERT_EQ(pb.coeffs(), b);
            ASSERT_TRUE(q.guardIntact() && r.guardIntact() && r2.guardIntact());
        }
    }
}

TEST(PolyDivision, Examples) {
    for (auto [m, mask] : test::sampleFields()) {
        TestField f(m, mask);
        PolyBox a(f, 5), b(f, 5), q(f, 5), r(f, 5);
        a.set({1, 0, 1});
        b.set({1, 1});
        ASSERT_EQ(veksPolyGFDiv_8u(a, b, q, r), StatusOk);
        EXPECT_EQ(q.coeffs(), (Coeffs{1, 1}));
        EXPECT_EQ(r.coeffs(), (Coeffs{0}));
    }
    TestField f(8, 0x11D);
    const RefField rf(f);
    PolyBox a(f, 5), b(f, 5), q(f, 5), r(f, 5);
    // Constant divisor: quotient A / b normalised, zero remainder.
    a.set({6, 0, 8, 0});
    b.set({2});
    ASSERT_EQ(veksPolyGFDiv_8u(a, b, q, r), StatusOk);
    EXPECT_EQ(q.coeffs(), (Coeffs{3, 0, 4}));
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
    // Zero divisor: zero quotient and remainder, no error.
    b.set({0});
    ASSERT_EQ(veksPolyGFDiv_8u(a, b, q, r), StatusOk);
    EXPECT_EQ(q.coeffs(), (Coeffs{0}));
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
    ASSERT_EQ(veksPolyGFMod_8u(a, b, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
    // degA < degB: zero quotient, remainder A with A's recorded degree.
    a.set({5, 7, 0});
    b.set({1, 2, 3, 4});
    ASSERT_EQ(veksPolyGFDiv_8u(a, b, q, r), StatusOk);
    EXPECT_EQ(q.coeffs(), (Coeffs{0}));
    EXPECT_EQ(r.coeffs(), (Coeffs{5, 7, 0}));
    // A dividend with a zero top coefficient keeps the quotient's recorded degree.
    a.set({1, 0, 1, 0});
    b.set({1, 1});
    ASSERT_EQ(veksPolyGFDiv_8u(a, b, q, r), StatusOk);
    EXPECT_EQ(q.coeffs(), (Coeffs{1, 1, 0}));
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
}

TEST(PolyDivision, DivisorWithZeroTopIsDividedByItsTrueForm) {
    TestField f(8, 0x11D);
    const RefField rf(f);
    PolyBox a(f, 6), b(f, 4), q(f, 6), r(f, 4);
    const Coeffs av = {9, 8, 7, 6, 5, 4, 3};
    a.set(av);
    b.set({3, 1, 0, 0});  // x + 3 recorded with degree 3
    ASSERT_EQ(veksPolyGFDiv_8u(a, b, q, r), StatusOk);
    Coeffs eq, er;
    test::refDivMod(rf, av, {3, 1}, eq, er);
    EXPECT_EQ(q.coeffs(), padded(eq, 6));
    EXPECT_EQ(r.coeffs(), er);
    // Recorded degree above the dividend's, true degree below it: divided.
    a.set({9, 8, 7});
    ASSERT_EQ(veksPolyGFMod_8u(a, b, r), StatusOk);
    test::refDivMod(rf, {9, 8, 7}, {3, 1}, eq, er);
    EXPECT_EQ(r.coeffs(), er);
    // A divisor that is a non-zero constant once normalised.
    a.set(av);
    b.set({2, 0, 0});
    ASSERT_EQ(veksPolyGFDiv_8u(a, b, q, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
    EXPECT_EQ(q.coeffs().size(), 7u);
    // A divisor that is zero throughout acts as the zero polynomial.
    b.set({0, 0, 0, 0});
    ASSERT_EQ(veksPolyGFDiv_8u(a, b, q, r), StatusOk);
    EXPECT_EQ(q.coeffs(), (Coeffs{0}));
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
    // The quotient of the true divisor must fit the quotient object, although
    // the check on recorded degrees (6 - 3 <= 3) passes.
    PolyBox smallQ(f, 3);
    b.set({3, 1, 0, 0});
    const auto before = smallQ.bytes();
    const auto beforeR = r.bytes();
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, smallQ, r), StatusDestinationTooSmall);
    EXPECT_EQ(smallQ.bytes(), before);
    EXPECT_EQ(r.bytes(), beforeR);
}

TEST(PolyDivision, CapacitiesUseRecordedDegrees) {
    TestField f(8, 0x11D);
    PolyBox a(f, 5), b(f, 2), q4(f, 3), q3(f, 2), r3(f, 2), r2(f, 1);
    a.set({1, 2, 3, 4, 5, 6});
    b.set({1, 2, 3});
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, q4, r3), StatusOk);
    const auto q3Before = q3.bytes(), r2Before = r2.bytes(), r3Before = r3.bytes(), q4Before = q4.bytes();
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, q3, r3), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, q4, r2), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, q3, r2), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFMod_8u(a, b, r2), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFMod_8u(a, b, r3), StatusOk);
    EXPECT_EQ(q3.bytes(), q3Before);
    EXPECT_EQ(r2.bytes(), r2Before);
    EXPECT_EQ(q4.bytes(), q4Before);
    (void)r3Before;
}

TEST(PolyDivision, StatusOrder) {
    TestField f(8, 0x11D);
    PolyBox a(f, 5), b(f, 2), q(f, 0), r(f, 0), bad(f, 5);
    a.set({1, 2, 3, 4, 5, 6});
    b.set({1, 2, 3});
    bad->id = 0x434D416E;
    const auto qBefore = q.bytes(), rBefore = r.bytes();
    // Null pointers before identifiers, identifiers before capacities.
    EXPECT_EQ(veksPolyGFDiv_8u(nullptr, bad, q, r), StatusNullPointer);
    EXPECT_EQ(veksPolyGFDiv_8u(bad, b, q, nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, nullptr, r), StatusNullPointer);
    EXPECT_EQ(veksPolyGFDiv_8u(a, bad, q, r), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFDiv_8u(bad, b, q, r), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, bad, r), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, q, bad), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFMod_8u(nullptr, b, r), StatusNullPointer);
    EXPECT_EQ(veksPolyGFMod_8u(a, nullptr, bad), StatusNullPointer);
    EXPECT_EQ(veksPolyGFMod_8u(a, b, nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFMod_8u(a, bad, r), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFMod_8u(a, b, bad), StatusContextMismatch);
    // Destinations shared with an operand or with each other are refused
    // before the capacities are looked at.
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, q, q), StatusBadArgument);
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, a, r), StatusBadArgument);
    EXPECT_EQ(veksPolyGFDiv_8u(a, b, q, b), StatusBadArgument);
    EXPECT_EQ(veksPolyGFMod_8u(a, b, a), StatusBadArgument);
    EXPECT_EQ(veksPolyGFMod_8u(a, b, b), StatusBadArgument);
    EXPECT_EQ(q.bytes(), qBefore);
    EXPECT_EQ(r.bytes(), rBefore);
}

}  // namespace
}  // namespace vekdi
