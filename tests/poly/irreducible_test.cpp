// SPDX-License-Identifier: Apache-2.0
// Irreducibility: every small binary polynomial against trial division,
// random polynomials over larger fields against a brute-force factor search,
// the recorded-degree rule, argument checks and the working memory.
#include <gtest/gtest.h>

#include <numeric>

#include "base/allocator.h"
#include "gf/field.h"
#include "tests/poly/wrapped_poly.h"
#include "tests/support/fields.h"
#include "tests/support/reference_gf.h"

namespace vekdi {
namespace {

using test::maskCoeffs;
using test::maskDegree;
using test::TestField;
using test::WrappedPoly;

int irreducible(const PolyGF* f) {
    int result = -1;
    EXPECT_EQ(veksPolyGFIrreducible_8u(f, &result), StatusOk);
    return result;
}

// Field arithmetic from first principles with a full product table.
class RefField {
public:
    RefField(int m, uint32_t mask) : q_(1u << m), products_(q_ * q_) {
        for (uint32_t a = 0; a < q_; ++a)
            for (uint32_t b = 0; b < q_; ++b) products_[a * q_ + b] = uint8_t(test::refMul(a, b, mask, m));
    }
    uint32_t q() const { return q_; }
    uint8_t mul(uint8_t a, uint8_t b) const { return products_[a * q_ + b]; }
    uint8_t inv(uint8_t a) const {
        for (uint32_t b = 1; b < q_; ++b)
            if (mul(a, uint8_t(b)) == 1) return uint8_t(b);
        return 0;
    }

private:
    uint32_t q_;
    std::vector<uint8_t> products_;
};

// True when the monic f is divisible by some monic polynomial of degree k,
// trying every one of them.
bool hasMonicFactor(const std::vector<uint8_t>& f, int k, const RefField& field) {
    const int d = int(f.size()) - 1;
    std::vector<uint32_t> g(k + 1, 0);  // g[0 ... k-1] counts through base q
    g[k] = 1;
    std::vector<uint8_t> r(f.size());
    for (;;) {
        r = f;
        for (int i = d; i >= k; --i) {
            const uint8_t t = r[i];
            if (t == 0) continue;
            for (int j = 0; j <= k; ++j) r[i - k + j] ^= field.mul(t, uint8_t(g[j]));
        }
        bool zero = true;
        for (int j = 0; j < k && zero; ++j) zero = r[j] == 0;
        if (zero) return true;
        int pos = 0;
        while (pos < k && ++g[pos] == field.q()) g[pos++] = 0;
        if (pos == k) return false;
    }
}

// Degree 0 and 1 count as irreducible (the test's convention); otherwise no
// monic factor of degree 1 ... d/2.
bool bruteForceIrreducible(std::vector<uint8_t> f, const RefField& field) {
    const int d = int(f.size()) - 1;
    if (d < 2) return true;
    const uint8_t lead = field.inv(f[d]);
    for (auto& c : f) c = field.mul(c, lead);
    for (int k = 1; k <= d / 2; ++k)
        if (hasMonicFactor(f, k, field)) return false;
    return true;
}

TEST(PolyIrreducible, EveryBinaryPolynomialUpToDegree12MatchesTrialDivision) {
    const FieldGF* gf2 = gfBuiltinBinaryField();
    for (uint32_t mask = 0; mask < (1u << 13); ++mask) {
        WrappedPoly f(gf2, maskCoeffs(mask));
        const int expect = maskDegree(mask) < 2 ? 1 : int(test::isIrreducibleBinary(mask));
        ASSERT_EQ(irreducible(f), expect) << std::hex << mask;
    }
}

TEST(PolyIrreducible, BinaryPolynomialsOverExtensionFields) {
    // A binary irreducible polynomial of degree d stays irreducible over
    // GF(2^m) exactly when gcd(d, m) = 1; x^2 + x + 1 splits over GF(4).
    for (auto [m, g] : {std::pair{2, 0x7u}, {3, 0xBu}, {4, 0x13u}, {8, 0x11Du}, {8, 0x11Bu}}) {
        TestField field(m, g);
        for (int d = 2; d <= 12; ++d) {
            for (uint32_t mask : test::irreducibleMasks(d)) {
                WrappedPoly f(field, maskCoeffs(mask));
                ASSERT_EQ(irreducible(f), std::gcd(d, m) == 1 ? 1 : 0) << m << " " << std::hex << mask;
            }
        }
    }
    TestField gf4(2, 0x7);
    WrappedPoly trinomial(gf4, {1, 1, 1});
    EXPECT_EQ(irreducible(trinomial), 0);
    WrappedPoly sameOverGf2(gfBuiltinBinaryField(), {1, 1, 1});
    EXPECT_EQ(irreducible(sameOverGf2), 1);
}

TEST(PolyIrreducible, RandomPolynomialsMatchFactorSearch) {
    auto& gen = test::rng();
    for (auto [m, g, count] : {std::tuple{2, 0x7u, 300}, {4, 0x13u, 200}, {8, 0x11Bu, 40}}) {
        TestField field(m, g);
        RefField ref(m, g);
        std::uniform_int_distribution<int> degree(0, 6);
        std::uniform_int_distribution<int> coeff(0, int(ref.q()) - 1);
        std::uniform_int_distribution<int> nonZero(1, int(ref.q()) - 1);
        int irreducibleSeen = 0;
        for (int it = 0; it < test::iterations(count, 10 * count); ++it) {
            std::vector<uint8_t> c(size_t(degree(gen)));
            for (auto& v : c) v = uint8_t(coeff(gen));
            c.push_back(uint8_t(nonZero(gen)));
            WrappedPoly f(field, c);
            const bool expect = bruteForceIrreducible(c, ref);
            irreducibleSeen += expect && c.size() > 2;
            ASSERT_EQ(irreducible(f), int(expect)) << m << " iteration " << it;
        }
        EXPECT_GT(irreducibleSeen, 0) << m;
    }
}

// Monic polynomial of degree d over GF(q) with random lower coefficients.
std::vector<uint8_t> randomMonic(int d, uint32_t q) {
    std::uniform_int_distribution<int> coeff(0, int(q) - 1);
    std::vector<uint8_t> c(static_cast<size_t>(d));
    for (auto& v : c) v = uint8_t(coeff(test::rng()));
    c.push_back(1);
    return c;
}

std::vector<uint8_t> product(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, const RefField& field) {
    std::vector<uint8_t> r(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j) r[i + j] ^= field.mul(a[i], b[j]);
    return r;
}

TEST(PolyIrreducible, QuarticsAndSexticsOverGf256) {
    // Irreducible ones are rare among random draws: keep drawing until some
    // turn up, and build sextics with no factor below degree 3.
    TestField field(8, 0x11D);
    RefField ref(8, 0x11D);
    for (int d : {4, 6}) {
        int found = 0;
        while (found < (d == 4 ? 4 : test::iterations(1, 4))) {
            const std::vector<uint8_t> c = randomMonic(d, 256);
            WrappedPoly f(field, c);
            const bool expect = bruteForceIrreducible(c, ref);
            found += expect;
            ASSERT_EQ(irreducible(f), int(expect)) << d;
        }
    }
    for (int pairs = 0; pairs < 2;) {
        const std::vector<uint8_t> a = randomMonic(3, 256);
        const std::vector<uint8_t> b = randomMonic(3, 256);
        if (!bruteForceIrreducible(a, ref) || !bruteForceIrreducible(b, ref)) continue;
        WrappedPoly f(field, product(a, b, ref));
        EXPECT_EQ(irreducible(f), 0);
        ++pairs;
    }
}

TEST(PolyIrreducible, StagesComeFromTheRecordedDegree) {
    const FieldGF* gf2 = gfBuiltinBinaryField();
    // x^2 + x + 1 recorded at degree 4: the second stage finds h = x.
    WrappedPoly degree4(gf2, {1, 1, 1, 0, 0});
    EXPECT_EQ(irreducible(degree4), 0);
    // Recorded at degree 3 only one stage runs, which it passes.
    WrappedPoly degree3(gf2, {1, 1, 1, 0});
    EXPECT_EQ(irreducible(degree3), 1);
    // Zero and constant polynomials recorded at low degree.
    for (int d = 0; d <= 1; ++d) {
        WrappedPoly zero(gf2, {0, 0}, d);
        EXPECT_EQ(irreducible(zero), 1);
    }
    // Over GF(256): an irreducible cubic times a zero top, recorded at degree 6.
    TestField gf256(8, 0x11D);
    WrappedPoly padded(gf256, {1, 1, 0, 1, 0, 0, 0});  // x^3 + x + 1 is irreducible over GF(256)
    EXPECT_EQ(irreducible(padded), 0);
}

TEST(PolyIrreducible, ArgumentChecksWriteNothing) {
    const FieldGF* gf2 = gfBuiltinBinaryField();
    WrappedPoly f(gf2, {1, 1, 1});
    int result = 7;
    EXPECT_EQ(veksPolyGFIrreducible_8u(nullptr, &result), StatusNullPointer);
    EXPECT_EQ(veksPolyGFIrreducible_8u(f, nullptr), StatusNullPointer);
    PolyGF wrongId = *f.get();
    wrongId.id = kFieldId;
    EXPECT_EQ(veksPolyGFIrreducible_8u(&wrongId, &result), StatusContextMismatch);
    // The object's field is checked before any working memory is taken.
    const long requests = vekcoreRequestCount();
    PolyGF noField = *f.get();
    noField.field = nullptr;
    EXPECT_EQ(veksPolyGFIrreducible_8u(&noField, &result), StatusNullPointer);
    const uint32_t notAField[16] = {kPolyId};
    noField.field = reinterpret_cast<const FieldGF*>(notAField);
    EXPECT_EQ(veksPolyGFIrreducible_8u(&noField, &result), StatusContextMismatch);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(vekcoreRequestCount(), requests);
}

TEST(PolyIrreducible, WorkingMemoryIsTakenOnceAndReturned) {
    const FieldGF* gf2 = gfBuiltinBinaryField();
    WrappedPoly f(gf2, maskCoeffs(0x11D));
    const long live = vekcoreLiveBlocks();
    long before = vekcoreRequestCount();
    EXPECT_EQ(irreducible(f), 1);
    EXPECT_EQ(vekcoreRequestCount() - before, 4);
    EXPECT_EQ(vekcoreLiveBlocks(), live);

    WrappedPoly linear(gf2, {1, 1});
    before = vekcoreRequestCount();
    EXPECT_EQ(irreducible(linear), 1);
    EXPECT_EQ(vekcoreRequestCount(), before);

    for (int request = 1; request <= 4; ++request) {
        int result = 7;
        vekcoreFailRequest(request);
        EXPECT_EQ(veksPolyGFIrreducible_8u(f, &result), StatusNoMemory) << request;
        EXPECT_EQ(result, 7);
        EXPECT_EQ(vekcoreLiveBlocks(), live) << request;
    }
    vekcoreFailRequest(0);
}

}  // namespace
}  // namespace vekdi
