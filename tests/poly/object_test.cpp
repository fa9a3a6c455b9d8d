// SPDX-License-Identifier: Apache-2.0
// The polynomial object: record size, initialisation, filling, resizing,
// inspection and copying, with their status order and the guarantee that a
// failing call writes nothing.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "poly/poly.h"
#include "tests/poly/poly_support.h"

namespace vekdi {
namespace {

using test::Coeffs;
using test::PolyBox;
using test::TestField;

TEST(PolyObject, SizeIsHeaderPlusSlots) {
    int size = -1;
    const int header = int(sizeof(VeksPolyGF_8u));
    if constexpr (sizeof(void*) == 4) {
        ASSERT_EQ(veksPolyGFGetSize_8u(0, &size), StatusOk);
        EXPECT_EQ(size, 21);
        ASSERT_EQ(veksPolyGFGetSize_8u(255, &size), StatusOk);
        EXPECT_EQ(size, 276);
    } else {
        ASSERT_EQ(veksPolyGFGetSize_8u(0, &size), StatusOk);
        EXPECT_EQ(size, header + 1);
        ASSERT_EQ(veksPolyGFGetSize_8u(255, &size), StatusOk);
        EXPECT_EQ(size, header + 256);
    }
    // The record is the header followed by the inline slots, and Init points
    // the coefficients right after the header.
    TestField f(8, 0x11D);
    PolyBox p(f, 5);
    EXPECT_EQ(p->coeffs, reinterpret_cast<uint8_t*>(p.get()) + header);
    // The largest maximum degree whose size fits an int, and the first that does not.
    const int largest = INT_MAX - header - 1;
    ASSERT_EQ(veksPolyGFGetSize_8u(largest, &size), StatusOk);
    EXPECT_EQ(size, INT_MAX);
    size = 7;
    EXPECT_EQ(veksPolyGFGetSize_8u(largest + 1, &size), StatusBadArgument);
    EXPECT_EQ(veksPolyGFGetSize_8u(INT_MAX, &size), StatusBadArgument);
    EXPECT_EQ(veksPolyGFGetSize_8u(-1, &size), StatusBadArgument);
    EXPECT_EQ(size, 7);
    EXPECT_EQ(veksPolyGFGetSize_8u(-1, nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFGetSize_8u(3, nullptr), StatusNullPointer);
}

TEST(PolyObject, InitChecksDegreeBeforeFieldIdentifier) {
    TestField f(8, 0x11D);
    std::vector<uint8_t> badField(reinterpret_cast<const uint8_t*>(f.get()),
                                  reinterpret_cast<const uint8_t*>(f.get()) + fieldContextSize(8));
    badField[0] ^= 1;
    const auto* wrong = reinterpret_cast<const FieldGF*>(badField.data());
    test::GuardedBytes rec(64);
    auto* p = reinterpret_cast<PolyGF*>(rec.data());
    EXPECT_EQ(veksPolyGFInit_8u(nullptr, 5, p), StatusNullPointer);
    EXPECT_EQ(veksPolyGFInit_8u(f, -1, nullptr), StatusNullPointer);
    EXPECT_EQ(veksPolyGFInit_8u(wrong, -1, p), StatusBadArgument);
    EXPECT_EQ(veksPolyGFInit_8u(wrong, INT_MAX, p), StatusBadArgument);
    EXPECT_EQ(veksPolyGFInit_8u(wrong, 5, p), StatusContextMismatch);
    EXPECT_TRUE(rec.intact());
    ASSERT_EQ(veksPolyGFInit_8u(f, 5, p), StatusOk);
    EXPECT_EQ(p->id, 0x434D416Fu);
    EXPECT_EQ(p->capacity, 6);
    EXPECT_EQ(p->degree, 0);
    EXPECT_EQ(p->coeffs[0], 0);
    uint8_t* coeffs = nullptr;
    int degree = -1;
    const FieldGF* field = nullptr;
    ASSERT_EQ(veksPolyGFGetRef_8u(&coeffs, &degree, &field, p), StatusOk);
    EXPECT_EQ(coeffs, p->coeffs);
    EXPECT_EQ(degree, 0);
    EXPECT_EQ(field, f.get());
    EXPECT_EQ(veksPolyGFGetRef_8u(nullptr, nullptr, nullptr, p), StatusOk);
    EXPECT_EQ(veksPolyGFGetRef_8u(&coeffs, &degree, &field, nullptr), StatusNullPointer);
}

TEST(PolyObject, SetCoeffsKeepsDegreeAndChecksRange) {
    TestField f16(4, 0x13);
    PolyBox p(f16, 2), other(f16, 2);
    const Coeffs c = {1, 0, 0};
    ASSERT_EQ(veksPolyGFSetCoeffs_8u(c.data(), 2, p), StatusOk);
    EXPECT_EQ(p.coeffs(), c);
    const auto before = p.bytes();
    const uint8_t big[] = {1, 16, 3};
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(nullptr, 0, p), StatusNullPointer);
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(c.data(), 0, nullptr), StatusNullPointer);
    other->id = 0;
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(c.data(), 5, other), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(c.data(), 3, p), StatusBadArgument);
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(c.data(), -1, p), StatusBadArgument);
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(big, 3, p), StatusBadArgument);  // degree before coefficients
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(big, 2, p), StatusOutOfRange);
    EXPECT_EQ(p.bytes(), before);
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(big, 0, p), StatusOk);  // only degree + 1 bytes are read
    EXPECT_EQ(p.coeffs(), (Coeffs{1}));
}

