// SPDX-License-Identifier: Apache-2.0
// The tables of the batch kernels (codes/rs_batch.h): every constant product
// of the encoder and of the syndromes as an 8x8 bit matrix over the caller's
// symbols, built once per code on its first batch call.
#include "codes/rs_batch.h"

#include "codes/rs_code.h"

#include <new>
#include <utility>
#include <vector>
#include "simd/variants.h"

namespace vekdi::codes {

namespace {

// The matrix of a GF(2)-linear map of bytes given by the images of the bits,
// in the operand layout of GF2P8AFFINEQB: output bit i is the parity of
// (byte 7 - i of the matrix) AND the input.
uint64_t bitMatrix(const uint8_t images[8]) {
    uint64_t matrix = 0;
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i)
            if ((images[j] >> i) & 1u) matrix |= uint64_t(1) << (8 * (7 - i) + j);
    return matrix;
}

// GF(256) over x^8 + x^4 + x^3 + x + 1, the field the instruction set works in.
uint8_t workMul(uint8_t a, uint8_t b) {
    unsigned product = 0, x = a;
    for (int i = 0; i < 8; ++i) {
        if ((b >> i) & 1u) product ^= x;
        x <<= 1;
        if (x & 0x100u) x ^= 0x11Bu;
    }
    return static_cast<uint8_t>(product);
}

uint64_t workMulMatrix(uint8_t c) {
    uint8_t images[8];
    for (int j = 0; j < 8; ++j) images[j] = workMul(c, static_cast<uint8_t>(1u << j));
    return bitMatrix(images);
}

void buildDecodeTables(const Code& c, BatchTables& t) {
    const Field& cf = c.codeField;
    // gamma: an element of the work field with the minimal polynomial of the
    // decoder field's alpha; alpha^e -> gamma^e is then an isomorphism.
    uint8_t minimal[9] = {1};
    uint8_t conjugate = cf.exp[1];
    for (int i = 0; i < 8; ++i) {
        for (int j = i + 1; j > 0; --j) minimal[j] = static_cast<uint8_t>(minimal[j - 1] ^ cf.mul(minimal[j], conjugate));
        minimal[0] = cf.mul(minimal[0], conjugate);
        conjugate = cf.mul(conjugate, conjugate);
    }
    uint8_t gamma = 0;
    for (int candidate = 2; candidate < 256 && gamma == 0; ++candidate) {
        uint8_t value = 0;  // Horner, coefficients 0 or 1
        for (int i = 8; i >= 0; --i) value = static_cast<uint8_t>(workMul(value, static_cast<uint8_t>(candidate)) ^ (minimal[i] & 1u));
        if (value == 0) gamma = static_cast<uint8_t>(candidate);
    }
    if (gamma == 0) return;
    uint8_t power[255];
    power[0] = 1;
    for (int e = 1; e < 255; ++e) power[e] = workMul(power[e - 1], gamma);
    auto gammaPow = [&](long long e) { return power[((e % 255) + 255) % 255]; };
    // The caller's symbols into the work field and back.
    uint8_t toWork[256], fromWork[256];
    for (int u = 0; u < 256; ++u) {
        const uint8_t element = c.toCode[u];
        toWork[u] = element == 0 ? 0 : power[cf.log[element]];
    }
    for (int u = 0; u < 256; ++u) fromWork[toWork[u]] = static_cast<uint8_t>(u);

    const int n = c.n, r = c.r, b = c.codeRootLog;
    t.syndrome.resize(static_cast<std::size_t>(r) * static_cast<std::size_t>(r));
    t.chien.resize(3 * static_cast<std::size_t>(n));
    for (int p = 0; p < n; ++p) {
        const int e = n - 1 - p;  // X = gamma^e
        for (int j = 0; j < r && p >= c.k; ++j) {
            const uint8_t factor = gammaPow(static_cast<long long>(b + j) * e);
            uint8_t images[8];
            for (int bit = 0; bit < 8; ++bit) images[bit] = workMul(toWork[1u << bit], factor);
            t.syndrome[static_cast<std::size_t>(p - c.k) * r + j] = bitMatrix(images);
        }
        t.chien[3 * static_cast<std::size_t>(p)] = workMulMatrix(gammaPow(-e));
        t.chien[3 * static_cast<std::size_t>(p) + 1] = workMulMatrix(gammaPow(-2LL * e));
        t.chien[3 * static_cast<std::size_t>(p) + 2] = workMulMatrix(gammaPow(-static_cast<long long>(b) * e));
    }
    uint8_t images[8];
    for (int bit = 0; bit < 8; ++bit) images[bit] = fromWork[1u << bit];
    t.fromWork = bitMatrix(images);
    t.decode = true;
}

// The syndrome form of the encoder (BatchTables::fold), where it takes
// clearly fewer products than the k r of the matrix form.
void buildFoldTables(const Code& c, BatchTables& t) {
    const Field& f = c.field;
    const int n = c.n, k = c.k, r = c.r;
    auto mulMatrix = [&](uint8_t factor) {
        uint8_t images[8];
        for (int bit = 0; bit < 8; ++bit) images[bit] = c.toSymbol[f.mul(c.fromSymbol[1u << bit], factor)];
        return bitMatrix(images);
    };
    if (r > kMaxDecodeParity) return;  // the kernels keep the syndromes on the stack
    int stageOne = 0;
    for (int e = r; e < n; ++e) stageOne += e >= 51 ? 4 : 0;
    // Its loads and sums cost more per product than the matrix form's: it
    // pays below about four fifths of the products (encoding RS(120,104),
    // 81 %: 12 % slower; RS(160,128), 75 %: 6 % faster; RS(204,188), 56 %:
    // 10-30 % faster).
    if (5 * (stageOne + 51 * r + r * r) >= 4 * k * r) return;
    // The roots of g, grouped by log mod 5.
    std::vector<int> logs[5];
    int found = 0;
    for (int log = 0; log < 255; ++log) {
        const uint8_t z = f.exp[log];
        uint8_t value = 1;  // g is monic
        for (int l = r - 1; l >= 0; --l) value = static_cast<uint8_t>(f.mul(value, z) ^ c.generator[l]);
        if (value == 0) {
            logs[log % 5].push_back(log);
            ++found;
        }
    }
    if (found != r) return;
    std::vector<int> rootLog;
    for (int s = 0; s < 5; ++s) {
        t.foldGroup[s] = static_cast<int>(rootLog.size());
        rootLog.insert(rootLog.end(), logs[s].begin(), logs[s].end());
    }
    t.foldGroup[5] = r;
    auto power = [&](long long log) { return f.exp[log % 255]; };
    t.foldPowers.resize(16);
    for (int s = 1; s < 5; ++s)
        for (int q = 1; q < 5; ++q) t.foldPowers[4 * (s - 1) + q - 1] = mulMatrix(power(51LL * s * q));
    t.foldSyndrome.resize(51 * static_cast<std::size_t>(r));
    for (int s = 0; s < 5; ++s) {
        const int first = t.foldGroup[s], size = t.foldGroup[s + 1] - first;
        for (int u = 0; u < 51; ++u)
            for (int jj = 0; jj < size; ++jj)
                t.foldSyndrome[51 * static_cast<std::size_t>(first) + static_cast<std::size_t>(u * size + jj)] =
                    mulMatrix(power(static_cast<long long>(rootLog[static_cast<std::size_t>(first + jj)]) * u));
    }
    // The parity P(x) = sum over e < r of p_e x^e has the syndromes of R:
    // V p = S with V[j][e] = z_j^e; invert V (Gauss-Jordan over the field).
    std::vector<uint8_t> a(static_cast<std::size_t>(r) * 2 * r);
    const auto at = [&](int row, int col) -> uint8_t& { return a[static_cast<std::size_t>(row) * 2 * r + col]; };
    for (int j = 0; j < r; ++j) {
        for (int e = 0; e < r; ++e) at(j, e) = power(static_cast<long long>(rootLog[static_cast<std::size_t>(j)]) * e);
        at(j, r + j) = 1;
    }
    for (int col = 0; col < r; ++col) {
        int pivot = col;
        while (pivot < r && at(pivot, col) == 0) ++pivot;
        if (pivot == r) return;  // distinct roots: cannot happen
        for (int x = 0; x < 2 * r; ++x) std::swap(at(pivot, x), at(col, x));
        const uint8_t inv = f.exp[(255 - f.log[at(col, col)]) % 255];
        for (int x = 0; x < 2 * r; ++x) at(col, x) = f.mul(at(col, x), inv);
        for (int row = 0; row < r; ++row) {
            const uint8_t factor = at(row, col);
            if (row == col || factor == 0) continue;
            for (int x = 0; x < 2 * r; ++x) at(row, x) = static_cast<uint8_t>(at(row, x) ^ f.mul(factor, at(col, x)));
        }
    }
    // Parity byte p is the coefficient of x^(r - 1 - p): p_e = sum over j of V^-1[e][j] S_j.
    t.foldParity.resize(static_cast<std::size_t>(r) * r);
    for (int j = 0; j < r; ++j)
        for (int p = 0; p < r; ++p) t.foldParity[static_cast<std::size_t>(j) * r + p] = mulMatrix(at(r - 1 - p, r + j));
    t.fold = true;
}

}  // namespace

