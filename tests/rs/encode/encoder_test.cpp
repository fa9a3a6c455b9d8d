// SPDX-License-Identifier: Apache-2.0
// Encoder: examples, codeword property across fields/roots/lengths, aliasing,
// argument checks.
#include <gtest/gtest.h>

#include <cstring>

#include "rs/encode/encoder.h"
#include "tests/support/rs_code.h"
#include "tests/support/reference_gf.h"

namespace vekdi::test {
namespace {

TEST(RSEncoder, SingleParityIsRootTimesMessageAtRoot) {
    // r = 1: g = x + root and the parity byte is root * m(root).
    std::mt19937& gen = rng();
    for (uint8_t root : {uint8_t(1), uint8_t(2), uint8_t(0x53)}) {
        RSCode code(8, 0x11D, 254, root);
        const auto msg = code.randomMessage(gen);
        const auto word = code.encode(msg);
        uint32_t acc = 0;
        for (uint8_t b : msg) acc = refMul(acc, root, 0x11D, 8) ^ b;
        EXPECT_EQ(word[254], refMul(acc, root, 0x11D, 8));
        EXPECT_TRUE(std::equal(msg.begin(), msg.end(), word.begin()));
    }
}

TEST(RSEncoder, ZeroAndLeadingZeroMessages) {
    RSCode code(8, 0x11D, 223, 2);
    const std::vector<uint8_t> zero(223, 0);
    EXPECT_EQ(code.encode(zero), std::vector<uint8_t>(255, 0));
    // Leading zero bytes give the parity of the shorter message.
    std::vector<uint8_t> msg(223, 0);
    msg[220] = 0x17, msg[221] = 0x80, msg[222] = 0x01;
    const auto word = code.encode(msg);
    EXPECT_TRUE(code.isCodeword(word));
    // Parity by direct long division of x^r * m(x) by g(x) with reference arithmetic.
    uint32_t parityRef[32] = {};
    std::vector<uint32_t> rem(255, 0);
    for (int i = 0; i < 223; ++i) rem[size_t(i)] = msg[size_t(i)];
    const auto* enc = code.encoder();
    const VeksPolyGF_8u* g = enc->generator;
    for (int i = 0; i < 223; ++i) {
        const uint32_t q = rem[size_t(i)];
        if (q == 0) continue;
        for (int j = 0; j <= 32; ++j) rem[size_t(i + j)] ^= refMul(q, g->coeffs[32 - j], 0x11D, 8);
    }
    for (int j = 0; j < 32; ++j) parityRef[j] = rem[size_t(223 + j)];
    for (int j = 0; j < 32; ++j) EXPECT_EQ(word[size_t(223 + j)], parityRef[j]) << j;
}

TEST(RSEncoder, CodewordsVanishAtEveryGeneratorRoot) {
    std::mt19937& gen = rng();
    for (int m = 2; m <= 8; ++m) {
        const auto masks = irreducibleMasks(m);
        for (size_t mi = 0; mi < masks.size(); mi += (masks.size() + 2) / 3) {
            const int n = (1 << m) - 1;
            for (int b : {0, 1, n / 2 + 1}) {
                TestField probe(m, masks[mi]);
                uint32_t root = 1;
                for (int i = 0; i < b; ++i) root = gfMulTable(probe, root, probe.get()->alpha);
                const int step = n > 30 ? n / 9 : 1;
                for (int k = 1; k < n; k += step) {
                    RSCode code(m, masks[mi], k, uint8_t(root));
                    const auto word = code.encode(code.randomMessage(gen));
                    ASSERT_TRUE(code.isCodeword(word)) << "m=" << m << " mask=" << masks[mi] << " b=" << b << " k=" << k;
                }
            }
        }
    }
}

TEST(RSEncoder, GeneratorIsMonicProductOfRootFactors) {
    RSCode code(4, 0x13, 9, 3);
    const VeksPolyGF_8u* g = code.encoder()->generator;
    EXPECT_EQ(g->degree, 6);
    EXPECT_EQ(g->capacity, 7);
    EXPECT_EQ(g->coeffs[6], 1);
    uint32_t point = 3;
    for (int j = 0; j < 6; ++j) {
        uint32_t acc = 0;
        for (int i = 6; i >= 0; --i) acc = refMul(acc, point, 0x13, 4) ^ g->coeffs[i];
        EXPECT_EQ(acc, 0u) << j;
        point = refMul(point, code.field()->alpha, 0x13, 4);
    }
}

TEST(RSEncoder, AliasingMessageCodewordAndBufferGivesSameCodeword) {
    RSCode code(8, 0x11B, 200, 7);
    const auto msg = code.randomMessage(rng());
    const auto expected = code.encode(msg);
    const int n = 255, k = 200, size = 2 * n - k;
    // 0: all distinct; 1: message = buffer; 2: codeword = buffer;
    // 3: message = codeword = buffer; 4: message = codeword.
    for (int variant = 0; variant < 5; ++variant) {
        std::vector<uint8_t> buffer(static_cast<size_t>(size), 0xEE), word(size_t{255}, 0xDD), source(size_t{200});
        uint8_t* out = (variant == 2 || variant == 3) ? buffer.data() : word.data();
        uint8_t* message = variant == 1 || variant == 3 ? buffer.data() : variant == 4 ? out : source.data();
        std::memcpy(message, msg.data(), size_t(k));
        ASSERT_EQ(veksRSEncode_8u(message, out, code.encoder(), buffer.data()), StatusOk) << variant;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out)) << variant;
    }
}

