// SPDX-License-Identifier: Apache-2.0
#include "tests/support/code_reference.h"

#include <algorithm>
#include <bit>
#include <numeric>

#include "tests/support/reference_gf.h"

namespace vekdi::test {

ReferenceCode::ReferenceCode(uint32_t mask_, int n_, int k_, int fcr, int step)
    : mask(mask_), m(std::bit_width(mask_) - 1), n(n_), k(k_) {
    const uint32_t period = (1u << m) - 1;
    const uint32_t beta = refPow(smallestGenerator(mask, m), uint64_t(step), mask, m);
    const auto first = uint64_t(((fcr % int(period)) + int(period)) % int(period));
    for (int i = 0; i < n - k; ++i) roots.push_back(refPow(beta, first + uint64_t(i), mask, m));
}

bool ReferenceCode::isCodeword(const std::vector<uint8_t>& word) const {
    for (uint32_t x : roots) {
        uint32_t value = 0;
        for (uint8_t c : word) value = refMul(value, x, mask, m) ^ c;  // Horner, highest degree first
        if (value != 0) return false;
    }
    return true;
}

std::vector<uint32_t> ReferenceCode::generator() const {
    std::vector<uint32_t> g{1};
    for (uint32_t x : roots) {  // g *= (x + root)
        std::vector<uint32_t> next(g.size() + 1, 0);
        for (size_t i = 0; i < g.size(); ++i) {
            next[i + 1] ^= g[i];
            next[i] ^= refMul(g[i], x, mask, m);
        }
        g = next;
    }
    return g;
}

Damage damage(std::vector<uint8_t>& word, int order, int errors, int erasures, std::mt19937& gen) {
    std::vector<int> pos(word.size());
    std::iota(pos.begin(), pos.end(), 0);
    std::shuffle(pos.begin(), pos.end(), gen);
    Damage d;
    d.errors.assign(pos.begin(), pos.begin() + errors);
    d.erasures.assign(pos.begin() + errors, pos.begin() + errors + erasures);
    std::sort(d.errors.begin(), d.errors.end());
    std::sort(d.erasures.begin(), d.erasures.end());
    for (int p : d.errors) word[size_t(p)] ^= uint8_t(1 + gen() % unsigned(order - 1));
    for (int p : d.erasures)
        if (gen() % 2 != 0) word[size_t(p)] = uint8_t(gen() % unsigned(order));
    return d;
}

std::vector<uint8_t> randomSymbols(int count, int order, std::mt19937& gen) {
    std::vector<uint8_t> v(static_cast<size_t>(count));
    for (auto& b : v) b = uint8_t(gen() % unsigned(order));
    return v;
}

}  // namespace vekdi::test
