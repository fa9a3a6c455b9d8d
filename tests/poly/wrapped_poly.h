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
    std::vector<uint8_t> c(static_cast<size_t>(maskDegree(mask)) + 1);
    for (size_t i = 0; i < c.size(); ++i) c[i] = (mask >> i) & 1u;
    return c;
}

}  // namespace vekdi::test
