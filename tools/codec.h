// SPDX-License-Identifier: Apache-2.0
// The stripe code: a Reed-Solomon code over GF(256) (0x11D, roots alpha^1 ...
// alpha^P) with K data symbols and P parity symbols per codeword (K + P <= 255,
// a shortened code of length 255 whose leading symbols are zero). Symbol j of a codeword is byte x of block j
// of a stripe, so whole blocks are encoded and repaired as regions.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "gf256.h"
#include "vekdi.hpp"

namespace vekdi::tool {

class StripeCode {
public:
    StripeCode(int k, int p);
    ~StripeCode();
    StripeCode(const StripeCode&) = delete;
    StripeCode& operator=(const StripeCode&) = delete;

    int k() const { return k_; }
    int p() const { return p_; }
    // Coefficient of data symbol j in parity symbol r.
    uint8_t generator(int r, int j) const { return generator_[static_cast<size_t>(r) * k_ + j]; }

    // parity[r] = sum_j generator(r, j) * data[j]; a null data region is zero.
    void encode(const uint8_t* const* data, uint8_t* const* parity, size_t len) const;

    // The map that rebuilds the lost data symbols `lost` (ascending indices
    // below k) from the other data symbols and the parity symbols `use`
    // (indices below p, as many as lost). Inputs of the map: k data regions
    // (lost ones null) then the used parity regions; outputs: the lost ones.
    // Returns false when the system is singular (it never is for this code).
    bool erasureMap(std::span<const int> lost, std::span<const int> use, LinearMap& map) const;

    // Corrects one received word of k + p symbols (data first) in place, the
    // symbols at `erasures` being unknown. On success stores the positions
    // whose symbol changed in `changed` and returns true; on failure the word
    // is untouched.
    bool decodeWord(uint8_t* word, std::span<const int> erasures, std::vector<int>& changed) const;

private:
    int k_, p_;
    vekdi::ReedSolomon code_;
    std::vector<uint8_t> generator_; // p x k
    LinearMap encoder_;
};

} // namespace vekdi::tool
