// SPDX-License-Identifier: Apache-2.0
#include "codes/matrices.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "simd/region/gf256.h"
#include "vekdi_codes.h"

namespace vekdi::codes {

namespace {

using std::size_t;

// Systematic Reed-Solomon: the codeword is the message (byte 0 the highest
// power, x^(m + k - 1)) followed by the remainder of message * x^m modulo
// g(x) = (x - alpha)(x - alpha^2)...(x - alpha^m) (parity byte 0 the
// coefficient of x^(m - 1)). Column j of the matrix is the remainder of
// x^(m + k - 1 - j): the powers x^m, x^(m+1), ... are reduced one step at a time.
void reedSolomon(int k, int m, uint8_t* out) {
    std::vector<uint8_t> g(static_cast<size_t>(m) + 1, 0);  // g[d] = coefficient of x^d
    g[0] = 1;
    for (int i = 1; i <= m; ++i) {
        const uint8_t root = gfExp(static_cast<unsigned>(i));
        for (int d = i; d > 0; --d) g[d] = static_cast<uint8_t>(g[d - 1] ^ gfMul(g[d], root));
        g[0] = gfMul(g[0], root);
    }
    std::vector<uint8_t> rem(g.begin(), g.begin() + m);  // x^m mod g (characteristic 2: minus is plus)
    for (int t = 0; t < k; ++t) {
        const int column = k - 1 - t;  // x^(m + t) belongs to message byte k - 1 - t
        for (int r = 0; r < m; ++r) out[static_cast<size_t>(r) * k + column] = rem[static_cast<size_t>(m - 1 - r)];
        const uint8_t top = rem[static_cast<size_t>(m - 1)];
        for (int d = m - 1; d > 0; --d) rem[static_cast<size_t>(d)] = rem[static_cast<size_t>(d - 1)] ^ gfMul(top, g[static_cast<size_t>(d)]);
        rem[0] = gfMul(top, g[0]);
    }
}

// Parity row r is the powers of alpha^r: (alpha^r)^j in column j.
void isalVandermonde(int k, int m, uint8_t* out) {
    for (int r = 0; r < m; ++r)
        for (int j = 0; j < k; ++j) out[static_cast<size_t>(r) * k + j] = gfExp(static_cast<unsigned>(r * j));
}

// Cauchy: row k + r of the whole code, column j, holds 1 / ((k + r) XOR j).
void isalCauchy(int k, int m, uint8_t* out) {
    for (int r = 0; r < m; ++r)
        for (int j = 0; j < k; ++j)
            out[static_cast<size_t>(r) * k + j] = gfInv(static_cast<uint8_t>((k + r) ^ j));
}

// The systematic form of a Vandermonde code: the (k + m) x k matrix v times
// the inverse of its top k rows; writes the bottom m rows.
void systematic(std::vector<uint8_t>& v, int k, int m, uint8_t* out) {
    std::vector<uint8_t> top(v.begin(), v.begin() + static_cast<long>(k) * k);
    std::vector<uint8_t> inv(static_cast<size_t>(k) * k);
    invertMatrix(top.data(), inv.data(), k);  // distinct points: never singular
    for (int r = 0; r < m; ++r) {
        const uint8_t* row = v.data() + static_cast<size_t>(k + r) * k;
        for (int j = 0; j < k; ++j) {
            uint8_t s = 0;
            for (int i = 0; i < k; ++i) s ^= gfMul(row[i], inv[static_cast<size_t>(i) * k + j]);
            out[static_cast<size_t>(r) * k + j] = s;
        }
    }
}

// zfec: the Vandermonde matrix on the points 0, alpha^0, alpha^1, ...,
// alpha^(k + m - 2), in systematic form.
void zfec(int k, int m, uint8_t* out) {
    std::vector<uint8_t> v(static_cast<size_t>(k + m) * k);
    for (int i = 0; i < k + m; ++i) {
        const uint8_t point = i == 0 ? 0 : gfExp(static_cast<unsigned>(i - 1));
        for (int j = 0; j < k; ++j) v[static_cast<size_t>(i) * k + j] = gfPow(point, static_cast<unsigned>(j));
    }
    systematic(v, k, m, out);
}

// Jerasure: the Vandermonde matrix on the points 0, 1, 2, ..., k + m - 2 and
// infinity (the row 0 ... 0 1) in systematic form, then each column of the
// parity rows scaled so that the first parity row is all ones, then each
// further parity row scaled so that it starts with 1.
void jerasureVandermonde(int k, int m, uint8_t* out) {
    const int n = k + m;
    std::vector<uint8_t> v(static_cast<size_t>(n) * k, 0);
    for (int i = 0; i < n - 1; ++i)
        for (int j = 0; j < k; ++j) v[static_cast<size_t>(i) * k + j] = gfPow(static_cast<uint8_t>(i), static_cast<unsigned>(j));
    v[static_cast<size_t>(n - 1) * k + static_cast<size_t>(k - 1)] = 1;
    systematic(v, k, m, out);
    for (int j = 0; j < k; ++j) {
        const uint8_t s = gfInv(out[j]);
        for (int r = 0; r < m; ++r) out[static_cast<size_t>(r) * k + j] = gfMul(out[static_cast<size_t>(r) * k + j], s);
    }
    for (int r = 1; r < m; ++r) {
        uint8_t* row = out + static_cast<size_t>(r) * k;
        const uint8_t s = gfInv(row[0]);
        for (int j = 0; j < k; ++j) row[j] = gfMul(row[j], s);
    }
}

}  // namespace

int matrixLimit(int kind) {
    switch (kind) {
    case VekMatrixReedSolomon: return 255;
    case VekMatrixIsalVandermonde:
    case VekMatrixIsalCauchy:
    case VekMatrixJerasureVandermonde:
    case VekMatrixZfec: return 256;
    default: return 0;
    }
}

void buildParityMatrix(int kind, int k, int m, uint8_t* out) {
    switch (kind) {
    case VekMatrixReedSolomon: reedSolomon(k, m, out); break;
    case VekMatrixIsalVandermonde: isalVandermonde(k, m, out); break;
    case VekMatrixIsalCauchy: isalCauchy(k, m, out); break;
    case VekMatrixJerasureVandermonde: jerasureVandermonde(k, m, out); break;
    case VekMatrixZfec: zfec(k, m, out); break;
    default: break;
    }
}

bool invertMatrix(uint8_t* a, uint8_t* inv, int n) {
    const size_t w = static_cast<size_t>(n);
    for (size_t i = 0; i < w * w; ++i) inv[i] = 0;
    for (size_t i = 0; i < w; ++i) inv[i * w + i] = 1;
    for (size_t col = 0; col < w; ++col) {
        size_t pivot = col;
        while (pivot < w && a[pivot * w + col] == 0) ++pivot;
        if (pivot == w) return false;
        if (pivot != col)
            for (size_t x = 0; x < w; ++x) {
                std::swap(a[col * w + x], a[pivot * w + x]);
                std::swap(inv[col * w + x], inv[pivot * w + x]);
            }
        const uint8_t s = gfInv(a[col * w + col]);
        for (size_t x = 0; x < w; ++x) {
            a[col * w + x] = gfMul(a[col * w + x], s);
            inv[col * w + x] = gfMul(inv[col * w + x], s);
        }
        for (size_t row = 0; row < w; ++row) {
            const uint8_t f = a[row * w + col];
            if (row == col || f == 0) continue;
            for (size_t x = 0; x < w; ++x) {
                a[row * w + x] ^= gfMul(f, a[col * w + x]);
                inv[row * w + x] ^= gfMul(f, inv[col * w + x]);
            }
        }
    }
    return true;
}

}  // namespace vekdi::codes
