// SPDX-License-Identifier: Apache-2.0
// A GF(256) Reed-Solomon code for the table-driven decoder tests: field from
// the table builder, decoder context through the initialiser at a chosen
// address offset, and an independent systematic encoder.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "rs/decoder.h"
#include "tests/support/fields.h"

namespace vekdi::test {

class FastCode {
public:
    FastCode(uint32_t key, int r, uint8_t root, int contextOffset = 0);
    FastCode(const FastCode&) = delete;
    FastCode& operator=(const FastCode&) = delete;

    int n() const { return 255; }
    int r() const { return r_; }
    const FieldGF* field() const { return field_; }
    const VeksRSDecodeSpec_8u* context() const { return ctx_; }
    // Aligned copy of the context's header, as the decode exports pass it on.
    RSDecoder header() const;

    std::vector<uint8_t> randomCodeword(std::mt19937& gen) const;
    // The systematic codeword of k message bytes (message first).
    std::vector<uint8_t> encode(const std::vector<uint8_t>& message) const;
    bool isCodeword(const std::vector<uint8_t>& word) const;

private:
    TestField field_;
    int r_;
    uint8_t root_;
    std::vector<uint8_t> generator_;  // g_0 ... g_r, monic
    std::vector<uint8_t> store_;
    VeksRSDecodeSpec_8u* ctx_;
};

// Scratch of exactly `size` bytes at `offset` past a 64-byte boundary,
// followed by canaries.
class Scratch {
public:
    Scratch(int size, int offset) : bytes_(size_t(size + offset + 64 + 64), 0xA5), size_(size) {
        const auto base = reinterpret_cast<uintptr_t>(bytes_.data());
        start_ = size_t(((base + 63) & ~uintptr_t(63)) - base) + size_t(offset);
    }
    uint8_t* data() { return bytes_.data() + start_; }
    bool canariesIntact() const {
        for (size_t i = start_ + size_t(size_); i < bytes_.size(); ++i)
            if (bytes_[i] != 0xA5) return false;
        for (size_t i = 0; i < start_; ++i)
            if (bytes_[i] != 0xA5) return false;
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
    int size_;
    size_t start_;
};

}  // namespace vekdi::test
