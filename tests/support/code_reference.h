// SPDX-License-Identifier: Apache-2.0
// A Reed-Solomon code described from first principles (bit-serial field
// arithmetic, roots listed one by one), for checking codes built elsewhere,
// and random damage for codewords.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace vekdi::test {

struct ReferenceCode {
    uint32_t mask;  // generator polynomial of the field, x^m term included
    int m;
    int n, k;
    std::vector<uint32_t> roots;  // the n - k roots of the generator polynomial

    // Roots (g^step)^(fcr + i) with g the smallest generating element of the field.
    ReferenceCode(uint32_t mask, int n, int k, int fcr, int step);

    // The word's polynomial (byte i = coefficient of x^(n-1-i)) vanishes at every root.
    bool isCodeword(const std::vector<uint8_t>& word) const;
    // Generator polynomial, lowest degree first (degree n - k, monic).
    std::vector<uint32_t> generator() const;
};

// Damage applied to a word: `errors` distinct positions changed by nonzero
// values, `erasures` further distinct positions listed, their bytes garbage
// or left as they were.
struct Damage {
    std::vector<int> errors;    // ascending
    std::vector<int> erasures;  // ascending
};
Damage damage(std::vector<uint8_t>& word, int order, int errors, int erasures, std::mt19937& gen);

std::vector<uint8_t> randomSymbols(int count, int order, std::mt19937& gen);

}  // namespace vekdi::test
