// SPDX-License-Identifier: Apache-2.0
#include "tests/poly/poly_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/reference_gf.h"
#include "vekdi.h"

namespace vekdi::test {

namespace {
constexpr int kGuard = 16;
}

PolyBox::PolyBox(const FieldGF* field, int maxDegree) {
    EXPECT_EQ(veksPolyGFGetSize_8u(maxDegree, &size_), StatusOk);
    words_.resize((size_ + kGuard + 7) / 8);
    std::memset(words_.data(), kCanary, words_.size() * 8);
    EXPECT_EQ(veksPolyGFInit_8u(field, maxDegree, get()), StatusOk);
}

void PolyBox::set(const Coeffs& c) {
    ASSERT_EQ(veksPolyGFSetCoeffs_8u(c.data(), int(c.size()) - 1, get()), StatusOk);
}

Coeffs PolyBox::coeffs() const {
    const PolyGF* p = get();
    return Coeffs(p->coeffs, p->coeffs + p->degree + 1);
}

std::vector<uint8_t> PolyBox::bytes() const {
    const auto* b = reinterpret_cast<const uint8_t*>(words_.data());
    return std::vector<uint8_t>(b, b + words_.size() * 8);
}

bool PolyBox::guardIntact() const {
    const auto* b = reinterpret_cast<const uint8_t*>(words_.data());
    for (size_t i = size_t(size_); i < words_.size() * 8; ++i)
        if (b[i] != kCanary) return false;
    return true;
}

uint8_t RefField::mul(uint8_t a, uint8_t b) const { return uint8_t(refMul(a, b, mask, m)); }

uint8_t RefField::inv(uint8_t a) const { return uint8_t(refPow(a, order() - 2, mask, m)); }

int refDegree(const Coeffs& c) {
    int d = int(c.size()) - 1;
    while (d > 0 && c[d] == 0) --d;
    return d < 0 ? 0 : d;
}

Coeffs refNormalised(const Coeffs& c) {
    if (c.empty()) return Coeffs{0};
    return Coeffs(c.begin(), c.begin() + refDegree(c) + 1);
}

bool refIsZero(const Coeffs& c) {
    for (uint8_t v : c)
        if (v != 0) return false;
    return true;
}

Coeffs refAdd(const Coeffs& a, const Coeffs& b) {
    Coeffs r(std::max(a.size(), b.size()), 0);
    for (size_t i = 0; i < a.size(); ++i) r[i] ^= a[i];
    for (size_t i = 0; i < b.size(); ++i) r[i] ^= b[i];
    return r;
}

Coeffs refMulPoly(const RefField& f, const Coeffs& a, const Coeffs& b) {
    Coeffs r(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j) r[i + j] ^= f.mul(a[i], b[j]);
    return r;
}

void refDivMod(const RefField& f, const Coeffs& a, const Coeffs& b, Coeffs& q, Coeffs& r) {
    const Coeffs d = refNormalised(b);
    const int db = int(d.size()) - 1;
    const uint8_t topInv = f.inv(d[db]);
    r = a;
    const int da = int(a.size()) - 1;
    q.assign(da >= db ? da - db + 1 : 1, 0);
    for (int i = da; i >= db; --i) {
        const uint8_t t = f.mul(r[i], topInv);
        q[i - db] = t;
        for (int k = 0; k <= db; ++k) r[i - db + k] ^= f.mul(t, d[k]);
    }
    if (db == 0) r.assign(1, 0);
    else if (int(r.size()) > db) r.resize(db);
    r = refNormalised(r);
    q = refNormalised(q);
}

uint8_t refEval(const RefField& f, const Coeffs& a, uint8_t x) {
    uint8_t v = 0;
    for (size_t i = a.size(); i-- > 0;) v = f.mul(v, x) ^ a[i];
    return v;
}

int randomDegree(int maxDegree) {
    std::uniform_int_distribution<int> shape(0, 3);
    const int limit = shape(rng()) == 0 ? maxDegree : std::min(maxDegree, 12);
    return std::uniform_int_distribution<int>(0, limit)(rng());
}

Coeffs randomPoly(int degree, unsigned order) {
    std::uniform_int_distribution<unsigned> elem(0, order - 1);
    std::uniform_int_distribution<int> shape(0, 9);
    Coeffs c(size_t(degree) + 1);
    const int kind = shape(rng());
    for (auto& v : c) v = uint8_t(elem(rng()));
    if (kind == 0) {
        std::fill(c.begin(), c.end(), 0);
    } else if (kind == 1) {
        for (auto& v : c)
            if (shape(rng()) < 7) v = 0;
    } else if (kind <= 3) {
        const int zeros = std::uniform_int_distribution<int>(1, degree + 1)(rng());
        for (int i = 0; i < zeros; ++i) c[size_t(degree - i)] = 0;
    }
    return c;
}

}  // namespace vekdi::test
