// SPDX-License-Identifier: Apache-2.0
#include "tests/rs/fast_code.h"

#include <cstring>

#include "frame/impl.h"
#include "tests/support/reference_gf.h"

namespace vekdi::test {

FastCode::FastCode(uint32_t key, int r, uint8_t root, int contextOffset)
    : field_(8, key), r_(r), root_(root), store_(size_t(decoderContextSize(255, 255 - r) + 64)) {
    // g(x) = prod (x + root alpha^j), j < r, with bit-serial arithmetic.
    generator_.assign(1, 1);
    uint32_t point = root;
    for (int j = 0; j < r; ++j) {
        std::vector<uint8_t> next(generator_.size() + 1, 0);
        for (size_t i = 0; i < generator_.size(); ++i) {
            next[i + 1] ^= generator_[i];
            next[i] ^= uint8_t(refMul(generator_[i], point, key, 8));
        }
        generator_ = next;
        point = refMul(point, field_.get()->alpha, key, 8);
    }
    const auto base = reinterpret_cast<uintptr_t>(store_.data());
    const size_t start = size_t(((base + 15) & ~uintptr_t(15)) - base) + size_t(contextOffset);
    ctx_ = reinterpret_cast<VeksRSDecodeSpec_8u*>(store_.data() + start);
    if (impl::veksRSDecodeInit_8u(255, 255 - r, field_.get(), root, ctx_) != StatusOk) ctx_ = nullptr;
}

RSDecoder FastCode::header() const { return loadDecoderHeader(ctx_); }

std::vector<uint8_t> FastCode::randomCodeword(std::mt19937& gen) const {
    std::vector<uint8_t> message(size_t(255 - r_));
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& b : message) b = uint8_t(byte(gen));
    return encode(message);
}

std::vector<uint8_t> FastCode::encode(const std::vector<uint8_t>& message) const {
    const int k = 255 - r_;
    std::vector<uint8_t> word(message);
    word.resize(255);
    // Remainder of m(x) x^r by g(x), highest power first.
    std::vector<uint8_t> rem(word.begin(), word.end());
    for (int i = 0; i < k; ++i) {
        const uint8_t lead = rem[size_t(i)];
        if (lead == 0) continue;
        for (int j = 0; j <= r_; ++j)
            rem[size_t(i + j)] ^= gfMulTable(field_.get(), lead, generator_[size_t(r_ - j)]);
    }
    for (int i = k; i < 255; ++i) word[size_t(i)] = rem[size_t(i)];
    return word;
}

bool FastCode::isCodeword(const std::vector<uint8_t>& word) const {
    uint32_t point = root_;
    for (int j = 0; j < r_; ++j) {
        uint32_t acc = 0;
        for (int i = 0; i < 255; ++i) acc = gfMulTable(field_.get(), acc, point) ^ word[size_t(i)];
        if (acc != 0) return false;
        point = refMul(point, field_.get()->alpha, field_.mask(), 8);
    }
    return true;
}

}  // namespace vekdi::test