TEST(RSEncoder, SizesAndArgumentChecks) {
    int size = -1;
    ASSERT_EQ(veksRSEncodeGetSize_8u(255, 223, &size), StatusOk);
    if constexpr (sizeof(void*) == 4) {
        EXPECT_EQ(size, 73);
    } else {
        EXPECT_EQ(size, 32 + 65);
    }
    EXPECT_EQ(veksRSEncodeGetSize_8u(255, 223, nullptr), StatusNullPointer);
    for (auto [n, k] : {std::pair{1, 1}, {256, 10}, {255, 0}, {255, 255}, {2, 2}})
        EXPECT_EQ(veksRSEncodeGetSize_8u(n, k, &size), StatusOutOfRange) << n << "," << k;
    EXPECT_EQ(veksRSEncodeGetSize_8u(2, 1, &size), StatusOk);  // no field needed

    TestField f(4, 0x13);
    GuardedBytes ctx(200);
    auto* enc = reinterpret_cast<VeksRSEncoder_8u*>(ctx.data());
    EXPECT_EQ(veksRSEncodeInit_8u(99, 5, nullptr, 2, enc), StatusNullPointer);
    EXPECT_EQ(veksRSEncodeInit_8u(15, 5, f, 2, nullptr), StatusNullPointer);
    std::vector<uint8_t> notField(f.get()->order * 2 + 28);
    std::memcpy(notField.data(), f.get(), notField.size());
    notField[0] ^= 1;
    EXPECT_EQ(veksRSEncodeInit_8u(15, 5, reinterpret_cast<const VeksGFContext_8u*>(notField.data()), 2, enc),
              StatusContextMismatch);
    EXPECT_EQ(veksRSEncodeInit_8u(14, 5, f, 0, enc), StatusOutOfRange);  // range before root
    EXPECT_EQ(veksRSEncodeInit_8u(15, 15, f, 2, enc), StatusOutOfRange);
    EXPECT_EQ(veksRSEncodeInit_8u(15, 0, f, 2, enc), StatusOutOfRange);
    EXPECT_EQ(veksRSEncodeInit_8u(15, 5, f, 0, enc), StatusBadArgument);
    EXPECT_EQ(veksRSEncodeInit_8u(15, 5, f, 16, enc), StatusBadArgument);
    EXPECT_TRUE(ctx.intact());
    ASSERT_EQ(veksRSEncodeInit_8u(15, 5, f, 15, enc), StatusOk);

    EXPECT_EQ(veksRSEncodeGetBufferSize_8u(enc, nullptr), StatusNullPointer);
    EXPECT_EQ(veksRSEncodeGetBufferSize_8u(nullptr, &size), StatusNullPointer);
    ASSERT_EQ(veksRSEncodeGetBufferSize_8u(enc, &size), StatusOk);
    EXPECT_EQ(size, 25);
    RSCode big(8, 0x11D, 223, 2);
    ASSERT_EQ(veksRSEncodeGetBufferSize_8u(big.encoder(), &size), StatusOk);
    EXPECT_EQ(size, 287);
    EXPECT_EQ(veksRSEncodeGetBufferSize_8u(reinterpret_cast<const VeksRSEncoder_8u*>(big.decoder()), &size),
              StatusContextMismatch);
}

TEST(RSEncoder, EncodeChecksAndFailingCallsWriteNothing) {
    TestField f(4, 0x13);
    RSCode code(4, 0x13, 11, 2);
    const auto* enc = code.encoder();
    std::vector<uint8_t> msg(11, 3);
    GuardedBytes word(15), buffer(19 + 8);
    EXPECT_EQ(veksRSEncode_8u(nullptr, word.data(), enc, buffer.data()), StatusNullPointer);
    EXPECT_EQ(veksRSEncode_8u(msg.data(), nullptr, enc, buffer.data()), StatusNullPointer);
    EXPECT_EQ(veksRSEncode_8u(msg.data(), word.data(), enc, nullptr), StatusNullPointer);
    EXPECT_EQ(veksRSEncode_8u(msg.data(), word.data(), nullptr, buffer.data()), StatusNullPointer);
    EXPECT_EQ(veksRSEncode_8u(msg.data(), word.data(), reinterpret_cast<const VeksRSEncoder_8u*>(code.decoder()),
                              buffer.data()),
              StatusContextMismatch);
    // Message bytes must be elements of GF(16).
    msg[4] = 16;
    EXPECT_EQ(veksRSEncode_8u(msg.data(), word.data(), enc, buffer.data()), StatusOutOfRange);
    msg[4] = 15;
    // Partial overlaps other than the permitted coincidences are refused.
    EXPECT_EQ(veksRSEncode_8u(msg.data(), buffer.data() + 1, enc, buffer.data()), StatusBadArgument);
    EXPECT_EQ(veksRSEncode_8u(buffer.data() + 3, word.data(), enc, buffer.data()), StatusBadArgument);
    EXPECT_TRUE(word.intact());
    EXPECT_TRUE(buffer.intact());
    ASSERT_EQ(veksRSEncode_8u(msg.data(), word.data(), enc, buffer.data()), StatusOk);
    EXPECT_EQ(buffer.data()[19], kCanary);  // exactly 2n - k bytes of scratch used
}

}  // namespace
}  // namespace vekdi::test
