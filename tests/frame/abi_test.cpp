// SPDX-License-Identifier: Apache-2.0
// Element arguments travel in 32-bit slots and only their low 8 bits count:
// call the shared library's exports through function-pointer types that pass
// full 32-bit values with garbage above bit 7.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/reference_gf.h"
#include "vekdi.h"

extern "C" int vekdiFormerNamesAgree(void);

namespace {

TEST(Abi, FormerRecordNamesStillCompile) { EXPECT_EQ(vekdiFormerNamesAgree(), 1); }

// Reinterprets an export as the 32-bit-slot signature a caller may use.
template <typename To, typename From>
To asSlotSignature(From fn) {
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(fn));
}

// GF(256)/0x11D with alpha = 2, laid out by hand from the reference arithmetic.
std::vector<uint32_t> handBuiltField() {
    std::vector<uint32_t> words(540 / 4);
    auto* bytes = reinterpret_cast<uint8_t*>(words.data());
    const uint32_t header[7] = {0x434D416E, 8, 256, 0x11D, 2, 28, 28 + 256};
    std::memcpy(bytes, header, sizeof header);
    uint8_t* exp = bytes + 28;
    uint8_t* log = exp + 256;
    for (uint32_t i = 0; i < 256; ++i) exp[i] = uint8_t(vekdi::test::refPow(2, i, 0x11D, 8));
    for (uint32_t i = 0; i < 255; ++i) log[exp[i]] = uint8_t(i);
    log[0] = 255;
    return words;
}

TEST(Abi, ElementArgumentsReadOnlyTheirLowByte) {
    const auto words = handBuiltField();
    const auto* f = reinterpret_cast<const VeksGFContext_8u*>(words.data());
    using Binary32 = VekStatus (*)(uint32_t, uint32_t, uint8_t*, const VeksGFContext_8u*);
    using Unary32 = VekStatus (*)(uint32_t, uint8_t*, const VeksGFContext_8u*);
    using Pow32 = VekStatus (*)(uint32_t, int, uint8_t*, const VeksGFContext_8u*);
    const auto mul = asSlotSignature<Binary32>(&veksGFMul_8u);
    const auto div = asSlotSignature<Binary32>(&veksGFDiv_8u);
    const auto add = asSlotSignature<Binary32>(&veksGFAdd_8u);
    const auto inv = asSlotSignature<Unary32>(&veksGFInv_8u);
    const auto expAlpha = asSlotSignature<Unary32>(&veksGFExpAlpha_8u);
    const auto logAlpha = asSlotSignature<Unary32>(&veksGFLogAlpha_8u);
    const auto pow = asSlotSignature<Pow32>(&veksGFPow_8u);
    const uint32_t garbage[] = {0x00000000, 0x12345600, 0xFFFFFF00, 0x80000000, 0x00000100};
    for (uint32_t g : garbage) {
        for (uint32_t a = 0; a < 256; a += 7) {
            uint8_t r = 0;
            ASSERT_EQ(mul(g | a, g | 0x80, &r, f), StatusOk);
            ASSERT_EQ(r, vekdi::test::refMul(a, 0x80, 0x11D, 8));
            ASSERT_EQ(add(g | a, g | 0x0F, &r, f), StatusOk);
            ASSERT_EQ(r, a ^ 0x0F);
            ASSERT_EQ(div(g | a, g | 3, &r, f), StatusOk);
            ASSERT_EQ(vekdi::test::refMul(r, 3, 0x11D, 8), a);
            ASSERT_EQ(expAlpha(g | a, &r, f), StatusOk);
            ASSERT_EQ(r, vekdi::test::refPow(2, a, 0x11D, 8));
            ASSERT_EQ(pow(g | a, 3, &r, f), StatusOk);
            ASSERT_EQ(r, vekdi::test::refPow(a, 3, 0x11D, 8));
            if (a != 0) {
                ASSERT_EQ(inv(g | a, &r, f), StatusOk);
                ASSERT_EQ(vekdi::test::refMul(r, a, 0x11D, 8), 1u);
                ASSERT_EQ(logAlpha(g | a, &r, f), StatusOk);
                ASSERT_EQ(vekdi::test::refPow(2, r, 0x11D, 8), a);
            }
        }
    }
}

