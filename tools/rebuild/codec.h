// SPDX-License-Identifier: Apache-2.0
// The stripe code: a Reed-Solomon code over GF(256) (0x11D, roots alpha^1 ...
// alpha^P) with K data symbols and P parity symbols per codeword (K + P <= 255,
// a shortened code of length 255 whose leading symbols are zero). Symbol j of
// a codeword is byte x of block j of a stripe, so whole blocks are encoded and
// rebuilt as regions by the library's erasure code (its ReedSolomon matrix is
// this code's parity), and single codewords are decoded for errors.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vekdi.hpp"

namespace vekdi::tool {

class StripeCode {
public:
    StripeCode(int k, int p);

    int k() const { return k_; }
    int p() const { return p_; }
    // Regions: encode, encodePart, reconstruct (shards k data, then p parity).
    const vekdi::ErasureCode& regions() const { return regions_; }

    // Corrects one received word of k + p symbols (data first) in place, the
    // symbols at `erasures` being unknown. On success stores the positions
    // whose symbol changed in `changed` and returns true; on failure the word
    // is untouched.
    bool decodeWord(uint8_t* word, std::span<const int> erasures, std::vector<int>& changed) const;

private:
    int k_, p_;
    vekdi::ReedSolomon code_;
    vekdi::ErasureCode regions_;
};

} // namespace vekdi::tool
