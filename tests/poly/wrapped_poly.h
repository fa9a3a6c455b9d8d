// SPDX-License-Identifier: Apache-2.0
// Polynomial objects for tests whose coefficients live in a vector, plus
// binary polynomials as bit masks.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "poly/poly.h"

namespace vekdi::test {

class WrappedPoly {
public:
    // Coefficients lowest power first; the recorded degree defaults to the
    // last index (a zero top coefficient is kept as given).
    WrappedPoly(const FieldGF* field, std::vector<uint8_t> coeffs, int degree = -1) : coeffs_(std::move(coeffs)) {
        if (coeffs_.empty()) coeffs_.push_back(0);
        const int d = degree < 0 ? static_cast<int>(coeffs_.size()) - 1 : degree;
        polyWrap(&poly_, field, coeffs_.data(), static_cast<int>(coeffs_.size()), d);
    }
    WrappedPoly(const WrappedPoly&) = delete;
    WrappedPoly& operator=(const WrappedPoly&) = delete;

    const PolyGF* get() const { return &poly_; }
    PolyGF* get() { return &poly_; }
    operator const PolyGF*() const { return &poly_; }

private:
    std::vector<uint8_t> coeffs_;
    PolyGF poly_{};
};

inline int maskDegree(uint64_t mask) { return mask == 0 ? 0 : 63 - std::countl_zero(mask); }

// Coefficients 0/1 of a binary polynomial given as a bit mask.
inline std::vector<uint8_t> maskCoeffs(uint64_t mask) {
    // Appended one by one: indexing a vector sized from the mask makes GCC 12
    // at -O3 on aarch64 report a false out-of-bounds write.
    const int degree = maskDegree(mask);
    std::vector<uint8_t> c;
    c.reserve(static_cast<size_t>(degree) + 1);
    for (int i = 0; i <= degree; ++i) c.push_back(static_cast<uint8_t>((mask >> i) & 1u));
    return c;
}

}  // namespace vekdi::test
