// SPDX-License-Identifier: Apache-2.0
// GF(256) (generator x^8+x^4+x^3+x^2+1) as the tool needs it: a product table
// built once from the library's field (vekdi::Field), and region operations
// (dst ^= c * src over many bytes) with a SIMD kernel chosen once per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vekdi::tool {

class Gf256 {
public:
    // The field of the library; built on first use, shared read-only afterwards.
    static const Gf256& instance();

    uint8_t mul(uint8_t a, uint8_t b) const { return product_[a * 256 + b]; }
    uint8_t inv(uint8_t a) const { return inverse_[a]; }
    const uint8_t* row(uint8_t c) const { return &product_[c * 256]; }

private:
    Gf256();
    std::vector<uint8_t> product_; // 256 x 256
    uint8_t inverse_[256];
};

// Products of one constant by the two nibbles of a byte: c*x = lo[x & 15] ^ hi[x >> 4].
struct NibbleTable {
    uint8_t lo[16];
    uint8_t hi[16];
    uint8_t c;
};

NibbleTable nibbleTable(uint8_t c);

// A linear map from `inputs` regions to `outputs` regions:
// out[o] = sum over i of coef[o * inputs + i] * in[i], every region `len` bytes.
class LinearMap {
public:
    LinearMap() = default;
    LinearMap(int outputs, int inputs, const std::vector<uint8_t>& coef);

    int outputs() const { return outputs_; }
    int inputs() const { return inputs_; }
    uint8_t coef(int o, int i) const { return tables_[static_cast<size_t>(o) * inputs_ + i].c; }

    // Overwrites the outputs. A null input counts as all zero.
    void apply(const uint8_t* const* in, uint8_t* const* out, size_t len) const;

private:
    int outputs_ = 0;
    int inputs_ = 0;
    std::vector<NibbleTable> tables_;
};

// Name of the region kernel in use ("avx2", "ssse3", "neon", "portable").
const char* regionKernelName();

} // namespace vekdi::tool
