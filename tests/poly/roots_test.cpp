// SPDX-License-Identifier: Apache-2.0
// Root search against brute-force evaluation: non-zero candidates in
// increasing order, at most the recorded degree many, nothing written past
// the roots found.
#include <gtest/gtest.h>

#include "tests/poly/poly_support.h"

namespace vekdi {
namespace {

using test::Coeffs;
using test::PolyBox;
using test::RefField;
using test::TestField;

std::vector<uint8_t> bruteForceRoots(const RefField& f, const Coeffs& p) {
    std::vector<uint8_t> roots;
    const int limit = int(p.size()) - 1;
    for (unsigned x = 1; x < f.order() && int(roots.size()) < limit; ++x)
        if (test::refEval(f, p, uint8_t(x)) == 0) roots.push_back(uint8_t(x));
    return roots;
}

// The roots the library finds, with the bytes after them checked untouched.
std::vector<uint8_t> libraryRoots(PolyBox& p) {
    test::GuardedBytes out(256);
    int count = -1;
    EXPECT_EQ(veksPolyGFRoots_8u(p, out.data(), &count), StatusOk);
    std::vector<uint8_t> roots(out.data(), out.data() + std::max(count, 0));
    for (int i = std::max(count, 0); i < 256; ++i) EXPECT_EQ(out.data()[i], test::kCanary);
    return roots;
}

// A polynomial with chosen roots (as a product of linear factors), times a
// random cofactor.
Coeffs withRoots(const RefField& f, int rootCount, int cofactorDegree) {
    Coeffs p = test::randomPoly(cofactorDegree, f.order());
    p.back() = 1;
    for (int i = 0; i < rootCount; ++i) {
        const uint8_t r = uint8_t(test::rng()() % f.order());
        p = test::refMulPoly(f, p, {r, 1});
    }
    return p;
}

TEST(PolyRoots, AgreeWithBruteForce) {
    const int rounds = test::iterations(600, 6000);
    for (auto [m, mask] : test::sampleFields()) {
        TestField f(m, mask);
        const RefField rf(f);
        for (int it = 0; it < rounds; ++it) {
            const Coeffs c = it % 2 == 0 ? withRoots(rf, it % 9, it % 4)
                                         : test::randomPoly(test::randomDegree(300), rf.order());
            PolyBox p(f, int(c.size()) - 1);
            p.set(c);
            ASSERT_EQ(libraryRoots(p), bruteForceRoots(rf, c)) << "m=" << m << " it=" << it;
        }
    }
}

TEST(PolyRoots, Examples) {
    for (auto [m, mask] : test::sampleFields()) {
        TestField f(m, mask);
        const unsigned q = 1u << m;
        PolyBox p(f, int(std::max(q, 3u)));
        p.set({1, 0, 1});
        EXPECT_EQ(libraryRoots(p), (std::vector<uint8_t>{1}));
        p.set({0, 1});
        EXPECT_TRUE(libraryRoots(p).empty());  // zero is never tried
        p.set({0, 1, 1});
        EXPECT_EQ(libraryRoots(p), (std::vector<uint8_t>{1}));
        Coeffs all(q, 0);
        all[0] = 1;
        all[q - 1] = 1;
        p.set(all);
        std::vector<uint8_t> every;
        for (unsigned x = 1; x < q; ++x) every.push_back(uint8_t(x));
        EXPECT_EQ(libraryRoots(p), every);
        p.set({0});
        EXPECT_TRUE(libraryRoots(p).empty());
        p.set({1});
        EXPECT_TRUE(libraryRoots(p).empty());
        // Recorded degree above the true one: x + 1 stored with degree 3 has
        // its single root and all candidates are tried.
        p.set({1, 1, 0, 0});
        EXPECT_EQ(libraryRoots(p), (std::vector<uint8_t>{1}));
    }
    // The search stops after `degree` roots: the zero polynomial recorded
    // with degree 1 vanishes everywhere and reports only the root 1.
    TestField f(8, 0x11D);
    PolyBox p(f, 4);
    p.set({0, 0});
    int count = -1;
    uint8_t one[1] = {0xA5};
    ASSERT_EQ(veksPolyGFRoots_8u(p, one, &count), StatusOk);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(one[0], 1);
}

TEST(PolyRoots, Status) {
    TestField f(8, 0x11D);
    PolyBox p(f, 2), bad(f, 2);
    p.set({1, 0, 1});
    bad->id = 0x434D416E;
    test::GuardedBytes out(8);
    int count = -5;
    EXPECT_EQ(veksPolyGFRoots_8u(nullptr, out.data(), &count), StatusNullPointer);
    EXPECT_EQ(veksPolyGFRoots_8u(bad, nullptr, &count), StatusNullPointer);
    EXPECT_EQ(veksPolyGFRoots_8u(bad, out.data(), nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFRoots_8u(bad, out.data(), &count), StatusContextMismatch);
    EXPECT_TRUE(out.intact());
    EXPECT_EQ(count, -5);
}

}  // namespace
}  // namespace vekdi
