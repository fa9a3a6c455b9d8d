// SPDX-License-Identifier: Apache-2.0
#include "rebuild/codec.h"

namespace vekdi::tool {

StripeCode::StripeCode(int k, int p) : k_(k), p_(p), code_(k + p, k), regions_(k, p, vekdi::Matrix::ReedSolomon) {}

bool StripeCode::decodeWord(uint8_t* word, std::span<const int> erasures, std::vector<int>& changed) const {
    // The shortened code never reports a solution that changes its padding.
    const DecodeResult r = code_.decode(std::span<uint8_t>(word, static_cast<size_t>(k_ + p_)), erasures);
    if (!r) return false;
    changed = r.errorPositions;
    changed.insert(changed.end(), r.erasurePositions.begin(), r.erasurePositions.end());
    return true;
}

} // namespace vekdi::tool
