// SPDX-License-Identifier: Apache-2.0
// A complete code for tests: field, encoder and decoder contexts built through
// the exports (the decoder context at a chosen offset past a 16-byte
// boundary), an independent reference encoder and codeword check from first
// principles, and random errata.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "rs/decode/decoder.h"
#include "tests/support/fields.h"
#include "vekdi.h"

namespace vekdi::test {

class RSCode {
public:
    // GF(2^m) with the given generator (alpha = smallest generating element),
    // k message bytes, generator roots root * alpha^j; the decoder context
    // starts `decoderOffset` bytes past a 16-byte boundary.
    RSCode(int m, uint32_t mask, int k, uint8_t root, int decoderOffset = 0);
    RSCode(const RSCode&) = delete;  // the contexts point at this object's field
    RSCode& operator=(const RSCode&) = delete;

    int n() const { return n_; }
    int k() const { return k_; }
    int r() const { return n_ - k_; }
    int order() const { return n_ + 1; }
    uint8_t root() const { return root_; }
    const FieldGF* field() const { return field_; }
    const VeksRSEncoder_8u* encoder() const { return reinterpret_cast<const VeksRSEncoder_8u*>(enc_.data()); }
    const VeksRSDecoder_8u* decoder() const { return decoder_; }
    // Aligned copy of the decoder context's header, as the decode exports pass it on.
    RSDecoder header() const { return loadDecoderHeader(decoder_); }

    std::vector<uint8_t> randomMessage(std::mt19937& gen) const;
    // The systematic codeword of k message bytes (message first) through the
    // encode export, and by long division with reference arithmetic.
    std::vector<uint8_t> encode(const std::vector<uint8_t>& message) const;
    std::vector<uint8_t> referenceEncode(const std::vector<uint8_t>& message) const;
    // A random codeword from the reference encoder.
    std::vector<uint8_t> randomCodeword(std::mt19937& gen) const { return referenceEncode(randomMessage(gen)); }
    // Word evaluated at every generator root with reference arithmetic.
    bool isCodeword(const std::vector<uint8_t>& word) const;

    // Decodes with a scratch buffer of exactly the reported size followed by
    // canary bytes; fails the current test if the canaries are touched.
    VekStatus decodeBM(std::vector<uint8_t>& word, const std::vector<int>& erasures) const;
    VekStatus decodeEE(std::vector<uint8_t>& word, const std::vector<int>& erasures) const;

private:
    TestField field_;
    int n_, k_;
    uint8_t root_;
    std::vector<uint8_t> generator_;  // g_0 ... g_r, monic, from reference arithmetic
    std::vector<uint64_t> enc_;
    std::vector<uint8_t> decStore_;
    VeksRSDecoder_8u* decoder_ = nullptr;
};

// Errata for a test: `errors` byte positions changed by nonzero values and
// `erasures` further positions listed (their bytes garbage or kept).
struct Errata {
    std::vector<int> errorPositions;
    std::vector<int> erasures;
};

// Distinct random positions for nu errors and s erasures; applies them to word.
Errata corrupt(std::vector<uint8_t>& word, int order, int nu, int s, std::mt19937& gen);

}  // namespace vekdi::test
