// SPDX-License-Identifier: Apache-2.0
// Sum, product, shifts, derivative and evaluation against reference
// arithmetic on plain vectors, with the recorded degrees and capacities the
// operations use, the aliasing they allow, their status order, and bytes
// outside the field handled without reading past the tables.
#include <gtest/gtest.h>

#include <climits>

#include "poly/poly.h"
#include "tests/poly/poly_support.h"

namespace vekdi {
namespace {

using test::Coeffs;
using test::PolyBox;
using test::RefField;
using test::TestField;

constexpr int kMaxDeg = 300;

// True when the slots above `degree` still hold the canary they started with.
bool untouchedAbove(const PolyBox& p, int degree) {
    const PolyGF* g = p.get();
    for (int i = degree + 1; i < g->capacity; ++i)
        if (g->coeffs[i] != test::kCanary) return false;
    return p.guardIntact();
}

Coeffs shiftedLeft(const Coeffs& a, int shift) {
    Coeffs r(size_t(shift), 0);
    r.insert(r.end(), a.begin(), a.end());
    return r;
}

Coeffs derivative(const Coeffs& a) {
    if (a.size() == 1) return {0};
    Coeffs r(a.size() - 1);
    for (size_t j = 0; j < r.size(); ++j) r[j] = (j % 2 == 0) ? a[j + 1] : 0;
    return r;
}

class PolyArithmetic : public ::testing::Test {
protected:
    const int rounds = test::iterations(1500, 20000);
};

TEST_F(PolyArithmetic, SumAgreesWithReferenceAndAllowsAliasing) {
    for (auto [m, mask] : test::sampleFields()) {
        TestField f(m, mask);
        const RefField rf(f);
        for (int it = 0; it < rounds; ++it) {
            const Coeffs a = test::randomPoly(test::randomDegree(kMaxDeg), rf.order());
            const Coeffs b = it % 5 == 0 ? a : test::randomPoly(test::randomDegree(kMaxDeg), rf.order());
            const int degL = int(std::max(a.size(), b.size())) - 1;
            const Coeffs sum = test::refNormalised(test::refAdd(a, b));
            PolyBox pa(f, int(a.size()) - 1 + it % 3), pb(f, kMaxDeg), r(f, degL);
            pa.set(a);
            pb.set(b);
            ASSERT_EQ(veksPolyGFAdd_8u(pa, pb, r), StatusOk);
            ASSERT_EQ(r.coeffs(), sum);
            ASSERT_TRUE(untouchedAbove(r, degL));
            ASSERT_EQ(veksPolyGFSub_8u(pb, pa, r), StatusOk);
            ASSERT_EQ(r.coeffs(), sum);
            // Into either operand.
            if (pa->capacity > degL) {
                ASSERT_EQ(veksPolyGFAdd_8u(pa, pb, pa), StatusOk);
                ASSERT_EQ(pa.coeffs(), sum);
                pa.set(a);
            }
            ASSERT_EQ(veksPolyGFSub_8u(pa, pb, pb), StatusOk);
            ASSERT_EQ(pb.coeffs(), sum);
            // One object as both operands and destination gives zero.
            ASSERT_EQ(veksPolyGFAdd_8u(pa, pa, pa), StatusOk);
            ASSERT_EQ(pa.coeffs(), (Coeffs{0}));
        }
    }
}

TEST_F(PolyArithmetic, ProductAgreesWithReference) {
    for (auto [m, mask] : test::sampleFields()) {
        TestField f(m, mask);
        const RefField rf(f);
        for (int it = 0; it < rounds; ++it) {
            const Coeffs a = test::randomPoly(test::randomDegree(kMaxDeg / 2), rf.order());
            const Coeffs b = test::randomPoly(test::randomDegree(kMaxDeg / 2), rf.order());
            const int n = int(a.size() + b.size()) - 2;
            const Coeffs prod = test::refNormalised(test::refMulPoly(rf, a, b));
            PolyBox pa(f, int(a.size()) - 1), pb(f, int(b.size()) - 1), r(f, n), r2(f, n);
            pa.set(a);
            pb.set(b);
            ASSERT_EQ(veksPolyGFMul_8u(pa, pb, r), StatusOk);
            ASSERT_EQ(r.coeffs(), prod);
            ASSERT_TRUE(untouchedAbove(r, n));
            polyMulSchoolbook(r2, pa, pb);
            ASSERT_EQ(r2.coeffs(), prod);
            ASSERT_EQ(pa.coeffs(), a);
            ASSERT_EQ(pb.coeffs(), b);
        }
    }
}

TEST_F(PolyArithmetic, ShiftsAndDerivativeAgreeWithReference) {
    std::uniform_int_distribution<int> shiftDist(0, 40);
    for (auto [m, mask] : test::sampleFields()) {
        TestField f(m, mask);
        const RefField rf(f);
        for (int it = 0; it < rounds; ++it) {
            const Coeffs a = test::randomPoly(test::randomDegree(kMaxDeg), rf.order());
            const int degA = int(a.size()) - 1;
            const int shift = shiftDist(test::rng());
            PolyBox pa(f, degA + shift), r(f, degA + shift);
            pa.set(a);
            ASSERT_EQ(veksPolyGFShlC_8u(pa, shift, r), StatusOk);
            ASSERT_EQ(r.coeffs(), test::refNormalised(shiftedLeft(a, shift)));
            ASSERT_TRUE(untouchedAbove(r, degA + shift));
            ASSERT_EQ(veksPolyGFShlC_8u(pa, shift, pa), StatusOk);
            ASSERT_EQ(pa.coeffs(), r.coeffs());

            pa.set(a);
            const Coeffs dropped = shift > degA ? Coeffs{0} : Coeffs(a.begin() + shift, a.end());
            PolyBox s(f, std::max(0, degA - shift));
            ASSERT_EQ(veksPolyGFShrC_8u(pa, shift, s), StatusOk);
            ASSERT_EQ(s.coeffs(), test::refNormalised(dropped));
            ASSERT_TRUE(untouchedAbove(s, std::max(0, degA - shift)));
            ASSERT_EQ(veksPolyGFShrC_8u(pa, shift, pa), StatusOk);
            ASSERT_EQ(pa.coeffs(), s.coeffs());

            pa.set(a);
            PolyBox d(f, std::max(0, degA - 1));
            ASSERT_EQ(veksPolyGFDerive_8u(pa, d), StatusOk);
            ASSERT_EQ(d.coeffs(), test::refNormalised(derivative(a)));
            ASSERT_TRUE(untouchedAbove(d, std::max(0, degA - 1)));
            ASSERT_EQ(veksPolyGFDerive_8u(pa, pa), StatusOk);
            ASSERT_EQ(pa.coeffs(), d.coeffs());
        }
    }
}

TEST_F(PolyArithmetic, ValueAgreesWithHorner) {
    for (auto [m, mask] : test::sampleFields()) {
        TestField f(m, mask);
        const RefField rf(f);
        for (int it = 0; it < rounds; ++it) {
            const Coeffs a = test::randomPoly(test::randomDegree(kMaxDeg), rf.order());
            PolyBox pa(f, int(a.size()) - 1);
            pa.set(a);
            const uint8_t x = uint8_t(test::rng()() % rf.order());
            uint8_t v = 0xEE;
            ASSERT_EQ(veksPolyGFValue_8u(pa, x, &v), StatusOk);
            ASSERT_EQ(v, test::refEval(rf, a, x));
        }
    }
}

TEST(PolyArithmeticExamples, Gf256) {
    TestField f(8, 0x11D);
    PolyBox a(f, 3), b(f, 3), r(f, 3), r2(f, 2), zero(f, 0);
    a.set({2, 1});
    b.set({4, 1});
    ASSERT_EQ(veksPolyGFMul_8u(a, b, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{8, 6, 1}));
    a.set({0, 1, 1});
    b.set({1, 0, 1});
    ASSERT_EQ(veksPolyGFAdd_8u(a, b, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{1, 1}));
    // Capacity checks use the stored degrees, even where the result would fit.
    a.set({1, 2, 3, 4});
    const auto before = r2.bytes();
    EXPECT_EQ(veksPolyGFAdd_8u(a, a, r2), StatusDestinationTooSmall);
    EXPECT_EQ(r2.bytes(), before);
    b.set({0, 0, 0});
    ASSERT_EQ(veksPolyGFMul_8u(zero, b, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
    EXPECT_EQ(veksPolyGFMul_8u(a, zero, r2), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFMul_8u(a, b, r), StatusDestinationTooSmall);
    // Shifts.
    a.set({3, 1});
    ASSERT_EQ(veksPolyGFShlC_8u(a, 2, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{0, 0, 3, 1}));
    a.set({3, 1, 0});
    ASSERT_EQ(veksPolyGFShlC_8u(a, 0, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{3, 1}));
    a.set({1, 1, 0, 1});
    ASSERT_EQ(veksPolyGFShrC_8u(a, 1, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{1, 0, 1}));
    ASSERT_EQ(veksPolyGFShrC_8u(a, 4, zero), StatusOk);
    EXPECT_EQ(zero.coeffs(), (Coeffs{0}));
    // Derivatives.
    a.set({7});
    ASSERT_EQ(veksPolyGFDerive_8u(a, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
    a.set({0, 0, 1});
    ASSERT_EQ(veksPolyGFDerive_8u(a, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
    a.set({0, 1, 0, 1});
    ASSERT_EQ(veksPolyGFDerive_8u(a, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{1, 0, 1}));
    // Derivative of degree 3 needs 3 slots.
    PolyBox three(f, 2), two(f, 1);
    EXPECT_EQ(veksPolyGFDerive_8u(a, three), StatusOk);
    EXPECT_EQ(veksPolyGFDerive_8u(a, two), StatusDestinationTooSmall);
    // Values.
    for (auto [m, mask] : test::sampleFields()) {
        TestField g(m, mask);
        PolyBox p(g, 2);
        p.set({1, 0, 1});
        uint8_t v = 9;
        ASSERT_EQ(veksPolyGFValue_8u(p, 1, &v), StatusOk);
        EXPECT_EQ(v, 0);
        p.set({1, 1, 1});
        ASSERT_EQ(veksPolyGFValue_8u(p, 0, &v), StatusOk);
        EXPECT_EQ(v, 1);
    }
}

TEST(PolyArithmeticStatus, OrderAndNothingWritten) {
    TestField f(4, 0x13);
    PolyBox a(f, 3), b(f, 3), r(f, 1), bad(f, 3);
    a.set({1, 2, 3, 4});
    b.set({1, 2});
    bad->id = 0;
    const auto rBefore = r.bytes(), aBefore = a.bytes(), bBefore = b.bytes();
    uint8_t v = 0x77;
    // Pointers first, then identifiers, then scalars, then capacities.
    EXPECT_EQ(veksPolyGFAdd_8u(nullptr, bad, r), StatusNullPointer);
    EXPECT_EQ(veksPolyGFAdd_8u(bad, b, nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFAdd_8u(a, bad, r), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFSub_8u(a, b, bad), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFAdd_8u(a, b, r), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFMul_8u(nullptr, b, bad), StatusNullPointer);
    EXPECT_EQ(veksPolyGFMul_8u(a, b, nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFMul_8u(bad, b, a), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFMul_8u(a, b, a), StatusBadArgument);  // destination is an operand
    EXPECT_EQ(veksPolyGFMul_8u(a, b, b), StatusBadArgument);
    EXPECT_EQ(veksPolyGFMul_8u(a, b, r), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFShlC_8u(nullptr, -1, r), StatusNullPointer);
    EXPECT_EQ(veksPolyGFShlC_8u(bad, -1, r), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFShlC_8u(a, -1, r), StatusNegativeShift);
    EXPECT_EQ(veksPolyGFShlC_8u(a, 0, r), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFShlC_8u(a, INT_MAX, r), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFShlC_8u(b, INT_MAX, a), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFShrC_8u(a, -1, nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFShrC_8u(a, -5, bad), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFShrC_8u(a, INT_MIN, r), StatusNegativeShift);
    EXPECT_EQ(veksPolyGFShrC_8u(a, 1, r), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFDerive_8u(nullptr, r), StatusNullPointer);
    EXPECT_EQ(veksPolyGFDerive_8u(a, bad), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFDerive_8u(a, r), StatusDestinationTooSmall);
    EXPECT_EQ(veksPolyGFValue_8u(nullptr, 1, &v), StatusNullPointer);
    EXPECT_EQ(veksPolyGFValue_8u(bad, 16, nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFValue_8u(bad, 16, &v), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFValue_8u(a, 16, &v), StatusOutOfRange);
    EXPECT_EQ(veksPolyGFValue_8u(a, 255, &v), StatusOutOfRange);
    EXPECT_EQ(v, 0x77);
    EXPECT_EQ(r.bytes(), rBefore);
    EXPECT_EQ(a.bytes(), aBefore);
    EXPECT_EQ(b.bytes(), bBefore);
    EXPECT_EQ(veksPolyGFShrC_8u(a, 2, r), StatusOk);
    EXPECT_EQ(veksPolyGFShrC_8u(a, 9, r), StatusOk);
    EXPECT_EQ(r.coeffs(), (Coeffs{0}));
}

// Coefficients written through the raw reference may hold any byte. No
// operation may then read outside the field's tables (the sanitiser build
// checks the reads; the field context here is exactly its own size).
TEST(PolyArithmeticBytesOutsideField, StayInsideTheTables) {
    for (auto [m, mask] : test::sampleFields()) {
        if (m == 8) continue;
        TestField f(m, mask);
        for (int it = 0; it < 50; ++it) {
            PolyBox a(f, 20), b(f, 20), q(f, 40), r(f, 40);
            for (PolyBox* p : {&a, &b}) {
                ASSERT_EQ(veksPolyGFSetDegree_8u(it % 21, *p), StatusOk);
                uint8_t* raw = nullptr;
                ASSERT_EQ(veksPolyGFGetRef_8u(&raw, nullptr, nullptr, *p), StatusOk);
                for (int i = 0; i <= 20; ++i) raw[i] = uint8_t(test::rng()() | (i & 1 ? 0x10 : 0));
            }
            uint8_t v = 0;
            uint8_t roots[256];
            int count = 0;
            EXPECT_EQ(veksPolyGFMul_8u(a, b, r), StatusOk);
            EXPECT_EQ(veksPolyGFDiv_8u(a, b, q, r), StatusOk);
            EXPECT_EQ(veksPolyGFMod_8u(b, a, r), StatusOk);
            polyRemainder(r, a, b);
            EXPECT_EQ(veksPolyGFValue_8u(a, uint8_t(it % (1 << m)), &v), StatusOk);
            EXPECT_EQ(veksPolyGFRoots_8u(a, roots, &count), StatusOk);
            EXPECT_EQ(veksPolyGFGCD_8u(a, b, r), StatusOk);
            EXPECT_TRUE(q.guardIntact() && r.guardIntact());
        }
    }
}

}  // namespace
}  // namespace vekdi
