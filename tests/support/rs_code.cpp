// SPDX-License-Identifier: Apache-2.0
#include "tests/support/rs_code.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "tests/support/reference_gf.h"

namespace vekdi::test {

RSCode::RSCode(int m, uint32_t mask, int k, uint8_t root, int decoderOffset)
    : field_(m, mask), n_((1 << m) - 1), k_(k), root_(root) {
    // g(x) = prod (x + root alpha^j), j < r, with bit-serial arithmetic.
    generator_.assign(1, 1);
    uint32_t point = root;
    for (int j = 0; j < r(); ++j) {
        std::vector<uint8_t> next(generator_.size() + 1, 0);
        for (size_t i = 0; i < generator_.size(); ++i) {
            next[i + 1] ^= generator_[i];
            next[i] ^= uint8_t(refMul(generator_[i], point, mask, m));
        }
        generator_ = next;
        point = refMul(point, field_.get()->alpha, mask, m);
    }
    int size = 0;
    EXPECT_EQ(veksRSEncodeGetSize_8u(n_, k_, &size), StatusOk);
    enc_.resize(size_t(size + 7) / 8);
    EXPECT_EQ(veksRSEncodeInit_8u(n_, k_, field_, root_, reinterpret_cast<VeksRSEncoder_8u*>(enc_.data())),
              StatusOk);
    EXPECT_EQ(veksRSDecodeGetSize_8u(n_, k_, &size), StatusOk);
    decStore_.resize(size_t(size + 32));
    const auto base = reinterpret_cast<uintptr_t>(decStore_.data());
    const size_t start = size_t(((base + 15) & ~uintptr_t(15)) - base) + size_t(decoderOffset);
    decoder_ = reinterpret_cast<VeksRSDecoder_8u*>(decStore_.data() + start);
    EXPECT_EQ(veksRSDecodeInit_8u(n_, k_, field_, root_, decoder_), StatusOk);
}

std::vector<uint8_t> RSCode::randomMessage(std::mt19937& gen) const {
    std::vector<uint8_t> msg(static_cast<size_t>(k_));
    for (auto& b : msg) b = uint8_t(gen() % unsigned(order()));
    return msg;
}

std::vector<uint8_t> RSCode::encode(const std::vector<uint8_t>& message) const {
    int size = 0;
    EXPECT_EQ(veksRSEncodeGetBufferSize_8u(encoder(), &size), StatusOk);
    std::vector<uint8_t> buffer(static_cast<size_t>(size)), word(static_cast<size_t>(n_));
    EXPECT_EQ(veksRSEncode_8u(message.data(), word.data(), encoder(), buffer.data()), StatusOk);
    return word;
}

bool RSCode::isCodeword(const std::vector<uint8_t>& word) const {
    const uint32_t mask = field_.mask();
    const int m = field_.m();
    uint32_t point = root_;
    for (int j = 0; j < r(); ++j) {
        uint32_t acc = 0;
        for (uint8_t b : word) acc = refMul(acc, point, mask, m) ^ b;
        if (acc != 0) return false;
        point = refMul(point, field_.get()->alpha, mask, m);
    }
    return true;
}

std::vector<uint8_t> RSCode::referenceEncode(const std::vector<uint8_t>& message) const {
    // Remainder of m(x) x^r by g(x), highest power first.
    std::vector<uint8_t> word(message);
    word.resize(size_t(n_));
    std::vector<uint8_t> rem(word);
    for (int i = 0; i < k_; ++i) {
        const uint8_t lead = rem[size_t(i)];
        if (lead == 0) continue;
        for (int j = 0; j <= r(); ++j)
            rem[size_t(i + j)] ^= uint8_t(refMul(lead, generator_[size_t(r() - j)], field_.mask(), field_.m()));
    }
    for (int i = k_; i < n_; ++i) word[size_t(i)] = rem[size_t(i)];
    return word;
}

namespace {

using DecodeFn = VekStatus (*)(const int*, int, uint8_t*, const VeksRSDecoder_8u*, uint8_t*);
using SizeFn = VekStatus (*)(const VeksRSDecoder_8u*, int*);

VekStatus decodeGuarded(DecodeFn decode, SizeFn sizeFn, const VeksRSDecoder_8u* dec, std::vector<uint8_t>& word,
                        const std::vector<int>& erasures) {
    int size = 0;
    EXPECT_EQ(sizeFn(dec, &size), StatusOk);
    GuardedBytes buffer{size_t(size)};
    const int* list = erasures.empty() ? nullptr : erasures.data();
    const VekStatus st = decode(list, int(erasures.size()), word.data(), dec, buffer.data());
    EXPECT_TRUE(buffer.guardsIntact()) << "scratch overrun";
    return st;
}

}  // namespace

VekStatus RSCode::decodeBM(std::vector<uint8_t>& word, const std::vector<int>& erasures) const {
    return decodeGuarded(veksRSDecodeBM_8u, veksRSDecodeBMGetBufferSize_8u, decoder(), word, erasures);
}

VekStatus RSCode::decodeEE(std::vector<uint8_t>& word, const std::vector<int>& erasures) const {
    return decodeGuarded(veksRSDecodeEE_8u, veksRSDecodeEEGetBufferSize_8u, decoder(), word, erasures);
}

Errata corrupt(std::vector<uint8_t>& word, int order, int nu, int s, std::mt19937& gen) {
    std::vector<int> pos(word.size());
    std::iota(pos.begin(), pos.end(), 0);
    std::shuffle(pos.begin(), pos.end(), gen);
    Errata e;
    e.errorPositions.assign(pos.begin(), pos.begin() + nu);
    e.erasures.assign(pos.begin() + nu, pos.begin() + nu + s);
    for (int p : e.errorPositions) word[size_t(p)] ^= uint8_t(1 + gen() % unsigned(order - 1));
    for (int p : e.erasures)
        if (gen() % 2 != 0) word[size_t(p)] = uint8_t(gen() % unsigned(order));  // garbage, sometimes unchanged
    return e;
}

}  // namespace vekdi::test
