// SPDX-License-Identifier: Apache-2.0
// A complete code for tests: field, encoder and decoder contexts built through
// the exports, codeword checks from first principles, and random errata.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "tests/support/fields.h"
#include "vekdi.h"

namespace vekdi::test {

class RSCode {
public:
    // GF(2^m) with the given generator (alpha = smallest generating element),
    // k message bytes, generator roots root * alpha^j.
    RSCode(int m, uint32_t mask, int k, uint8_t root);
    RSCode(const RSCode&) = delete;  // the contexts point at this object's field
    RSCode& operator=(const RSCode&) = delete;

    int n() const { return n_; }
    int k() const { return k_; }
    int r() const { return n_ - k_; }
    int order() const { return n_ + 1; }
    uint8_t root() const { return root_; }
    const FieldGF* field() const { return field_; }
    const VeksRSEncodeSpec_8u* encoder() const { return reinterpret_cast<const VeksRSEncodeSpec_8u*>(enc_.data()); }
    const VeksRSDecodeSpec_8u* decoder() const { return reinterpret_cast<const VeksRSDecodeSpec_8u*>(dec_.data()); }

    std::vector<uint8_t> randomMessage(std::mt19937& gen) const;
    std::vector<uint8_t> encode(const std::vector<uint8_t>& message) const;
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
    std::vector<uint64_t> enc_, dec_;
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