// Polynomial evaluation takes its point in a 32-bit slot too.
TEST(Abi, PolynomialValueReadsOnlyTheLowByteOfX) {
    const auto words = handBuiltField();
    const auto* f = reinterpret_cast<const VeksGFContext_8u*>(words.data());
    int size = 0;
    ASSERT_EQ(veksPolyGFGetSize_8u(4, &size), StatusOk);
    std::vector<uint64_t> record((size_t(size) + 7) / 8);
    auto* p = reinterpret_cast<VeksPolyGF_8u*>(record.data());
    ASSERT_EQ(veksPolyGFInit_8u(f, 4, p), StatusOk);
    const uint8_t coeffs[] = {7, 0, 0x53, 1, 0xC2};
    ASSERT_EQ(veksPolyGFSetCoeffs_8u(coeffs, 4, p), StatusOk);
    using Value32 = VekStatus (*)(const VeksPolyGF_8u*, uint32_t, uint8_t*);
    const auto value = asSlotSignature<Value32>(&veksPolyGFValue_8u);
    const uint32_t garbage[] = {0x00000000, 0x12345600, 0xFFFFFF00, 0x80000000, 0x00000100};
    for (uint32_t g : garbage) {
        for (uint32_t x = 0; x < 256; x += 5) {
            uint8_t expected = 0;
            for (int i = 4; i >= 0; --i) expected = uint8_t(vekdi::test::refMul(expected, x, 0x11D, 8) ^ coeffs[i]);
            uint8_t r = 0;
            ASSERT_EQ(value(p, g | x, &r), StatusOk);
            ASSERT_EQ(r, expected) << std::hex << (g | x);
        }
    }
}

TEST(Abi, RootArgumentsReadOnlyTheirLowByte) {
    const auto words = handBuiltField();
    const auto* f = reinterpret_cast<const VeksGFContext_8u*>(words.data());
    using EncInit32 = VekStatus (*)(int, int, const VeksGFContext_8u*, uint32_t, VeksRSEncoder_8u*);
    using DecInit32 = VekStatus (*)(int, int, const VeksGFContext_8u*, uint32_t, VeksRSDecoder_8u*);
    const auto encInit = asSlotSignature<EncInit32>(&veksRSEncodeInit_8u);
    const auto decInit = asSlotSignature<DecInit32>(&veksRSDecodeInit_8u);
    const int n = 255, k = 239;
    int encSize = 0, decSize = 0, bufSize = 0;
    ASSERT_EQ(veksRSEncodeGetSize_8u(n, k, &encSize), StatusOk);
    ASSERT_EQ(veksRSDecodeGetSize_8u(n, k, &decSize), StatusOk);
    std::vector<uint64_t> plainEnc(size_t(encSize) / 8 + 1), enc(size_t(encSize) / 8 + 1), dec(size_t(decSize) / 8 + 1);
    auto* plain = reinterpret_cast<VeksRSEncoder_8u*>(plainEnc.data());
    ASSERT_EQ(veksRSEncodeInit_8u(n, k, f, 0x1D, plain), StatusOk);
    std::vector<uint8_t> message(k), expected(n), word(n), buffer(1024);
    for (int i = 0; i < k; ++i) message[size_t(i)] = uint8_t(i * 37 + 11);
    ASSERT_EQ(veksRSEncode_8u(message.data(), expected.data(), plain, buffer.data()), StatusOk);
    const uint32_t garbage[] = {0x12345600, 0xFFFFFF00, 0x80000000, 0x00000100};
    for (uint32_t g : garbage) {
        auto* e = reinterpret_cast<VeksRSEncoder_8u*>(enc.data());
        auto* d = reinterpret_cast<VeksRSDecoder_8u*>(dec.data());
        EXPECT_EQ(encInit(n, k, f, g, e), StatusBadArgument);  // low byte 0
        EXPECT_EQ(decInit(n, k, f, g, d), StatusBadArgument);
        ASSERT_EQ(encInit(n, k, f, g | 0x1D, e), StatusOk);
        ASSERT_EQ(decInit(n, k, f, g | 0x1D, d), StatusOk);
        ASSERT_EQ(veksRSEncode_8u(message.data(), word.data(), e, buffer.data()), StatusOk);
        EXPECT_EQ(word, expected);
        word[3] ^= 0x40;
        word[200] ^= 0x01;
        ASSERT_EQ(veksRSDecodeBMGetBufferSize_8u(d, &bufSize), StatusOk);
        ASSERT_LE(bufSize, 1024);
        EXPECT_EQ(veksRSDecodeBM_8u(nullptr, 0, word.data(), d, buffer.data()), StatusOk);
        EXPECT_EQ(word, expected);
    }
}

}  // namespace
