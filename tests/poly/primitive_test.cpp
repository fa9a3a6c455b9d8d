// SPDX-License-Identifier: Apache-2.0
// Primitivity: the prime-divisor table against trial division, every binary
// irreducible polynomial up to degree 16 against the brute-force order of x,
// larger degrees against an independent exponent test, the degree limits,
// argument checks and the working memory.
#include <gtest/gtest.h>

#include "base/allocator.h"
#include "gf/field.h"
#include "poly/prime_divisors.h"
#include "poly/primitive.h"
#include "tests/poly/wrapped_poly.h"
#include "tests/support/fields.h"
#include "tests/support/reference_gf.h"

namespace vekdi {
namespace {

using test::maskCoeffs;
using test::maskDegree;
using test::WrappedPoly;

int primitive(const PolyGF* f, int assumeIrreducible) {
    int result = -1;
    EXPECT_EQ(veksPolyGFPrimitive_8u(f, assumeIrreducible, &result), StatusOk);
    return result;
}

int primitiveBinary(uint64_t mask, int assumeIrreducible = 0) {
    WrappedPoly f(gfBuiltinBinaryField(), maskCoeffs(mask));
    return primitive(f, assumeIrreducible);
}

std::vector<uint64_t> distinctPrimes(uint64_t v) {
    std::vector<uint64_t> primes;
    for (uint64_t p = 2; p * p <= v; ++p) {
        if (v % p != 0) continue;
        primes.push_back(p);
        while (v % p == 0) v /= p;
    }
    if (v > 1) primes.push_back(v);
    return primes;
}

// x^e mod f for a binary f of degree below 63, bit by bit.
uint64_t binaryPowX(uint64_t e, uint64_t f) {
    const int d = maskDegree(f);
    auto mulMod = [&](uint64_t a, uint64_t b) {
        uint64_t r = 0;
        for (int i = d - 1; i >= 0; --i) {
            r <<= 1;
            if ((r >> d) & 1u) r ^= f;
            if ((b >> i) & 1u) r ^= a;
        }
        return r;
    };
    uint64_t r = 1;
    uint64_t base = 2 % f;
    for (; e != 0; e >>= 1) {
        if (e & 1u) r = mulMod(r, base);
        base = mulMod(base, base);
    }
    return r;
}

// Multiplicative order of x modulo f (degree d >= 2, f(0) = 1), stepping.
uint64_t orderOfX(uint64_t f) {
    const int d = maskDegree(f);
    uint64_t r = 2;
    uint64_t k = 1;
    while (r != 1) {
        r <<= 1;
        if ((r >> d) & 1u) r ^= f;
        ++k;
    }
    return k;
}

TEST(PrimeDivisorTable, RowsMatchTrialDivision) {
    for (int n = 1; n <= 32; ++n) {
        const uint64_t e = (uint64_t{1} << n) - 1;
        std::vector<uint64_t> expect{1};
        for (uint64_t p : distinctPrimes(e))
            if (p != e) expect.push_back(p);
        expect.push_back(e);
        const uint32_t* row = primeDivisorList(n);
        ASSERT_NE(row, nullptr);
        ASSERT_EQ(primeDivisorCount(n), int(expect.size())) << n;
        ASSERT_LE(primeDivisorCount(n), kPrimeDivisorRowMax);
        for (size_t j = 0; j < expect.size(); ++j) EXPECT_EQ(row[j], expect[j]) << n << " entry " << j;
    }
    for (int n : {-1, 0, 33, 64}) {
        EXPECT_EQ(primeDivisorList(n), nullptr);
        EXPECT_EQ(primeDivisorCount(n), 0);
    }
}

TEST(PolyPrimitive, DivisorTestsSkipCofactorsBelowTheDegree) {
    uint32_t exponents[kPrimeDivisorRowMax];
    // 2^n - 1 prime: only the quotient 1 remains, below n, so no divisor test.
    for (int n : {2, 3, 5, 7, 13, 17, 19, 31}) EXPECT_EQ(primitivityCofactors(n, exponents), 0) << n;
    ASSERT_EQ(primitivityCofactors(20, exponents), 5);
    const uint32_t e20 = (1u << 20) - 1;
    const uint32_t expect20[] = {e20 / 3, e20 / 5, e20 / 11, e20 / 31, e20 / 41};
    for (int j = 0; j < 5; ++j) EXPECT_EQ(exponents[j], expect20[j]);
    ASSERT_EQ(primitivityCofactors(4, exponents), 1);  // 15/3; 15/5 = 3 is below 4
    EXPECT_EQ(exponents[0], 5u);
    ASSERT_EQ(primitivityCofactors(8, exponents), 3);
    EXPECT_EQ(exponents[0], 85u);
    EXPECT_EQ(exponents[1], 51u);
    EXPECT_EQ(exponents[2], 15u);
    ASSERT_EQ(primitivityCofactors(32, exponents), 5);
    EXPECT_EQ(exponents[4], 65535u);  // (2^32 - 1) / 65537
}

TEST(PolyPrimitive, EveryBinaryIrreducibleUpToDegree16MatchesOrderOfX) {
    for (int d = 2; d <= 16; ++d) {
        const uint64_t full = (uint64_t{1} << d) - 1;
        int primitives = 0;
        for (uint32_t mask : test::irreducibleMasks(d)) {
            const int expect = orderOfX(mask) == full ? 1 : 0;
            primitives += expect;
            ASSERT_EQ(primitiveBinary(mask), expect) << std::hex << mask;
        }
        EXPECT_GT(primitives, 0) << d;
    }
}

// Irreducible by trial division with every binary polynomial up to half its degree.
bool irreducibleBinary(uint64_t f) {
    const int d = maskDegree(f);
    for (uint64_t g = 2; maskDegree(g) <= d / 2; ++g) {
        uint64_t r = f;
        for (int dr = maskDegree(r); r != 0 && dr >= maskDegree(g); dr = maskDegree(r)) r ^= g << (dr - maskDegree(g));
        if (r == 0) return false;
    }
    return true;
}

// x^(2^d - 1) = 1 and x^((2^d - 1) / p) != 1 for the primes p found by trial division.
int primitiveByExponents(uint64_t f) {
    const uint64_t full = (uint64_t{1} << maskDegree(f)) - 1;
    int expect = binaryPowX(full, f) == 1;
    for (uint64_t p : distinctPrimes(full)) expect &= binaryPowX(full / p, f) != 1;
    return expect;
}

TEST(PolyPrimitive, LargerDegreesMatchAnIndependentExponentTest) {
    std::uniform_int_distribution<uint64_t> lower;
    for (int d = 17; d <= 32; ++d) {
        const uint64_t low = (uint64_t{1} << d) - 1;
        for (int found = 0; found < test::iterations(2, 8);) {
            const uint64_t mask = (uint64_t{1} << d) | (lower(test::rng()) & low) | 1u;
            if (!irreducibleBinary(mask)) continue;
            EXPECT_EQ(primitiveBinary(mask), primitiveByExponents(mask)) << std::hex << mask;
            ++found;
        }
    }
}

TEST(PolyPrimitive, DocumentedExamples) {
    EXPECT_EQ(primitiveBinary(0x13), 1);   // x^4 + x + 1
    EXPECT_EQ(primitiveBinary(0x1F), 0);   // x^4 + x^3 + x^2 + x + 1: x^5 = 1
    EXPECT_EQ(primitiveBinary(0x11D), 1);
    EXPECT_EQ(primitiveBinary(0x11B), 0);  // x^51 = 1
    // Degree 1: x is not reduced, so never the constant 1.
    for (int assume : {0, 1}) {
        EXPECT_EQ(primitiveBinary(0x3, assume), 0);
        EXPECT_EQ(primitiveBinary(0x2, assume), 0);
    }
    // Degree 0, including the zero polynomial: 1, without working memory.
    const long requests = vekcoreRequestCount();
    for (uint64_t mask : {0u, 1u})
        for (int assume : {0, 1}) EXPECT_EQ(primitiveBinary(mask, assume), 1);
    EXPECT_EQ(vekcoreRequestCount(), requests);
    // The same tests over a larger field: only the order of x counts.
    test::TestField gf256(8, 0x11D);
    WrappedPoly f(gf256, maskCoeffs(0x11B));
    EXPECT_EQ(primitive(f, 1), 0);
}

TEST(PolyPrimitive, OnlyTheValueOneSkipsTheIrreducibilityTest) {
    // x^2 + 1 = (x + 1)^2 is reducible; x^3 mod (x^2 + 1) = x, so 0 either way.
    long before = vekcoreRequestCount();
    EXPECT_EQ(primitiveBinary(0x5, 0), 0);
    EXPECT_EQ(vekcoreRequestCount() - before, 4);  // stopped after the irreducibility test
    before = vekcoreRequestCount();
    EXPECT_EQ(primitiveBinary(0x5, 1), 0);
    EXPECT_EQ(vekcoreRequestCount() - before, 3);
    for (int assume : {2, -1, 0}) {
        before = vekcoreRequestCount();
        EXPECT_EQ(primitiveBinary(0x11D, assume), 1);
        EXPECT_EQ(vekcoreRequestCount() - before, 7) << assume;
    }
    // (x^2 + x + 1)(x^3 + x + 1): reducible, and x has order 21 modulo it.
    EXPECT_EQ(primitiveBinary(0x31, 0), 0);
    EXPECT_EQ(primitiveBinary(0x31, 1), 0);
}

TEST(PolyPrimitive, DegreesAbove32AreRefused) {
    std::vector<uint8_t> c(34, 0);
    c[0] = 1;
    c[33] = 1;
    WrappedPoly f33(gfBuiltinBinaryField(), c);
    for (int assume : {0, 1}) {
        int result = 7;
        const long requests = vekcoreRequestCount();
        EXPECT_EQ(veksPolyGFPrimitive_8u(f33, assume, &result), StatusBadArgument);
        EXPECT_EQ(result, 7);
        EXPECT_EQ(vekcoreRequestCount(), requests);
    }
    // x^32 + x^22 + x^2 + x + 1 at degree 32 is still answered.
    const uint64_t mask32 = (uint64_t{1} << 32) | (1u << 22) | 0x7;
    EXPECT_EQ(primitiveBinary(mask32, 1), primitiveByExponents(mask32));
}

TEST(PolyPrimitive, ZeroTopCoefficientIsSafe) {
    // x^2 + x + 1 recorded at degree 4: reductions use its true degree, where
    // x has order 3, which divides 15 but not the cofactor 5 that is tested.
    WrappedPoly padded(gfBuiltinBinaryField(), {1, 1, 1, 0, 0});
    EXPECT_EQ(primitive(padded, 1), 1);
    EXPECT_EQ(primitive(padded, 0), 0);  // the irreducibility test rejects it
    WrappedPoly zero(gfBuiltinBinaryField(), {0, 0, 0, 0});
    EXPECT_EQ(primitive(zero, 1), 0);
}

TEST(PolyPrimitive, ArgumentChecksWriteNothing) {
    WrappedPoly f(gfBuiltinBinaryField(), maskCoeffs(0x13));
    int result = 7;
    EXPECT_EQ(veksPolyGFPrimitive_8u(nullptr, 1, &result), StatusNullPointer);
    EXPECT_EQ(veksPolyGFPrimitive_8u(f, 1, nullptr), StatusNullPointer);
    PolyGF wrongId = *f.get();
    wrongId.id = kFieldId;
    EXPECT_EQ(veksPolyGFPrimitive_8u(&wrongId, 1, &result), StatusContextMismatch);
    wrongId.degree = 40;  // the identifier is checked before the degree
    EXPECT_EQ(veksPolyGFPrimitive_8u(&wrongId, 1, &result), StatusContextMismatch);
    // The object's field, needed from degree 1 on, before anything is written.
    const long requests = vekcoreRequestCount();
    PolyGF noField = *f.get();
    noField.field = nullptr;
    EXPECT_EQ(veksPolyGFPrimitive_8u(&noField, 1, &result), StatusNullPointer);
    noField.degree = 40;
    EXPECT_EQ(veksPolyGFPrimitive_8u(&noField, 1, &result), StatusNullPointer);
    const uint32_t notAField[16] = {kPolyId};
    noField.field = reinterpret_cast<const FieldGF*>(notAField);
    EXPECT_EQ(veksPolyGFPrimitive_8u(&noField, 0, &result), StatusContextMismatch);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(vekcoreRequestCount(), requests);
    noField.degree = 0;  // degree 0 needs no field
    EXPECT_EQ(veksPolyGFPrimitive_8u(&noField, 1, &result), StatusOk);
    EXPECT_EQ(result, 1);
}

TEST(PolyPrimitive, AllocationFailuresLeakNothing) {
    WrappedPoly f(gfBuiltinBinaryField(), maskCoeffs(0x11D));
    const long live = vekcoreLiveBlocks();
    // Skipping the irreducibility test: three requests; the result keeps 1.
    for (int request = 1; request <= 3; ++request) {
        int result = 7;
        vekcoreFailRequest(request);
        EXPECT_EQ(veksPolyGFPrimitive_8u(f, 1, &result), StatusNoMemory) << request;
        EXPECT_EQ(result, 1);
        EXPECT_EQ(vekcoreLiveBlocks(), live) << request;
    }
    // With it: four requests of the irreducibility test (result untouched),
    // then three of its own (result 1 from the irreducibility test).
    for (int request = 1; request <= 7; ++request) {
        int result = 7;
        vekcoreFailRequest(request);
        EXPECT_EQ(veksPolyGFPrimitive_8u(f, 0, &result), StatusNoMemory) << request;
        EXPECT_EQ(result, request <= 4 ? 7 : 1) << request;
        EXPECT_EQ(vekcoreLiveBlocks(), live) << request;
    }
    vekcoreFailRequest(0);
}

}  // namespace
}  // namespace vekdi
