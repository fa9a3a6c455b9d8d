// SPDX-License-Identifier: Apache-2.0
// Argument checks of both decode exports, in order, and that a failing call
// writes nothing.
#include <gtest/gtest.h>

#include "tests/support/rs_code.h"

namespace vekdi::test {
namespace {

using DecodeFn = VekStatus (*)(const int*, int, uint8_t*, const VeksRSDecoder_8u*, uint8_t*);

struct Decoder {
    const char* name;
    DecodeFn decode;
    VekStatus (*size)(const VeksRSDecoder_8u*, int*);
};

const Decoder kDecoders[] = {{"BM", veksRSDecodeBM_8u, veksRSDecodeBMGetBufferSize_8u},
                             {"EE", veksRSDecodeEE_8u, veksRSDecodeEEGetBufferSize_8u}};

class RSDecodeArgs : public ::testing::TestWithParam<Decoder> {};

TEST_P(RSDecodeArgs, ChecksInOrderAndFailuresWriteNothing) {
    const Decoder& d = GetParam();
    RSCode code(4, 0x13, 9, 2);  // n = 15, r = 6
    const auto* dec = code.decoder();
    int size = 0;
    ASSERT_EQ(d.size(dec, &size), StatusOk);
    auto original = code.encode(code.randomMessage(rng()));
    auto word = original;
    word[3] ^= 5;  // one error, so a passing call would change the word
    const auto received = word;
    GuardedBytes buffer(static_cast<size_t>(size));
    const int good[] = {1, 2};
    auto expectRefused = [&](VekStatus expected, const int* list, int count, uint8_t* w, const VeksRSDecoder_8u* c,
                             uint8_t* b, const char* what) {
        EXPECT_EQ(d.decode(list, count, w, c, b), expected) << d.name << ": " << what;
        EXPECT_EQ(word, received) << d.name << ": " << what;
        EXPECT_TRUE(buffer.intact()) << d.name << ": " << what;
    };
    const auto* notDecoder = reinterpret_cast<const VeksRSDecoder_8u*>(code.encoder());
    expectRefused(StatusNullPointer, good, 2, nullptr, dec, buffer.data(), "null codeword");
    expectRefused(StatusNullPointer, good, 2, word.data(), nullptr, buffer.data(), "null context");
    expectRefused(StatusNullPointer, good, 2, word.data(), dec, nullptr, "null buffer");
    expectRefused(StatusNullPointer, good, -1, word.data(), notDecoder, nullptr, "pointers before identifier");
    expectRefused(StatusContextMismatch, good, -1, word.data(), notDecoder, buffer.data(), "identifier");

    const int tooMany[7] = {0, 1, 2, 3, 4, 5, 6};
    const int atN[] = {2, 15};
    const int negative[] = {2, -3};
    expectRefused(StatusBadArgument, good, -1, word.data(), dec, buffer.data(), "count -1");
    expectRefused(StatusBadArgument, tooMany, 7, word.data(), dec, buffer.data(), "count r + 1");
    expectRefused(StatusBadArgument, atN, 2, word.data(), dec, buffer.data(), "position n");
    expectRefused(StatusBadArgument, negative, 2, word.data(), dec, buffer.data(), "negative position");

    // A buffer overlapping the codeword is refused before anything is written.
    std::vector<uint8_t> shared(static_cast<size_t>(size + 15));
    std::copy(received.begin(), received.end(), shared.begin() + size - 1);
    const std::vector<uint8_t> sharedBefore = shared;
    EXPECT_EQ(d.decode(nullptr, 0, shared.data() + size - 1, dec, shared.data()), StatusBadArgument) << d.name;
    EXPECT_EQ(d.decode(nullptr, 0, shared.data(), dec, shared.data() + 14), StatusBadArgument) << d.name;
    EXPECT_EQ(shared, sharedBefore) << d.name;

    // Received bytes must be elements of GF(16), wherever they stand; checked
    // after the list.
    for (int at : {0, 7, 8, 14}) {
        word[size_t(at)] = at == 8 ? 0x80 : 16;
        EXPECT_EQ(d.decode(atN, 2, word.data(), dec, buffer.data()), StatusBadArgument) << d.name;
        EXPECT_EQ(d.decode(good, 2, word.data(), dec, buffer.data()), StatusOutOfRange) << d.name << " at " << at;
        EXPECT_EQ(word[3], received[3]);
        EXPECT_TRUE(buffer.intact());
        word = received;
    }

    // A null list is accepted with any count; a non-null list with count 0 is not read.
    for (int count : {5, -1, 1000, 0}) {
        auto w = received;
        EXPECT_EQ(d.decode(nullptr, count, w.data(), dec, buffer.data()), StatusOk) << d.name << count;
        EXPECT_EQ(w, original);
    }
    auto w = received;
    EXPECT_EQ(d.decode(negative, 0, w.data(), dec, buffer.data()), StatusOk) << d.name;
    EXPECT_EQ(w, original);
}

INSTANTIATE_TEST_SUITE_P(BothDecoders, RSDecodeArgs, ::testing::ValuesIn(kDecoders),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vekdi::test