TEST(PolyObject, SetDegreeClearsRaisedSlotsOnly) {
    TestField f(8, 0x11D);
    PolyBox p(f, 5), other(f, 5);
    p.set({7, 9});
    ASSERT_EQ(veksPolyGFSetDegree_8u(4, p), StatusOk);
    EXPECT_EQ(p.coeffs(), (Coeffs{7, 9, 0, 0, 0}));
    p.set({7, 9, 3, 4});
    ASSERT_EQ(veksPolyGFSetDegree_8u(0, p), StatusOk);
    EXPECT_EQ(p.coeffs(), (Coeffs{7}));
    EXPECT_EQ(p->coeffs[3], 4);  // lowering changes no coefficient
    ASSERT_EQ(veksPolyGFSetDegree_8u(3, p), StatusOk);
    EXPECT_EQ(p.coeffs(), (Coeffs{7, 0, 0, 0}));
    // Long runs go through the block fill.
    PolyBox big(f, 300);
    std::memset(big->coeffs, 0x5A, 301);
    big.set({1});
    ASSERT_EQ(veksPolyGFSetDegree_8u(300, big), StatusOk);
    EXPECT_EQ(test::refDegree(big.coeffs()), 0);
    EXPECT_TRUE(big.guardIntact());
    const auto before = p.bytes();
    EXPECT_EQ(veksPolyGFSetDegree_8u(6, p), StatusBadArgument);
    EXPECT_EQ(veksPolyGFSetDegree_8u(-1, p), StatusBadArgument);
    EXPECT_EQ(veksPolyGFSetDegree_8u(1, nullptr), StatusNullPointer);
    other->id = 1;
    EXPECT_EQ(veksPolyGFSetDegree_8u(9, other), StatusContextMismatch);
    EXPECT_EQ(p.bytes(), before);
}

TEST(PolyObject, CopyNormalisesAndTakesTheSourceField) {
    TestField f8(8, 0x11D), f2(1, 0x3);
    PolyBox src(f8, 300), dst(f2, 300), small(f2, 1);
    src.set({1, 0, 0});
    ASSERT_EQ(veksPolyGFCopy_8u(src, dst), StatusOk);
    EXPECT_EQ(dst.coeffs(), (Coeffs{1}));
    EXPECT_EQ(dst->field, f8.get());
    src.set({0});
    ASSERT_EQ(veksPolyGFCopy_8u(src, dst), StatusOk);
    EXPECT_EQ(dst.coeffs(), (Coeffs{0}));
    // Long copies and copies onto itself.
    for (int it = 0; it < 200; ++it) {
        const Coeffs c = test::randomPoly(test::randomDegree(300), 256);
        src.set(c);
        ASSERT_EQ(veksPolyGFCopy_8u(src, dst), StatusOk);
        ASSERT_EQ(dst.coeffs(), test::refNormalised(c));
        ASSERT_EQ(veksPolyGFCopy_8u(src, src), StatusOk);
        ASSERT_EQ(src.coeffs(), test::refNormalised(c));
    }
    EXPECT_TRUE(dst.guardIntact());
    // A destination too small for the normalised source is refused.
    src.set({1, 2, 3, 0, 0});
    const auto before = small.bytes();
    EXPECT_EQ(veksPolyGFCopy_8u(src, small), StatusDestinationTooSmall);
    EXPECT_EQ(small.bytes(), before);
    src.set({1, 2, 0, 0, 0});
    EXPECT_EQ(veksPolyGFCopy_8u(src, small), StatusOk);
    EXPECT_EQ(small.coeffs(), (Coeffs{1, 2}));
    const auto after = small.bytes();
    EXPECT_EQ(veksPolyGFCopy_8u(nullptr, small), StatusNullPointer);
    EXPECT_EQ(veksPolyGFCopy_8u(src, nullptr), StatusNullPointer);
    PolyBox bad(f8, 1);
    bad->id = 0x434D4170;
    EXPECT_EQ(veksPolyGFCopy_8u(bad, small), StatusContextMismatch);
    EXPECT_EQ(veksPolyGFCopy_8u(src, bad), StatusContextMismatch);
    EXPECT_EQ(small.bytes(), after);
}

TEST(PolyObject, InternalCopyAndWrap) {
    TestField f(8, 0x11D);
    uint8_t outside[4] = {3, 0, 5, 0};
    PolyGF wrapped;
    polyWrap(&wrapped, f, outside, 4, 3);
    PolyBox dst(f, 3);
    polyCopyNormalised(dst, &wrapped);
    EXPECT_EQ(dst.coeffs(), (Coeffs{3, 0, 5}));
    uint8_t value = 0;
    ASSERT_EQ(veksPolyGFValue_8u(&wrapped, 1, &value), StatusOk);
    EXPECT_EQ(value, 3 ^ 5);
}

}  // namespace
}  // namespace vekdi
