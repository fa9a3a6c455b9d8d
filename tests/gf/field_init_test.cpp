// SPDX-License-Identifier: Apache-2.0
// Field initialisation: every binary generator of degree 1 ... 8 against
// brute force and the table builder, the documented examples, the order of
// the argument checks, and allocation failures in the polynomial tests.
#include <gtest/gtest.h>

#include <vector>

#include "base/allocator.h"
#include "gf/field.h"
#include "gf/field_init.h"
#include "gf/mask_arith.h"
#include "tests/support/fields.h"
#include "tests/support/reference_gf.h"

namespace vekdi {
namespace {

using test::GuardedBytes;

constexpr size_t kSlack = 16;  // canary bytes past the context

std::vector<uint8_t> coeffsOf(uint32_t mask, int m) {
    std::vector<uint8_t> c(size_t(m) + 1);
    for (int i = 0; i <= m; ++i) c[size_t(i)] = (mask >> i) & 1u;
    return c;
}

// A context buffer filled with canaries, 4-byte aligned.
struct ContextBuffer {
    explicit ContextBuffer(int m) : size(size_t(fieldContextSize(m))), words((size + kSlack + 3) / 4, 0xA5A5A5A5u) {}
    FieldGF* ctx() { return reinterpret_cast<FieldGF*>(words.data()); }
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(words.data()); }
    bool untouched(size_t from = 0) const {
        for (size_t i = from; i < words.size() * 4; ++i)
            if (bytes()[i] != 0xA5) return false;
        return true;
    }
    size_t size;
    std::vector<uint32_t> words;
};

TEST(FieldInit, EveryBinaryGeneratorOfDegreeUpTo8) {
    for (int m = 1; m <= 8; ++m) {
        const uint32_t n = (1u << m) - 1;
        for (uint32_t mask = 1u << m; mask < (2u << m); ++mask) {
            const std::vector<uint8_t> c = coeffsOf(mask, m);
            ContextBuffer buf(m);
            const VekStatus status = veksGFInit_8u(m, c.data(), buf.ctx());
            if (!test::isIrreducibleBinary(mask)) {
                ASSERT_EQ(status, StatusBadArgument) << std::hex << mask;
                ASSERT_TRUE(buf.untouched()) << std::hex << mask;
                continue;
            }
            ASSERT_EQ(status, StatusOk) << std::hex << mask;
            // alpha: x when it generates, else the smallest element of order n.
            uint32_t alpha = 2;
            if (m > 1 && test::refOrder(2, mask, m) != n) {
                alpha = 1;
                while (test::refOrder(alpha, mask, m) != n) ++alpha;
            }
            ASSERT_EQ(buf.ctx()->alpha, alpha) << std::hex << mask;
            test::TestField built(m, mask, alpha);
            ASSERT_EQ(0, std::memcmp(buf.bytes(), built.get(), buf.size)) << std::hex << mask;
            ASSERT_TRUE(buf.untouched(buf.size)) << std::hex << mask;
        }
    }
}

TEST(FieldInit, DocumentedExamples) {
    ContextBuffer f8(8);
    const uint8_t g11d[] = {1, 0, 1, 1, 1, 0, 0, 0, 1};
    ASSERT_EQ(veksGFInit_8u(8, g11d, f8.ctx()), StatusOk);
    EXPECT_EQ(f8.ctx()->alpha, 2u);
    EXPECT_EQ(f8.ctx()->generatorMask, 0x11Du);
    EXPECT_EQ(expTable(f8.ctx())[1], 2);
    EXPECT_EQ(expTable(f8.ctx())[8], 0x1D);

    const uint8_t g11b[] = {1, 1, 0, 1, 1, 0, 0, 0, 1};
    ASSERT_EQ(veksGFInit_8u(8, g11b, f8.ctx()), StatusOk);  // re-initialised in place
    EXPECT_EQ(f8.ctx()->alpha, 3u);
    EXPECT_EQ(f8.ctx()->generatorMask, 0x11Bu);
    EXPECT_EQ(expTable(f8.ctx())[1], 3);

    ContextBuffer f3(3);
    const uint8_t g3[] = {1, 1, 0, 1};
    ASSERT_EQ(veksGFInit_8u(3, g3, f3.ctx()), StatusOk);
    const uint8_t exp3[] = {1, 2, 4, 3, 6, 7, 5, 1};
    EXPECT_EQ(0, std::memcmp(expTable(f3.ctx()), exp3, 8));

    // Degree 1: x + 1 and x both give the tables of the built-in GF(2).
    for (uint32_t mask : {3u, 2u}) {
        ContextBuffer f1(1);
        const uint8_t g1[] = {uint8_t(mask & 1u), 1};
        ASSERT_EQ(veksGFInit_8u(1, g1, f1.ctx()), StatusOk);
        EXPECT_EQ(f1.ctx()->generatorMask, mask);
        EXPECT_EQ(f1.ctx()->alpha, 2u);
        EXPECT_EQ(0, std::memcmp(f1.bytes() + kFieldHeaderSize, expTable(gfBuiltinBinaryField()), 4));
        if (mask == 3) {
            EXPECT_EQ(0, std::memcmp(f1.bytes(), gfBuiltinBinaryField(), 32));
        }
    }
}

TEST(FieldInit, RejectionsInCheckOrderWriteNothing) {
    ContextBuffer buf(8);
    const uint8_t square[] = {1, 0, 1};  // (x + 1)^2
    EXPECT_EQ(veksGFInit_8u(2, square, buf.ctx()), StatusBadArgument);
    const uint8_t leadTwo[] = {1, 1, 0, 0, 2};
    EXPECT_EQ(veksGFInit_8u(4, leadTwo, buf.ctx()), StatusBadArgument);
    const uint8_t coeffTwo[] = {1, 2, 0, 0, 1};
    EXPECT_EQ(veksGFInit_8u(4, coeffTwo, buf.ctx()), StatusBadArgument);
    const uint8_t leadZero[] = {1, 1, 0};
    EXPECT_EQ(veksGFInit_8u(2, leadZero, buf.ctx()), StatusBadArgument);
    // The degree is checked before any coefficient is read: a one-byte array
    // with m = 9 must not be read at index 9.
    const auto one = std::make_unique<uint8_t[]>(1);
    one[0] = 1;
    EXPECT_EQ(veksGFInit_8u(9, one.get(), buf.ctx()), StatusOutOfRange);
    EXPECT_EQ(veksGFInit_8u(0, one.get(), buf.ctx()), StatusOutOfRange);
    EXPECT_EQ(veksGFInit_8u(-1, one.get(), buf.ctx()), StatusOutOfRange);
    EXPECT_EQ(veksGFInit_8u(0, one.get(), nullptr), StatusNullPointer);
    EXPECT_EQ(veksGFInit_8u(0, nullptr, buf.ctx()), StatusNullPointer);
    EXPECT_EQ(veksGFInit_8u(9, nullptr, nullptr), StatusNullPointer);
    EXPECT_TRUE(buf.untouched());
}

TEST(FieldInit, CoeffsToMask) {
    const uint8_t g[] = {1, 0, 1, 1, 1, 0, 0, 0, 1};
    EXPECT_EQ(coeffsToMask(g, 8), 0x11Du);
    EXPECT_EQ(coeffsToMask(g, 0), 1u);
    EXPECT_EQ(coeffsToMask(g, -1), 0u);
    const std::vector<uint8_t> ones(33, 1);
    EXPECT_EQ(coeffsToMask(ones.data(), 31), 0xFFFFFFFFu);
    EXPECT_EQ(coeffsToMask(ones.data(), 32), 0u);
}

TEST(FieldInit, IsFieldGeneratorMatchesElementOrder) {
    for (int m = 1; m <= 8; ++m) {
        const uint32_t n = (1u << m) - 1;
        for (uint32_t g : test::irreducibleMasks(m)) {
            for (uint32_t c = 1; c <= n; ++c) {
                // For m = 1 even 1, the whole group, fails: its only test is c^1 = 1.
                const bool expect = m > 1 && test::refOrder(c, g, m) == n;
                ASSERT_EQ(isFieldGenerator(c, g, m), expect) << m << " " << g << " " << c;
            }
        }
    }
}

TEST(FieldInit, AllocationFailuresPassThroughAndLeakNothing) {
    const uint8_t g11b[] = {1, 1, 0, 1, 1, 0, 0, 0, 1};
    const uint8_t g1[] = {1, 1};
    const long live = vekcoreLiveBlocks();
    // Four requests in the irreducibility test, three in the primitivity
    // test; degree 1 needs only the latter.
    for (auto [m, coeffs, requests] : {std::tuple{8, g11b, 7}, {1, g1, 3}}) {
        ContextBuffer buf(m);
        const long before = vekcoreRequestCount();
        ASSERT_EQ(veksGFInit_8u(m, coeffs, buf.ctx()), StatusOk);
        EXPECT_EQ(vekcoreRequestCount() - before, requests);
        for (int request = 1; request <= requests; ++request) {
            ContextBuffer fresh(m);
            vekcoreFailRequest(request);
            EXPECT_EQ(veksGFInit_8u(m, coeffs, fresh.ctx()), StatusNoMemory) << m << " " << request;
            EXPECT_TRUE(fresh.untouched()) << m << " " << request;
            EXPECT_EQ(vekcoreLiveBlocks(), live) << m << " " << request;
        }
    }
    vekcoreFailRequest(0);
}

}  // namespace
}  // namespace vekdi
