// SPDX-License-Identifier: Apache-2.0
#include "codec.h"

#include <algorithm>
#include <stdexcept>

namespace vekdi::tool {

StripeCode::StripeCode(int k, int p)
    : k_(k), p_(p), code_(k + p, k), generator_(static_cast<size_t>(p) * k) {
    // The parity of each unit message gives one column of the generator map.
    std::vector<uint8_t> message(static_cast<size_t>(k), 0), parity(static_cast<size_t>(p));
    for (int j = 0; j < k; ++j) {
        message[static_cast<size_t>(j)] = 1;
        code_.parity(message, parity);
        message[static_cast<size_t>(j)] = 0;
        for (int r = 0; r < p; ++r) generator_[static_cast<size_t>(r) * k + j] = parity[static_cast<size_t>(r)];
    }
    encoder_ = LinearMap(p, k, generator_);
}

StripeCode::~StripeCode() = default;

void StripeCode::encode(const uint8_t* const* data, uint8_t* const* parity, size_t len) const {
    encoder_.apply(data, parity, len);
}

bool StripeCode::erasureMap(std::span<const int> lost, std::span<const int> use, LinearMap& map) const {
    const Gf256& gf = Gf256::instance();
    const int e = static_cast<int>(lost.size());
    if (static_cast<int>(use.size()) != e) return false;
    // a = generator rows `use`, columns `lost`; invert it (Gauss-Jordan).
    std::vector<uint8_t> a(static_cast<size_t>(e) * e), inv(static_cast<size_t>(e) * e, 0);
    for (int i = 0; i < e; ++i) {
        for (int l = 0; l < e; ++l) a[i * e + l] = generator(use[i], lost[l]);
        inv[i * e + i] = 1;
    }
    for (int col = 0; col < e; ++col) {
        int pivot = col;
        while (pivot < e && a[pivot * e + col] == 0) ++pivot;
        if (pivot == e) return false;
        for (int x = 0; x < e; ++x) {
            std::swap(a[col * e + x], a[pivot * e + x]);
            std::swap(inv[col * e + x], inv[pivot * e + x]);
        }
        const uint8_t s = gf.inv(a[col * e + col]);
        for (int x = 0; x < e; ++x) {
            a[col * e + x] = gf.mul(a[col * e + x], s);
            inv[col * e + x] = gf.mul(inv[col * e + x], s);
        }
        for (int row = 0; row < e; ++row) {
            const uint8_t f = a[row * e + col];
            if (row == col || f == 0) continue;
            for (int x = 0; x < e; ++x) {
                a[row * e + x] ^= gf.mul(f, a[col * e + x]);
                inv[row * e + x] ^= gf.mul(f, inv[col * e + x]);
            }
        }
    }
    // lost = inv * (parity[use] + generator[use][known] * known data)
    const int inputs = k_ + e;
    std::vector<uint8_t> coef(static_cast<size_t>(e) * inputs, 0);
    std::vector<bool> isLost(static_cast<size_t>(k_), false);
    for (int l : lost) isLost[static_cast<size_t>(l)] = true;
    for (int l = 0; l < e; ++l) {
        for (int j = 0; j < k_; ++j) {
            if (isLost[static_cast<size_t>(j)]) continue;
            uint8_t c = 0;
            for (int i = 0; i < e; ++i) c ^= gf.mul(inv[l * e + i], generator(use[i], j));
            coef[static_cast<size_t>(l) * inputs + j] = c;
        }
        for (int i = 0; i < e; ++i) coef[static_cast<size_t>(l) * inputs + k_ + i] = inv[l * e + i];
    }
    map = LinearMap(e, inputs, coef);
    return true;
}

bool StripeCode::decodeWord(uint8_t* word, std::span<const int> erasures, std::vector<int>& changed) const {
    // The shortened code never reports a solution that changes its padding.
    const DecodeResult r = code_.decode(std::span<uint8_t>(word, static_cast<size_t>(k_ + p_)), erasures);
    if (!r) return false;
    changed = r.errorPositions;
    changed.insert(changed.end(), r.erasurePositions.begin(), r.erasurePositions.end());
    return true;
}

} // namespace vekdi::tool
