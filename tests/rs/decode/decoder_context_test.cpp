// SPDX-License-Identifier: Apache-2.0
// Decoder context: sizes, initialisation checks, root-power table, placement.
#include <gtest/gtest.h>

#include <cstring>

#include "rs/decode/decoder.h"
#include "tests/support/rs_code.h"
#include "tests/support/reference_gf.h"

namespace vekdi::test {
namespace {

TEST(RSDecoderContext, SizesFollowTheFormulas) {
    struct Case {
        int n, k, context32, bm, ee;
    };
    for (const Case& c : {Case{255, 223, 1254, 639, 671}, Case{255, 254, 1174, 431, 431}}) {
        int size = 0;
        ASSERT_EQ(veksRSDecodeGetSize_8u(c.n, c.k, &size), StatusOk);
        if constexpr (sizeof(void*) == 4) {
            EXPECT_EQ(size, c.context32);
        } else {
            EXPECT_EQ(size, c.context32 + 36);  // 80-byte header instead of 44
        }
        RSCode code(8, 0x11D, c.k, 2);
        ASSERT_EQ(veksRSDecodeBMGetBufferSize_8u(code.decoder(), &size), StatusOk);
        EXPECT_EQ(size, c.bm);
        ASSERT_EQ(veksRSDecodeEEGetBufferSize_8u(code.decoder(), &size), StatusOk);
        EXPECT_EQ(size, c.ee);
    }
    // R16 steps between r = 16 and r = 17.
    int s16 = 0, s17 = 0;
    ASSERT_EQ(veksRSDecodeGetSize_8u(255, 239, &s16), StatusOk);
    ASSERT_EQ(veksRSDecodeGetSize_8u(255, 238, &s17), StatusOk);
    EXPECT_EQ(s17 - s16, 80);
    ASSERT_EQ(veksRSDecodeGetSize_8u(255, 240, &s17), StatusOk);
    EXPECT_EQ(s16, s17);
}

TEST(RSDecoderContext, SizeQueryChecks) {
    int size = 7;
    EXPECT_EQ(veksRSDecodeGetSize_8u(255, 223, nullptr), StatusNullPointer);
    for (auto [n, k] : {std::pair{1, 1}, {256, 10}, {255, 0}, {255, 255}, {7, -1}})
        EXPECT_EQ(veksRSDecodeGetSize_8u(n, k, &size), StatusOutOfRange);
    EXPECT_EQ(size, 7);

    RSCode code(4, 0x13, 9, 2);
    EXPECT_EQ(veksRSDecodeBMGetBufferSize_8u(nullptr, &size), StatusNullPointer);
    EXPECT_EQ(veksRSDecodeBMGetBufferSize_8u(code.decoder(), nullptr), StatusNullPointer);
    EXPECT_EQ(veksRSDecodeEEGetBufferSize_8u(nullptr, &size), StatusNullPointer);
    const auto* asDecoder = reinterpret_cast<const VeksRSDecoder_8u*>(code.encoder());
    EXPECT_EQ(veksRSDecodeBMGetBufferSize_8u(asDecoder, &size), StatusContextMismatch);
    EXPECT_EQ(veksRSDecodeEEGetBufferSize_8u(asDecoder, &size), StatusContextMismatch);
    EXPECT_EQ(size, 7);
    EXPECT_EQ(veksRSDecodeGetSize_8u(100, 50, &size), StatusOk);  // no field involved
}

TEST(RSDecoderContext, InitChecksWriteNothingOnFailure) {
    TestField f(4, 0x13);
    RSCode other(4, 0x13, 9, 2);
    GuardedBytes ctx(2000);
    auto* dec = reinterpret_cast<VeksRSDecoder_8u*>(ctx.data());
    EXPECT_EQ(veksRSDecodeInit_8u(300, 5, nullptr, 0, dec), StatusNullPointer);
    EXPECT_EQ(veksRSDecodeInit_8u(15, 5, f, 2, nullptr), StatusNullPointer);
    EXPECT_EQ(veksRSDecodeInit_8u(300, 5, reinterpret_cast<const VeksGFContext_8u*>(other.decoder()), 0, dec),
              StatusContextMismatch);
    EXPECT_EQ(veksRSDecodeInit_8u(255, 5, f, 0, dec), StatusOutOfRange);
    EXPECT_EQ(veksRSDecodeInit_8u(15, 15, f, 2, dec), StatusOutOfRange);
    EXPECT_EQ(veksRSDecodeInit_8u(15, 0, f, 2, dec), StatusOutOfRange);
    EXPECT_EQ(veksRSDecodeInit_8u(15, 5, f, 0, dec), StatusBadArgument);
    EXPECT_EQ(veksRSDecodeInit_8u(15, 5, f, 16, dec), StatusBadArgument);
    EXPECT_TRUE(ctx.intact());
}

TEST(RSDecoderContext, RootPowersAtFirstBoundaryForEveryPlacement) {
    TestField f(8, 0x11B);
    const int n = 255, k = 238, r = 17;
    int size = 0;
    ASSERT_EQ(veksRSDecodeGetSize_8u(n, k, &size), StatusOk);
    for (int offset = 0; offset < 16; ++offset) {
        std::vector<uint8_t> mem(static_cast<size_t>(size + 64), kCanary);
        uint8_t* base = mem.data() + (16 - reinterpret_cast<uintptr_t>(mem.data()) % 16) + offset;
        const size_t used = size_t(base - mem.data());
        ASSERT_EQ(veksRSDecodeInit_8u(n, k, f, 0x35, reinterpret_cast<VeksRSDecoder_8u*>(base)), StatusOk);
        const RSDecoder h = loadDecoderHeader(base);
        EXPECT_EQ(h.id, kDecoderId);
        EXPECT_EQ(h.n, n);
        EXPECT_EQ(h.k, k);
        EXPECT_EQ(h.field, f.get());
        const uint8_t* p = base + kDecoderHeaderSize;
        p += (16 - reinterpret_cast<uintptr_t>(p) % 16) % 16;
        EXPECT_EQ(h.rootPowers, p);
        uint32_t point = 0x35;
        for (int i = 0; i < r; ++i) {
            EXPECT_EQ(h.rootPowers[i], point);
            point = refMul(point, f.get()->alpha, 0x11B, 8);
        }
        for (int i = r; i < r16(r); ++i) EXPECT_EQ(h.rootPowers[i], 0);
        for (size_t i = 0; i < used; ++i) ASSERT_EQ(mem[i], kCanary);
        for (size_t i = used + size_t(size); i < mem.size(); ++i) ASSERT_EQ(mem[i], kCanary);
    }
}

TEST(RSDecoderContext, SmallFieldsCarryNoTowerRecord) {
    for (auto [m, mask] : {std::pair{3, 0xBu}, {5, 0x25u}, {7, 0x83u}}) {
        RSCode code(m, mask, 2, 1);
        const RSDecoder h = loadDecoderHeader(code.decoder());
        EXPECT_FALSE(decoderHasTowerRecord(&h));
        EXPECT_EQ(h.tower.fromTower, nullptr);
        EXPECT_EQ(h.tower.syndromeBlocks, nullptr);
        EXPECT_EQ(h.tower.chienBlocks, nullptr);
        EXPECT_EQ(h.tower.pow, nullptr);
        EXPECT_EQ(h.tower.log, nullptr);
    }
}

}  // namespace
}  // namespace vekdi::test