const BatchKernels* batchKernels() {
    static const BatchKernels* const chosen = simd::chooseVariant(simd::batchVariants());
    return chosen;
}

void buildBatchTables(const Code& c, BatchTables& t) {
    const Field& f = c.field;
    t.n = c.n;
    t.k = c.k;
    t.r = c.r;
    const int r = c.r;
    // Message symbol i contributes m_i * (x^(r + k - 1 - i) mod g); parity
    // byte j is the coefficient of x^(r - 1 - j). rem runs through
    // x^r, x^(r+1), ... mod g, lowest degree first.
    uint8_t rem[256];
    for (int l = 0; l < r; ++l) rem[l] = c.generator[l];
    t.encode.resize(static_cast<std::size_t>(c.k) * static_cast<std::size_t>(r));
    for (int i = c.k - 1; i >= 0; --i) {
        for (int j = 0; j < r; ++j) {
            const uint8_t factor = rem[r - 1 - j];
            uint8_t images[8] = {};
            for (int bit = 0; bit < f.m; ++bit)
                images[bit] = c.toSymbol[f.mul(c.fromSymbol[1u << bit], factor)];
            t.encode[static_cast<std::size_t>(i) * r + j] = bitMatrix(images);
        }
        const uint8_t top = rem[r - 1];
        for (int l = r - 1; l > 0; --l) rem[l] = static_cast<uint8_t>(rem[l - 1] ^ f.mul(top, c.generator[l]));
        rem[0] = f.mul(top, c.generator[0]);
    }
    if (f.m == 8) buildFoldTables(c, t);
    if (f.m == 8 && r >= 2 && r <= kMaxDecodeParity) buildDecodeTables(c, t);
}

const BatchTables* Code::batchTables() const {
    if (batchKernels() == nullptr) return nullptr;
    try {
        std::call_once(batchOnce, [this] {
            auto tables = std::make_unique<BatchTables>();
            buildBatchTables(*this, *tables);
            batch = std::move(tables);
        });
    } catch (const std::bad_alloc&) {
        return nullptr;  // the single-word path needs no tables
    }
    return batch.get();
}

}  // namespace vekdi::codes
