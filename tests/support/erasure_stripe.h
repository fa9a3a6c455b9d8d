// SPDX-License-Identifier: Apache-2.0
// A stripe of k data and m parity buffers under guard (GuardedBytes) at
// chosen offsets, with the pointer arrays the erasure-code calls take, and a
// reference encoder from bit-serial products.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "tests/support/guarded_bytes.h"
#include "tests/support/reference_gf.h"

namespace vekdi::test {

class Stripe {
public:
    // Data random, parity filled with the canary; buffer i starts (offset + 7 i) % 64 past a 64-byte boundary.
    Stripe(int k, int m, std::size_t length, std::mt19937& rng, std::size_t offset = 0) : k_(k), m_(m), length_(length) {
        for (int i = 0; i < k + m; ++i) buffers_.emplace_back(length, (offset + 7 * static_cast<std::size_t>(i)) % 64);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int j = 0; j < k; ++j)
            for (std::size_t i = 0; i < length; ++i) buffers_[j].data()[i] = static_cast<uint8_t>(byte(rng));
        for (auto& b : buffers_) pointers_.push_back(b.data());
    }

    int k() const { return k_; }
    int m() const { return m_; }
    std::size_t length() const { return length_; }
    uint8_t* shard(int i) { return pointers_[static_cast<std::size_t>(i)]; }
    std::vector<uint8_t> bytes(int i) const { return buffers_[static_cast<std::size_t>(i)].bytes(); }
    const GuardedBytes& buffer(int i) const { return buffers_[static_cast<std::size_t>(i)]; }

    uint8_t* const* all() { return pointers_.data(); }
    const uint8_t* const* data() const { return pointers_.data(); }
    uint8_t* const* parity() { return pointers_.data() + k_; }
    bool guardsIntact() const {
        for (const auto& b : buffers_)
            if (!b.guardsIntact()) return false;
        return true;
    }

    // The parity of the data under `matrix` (m x k), by bit-serial products.
    std::vector<std::vector<uint8_t>> referenceParity(const uint8_t* matrix) const {
        std::vector<std::vector<uint8_t>> out(static_cast<std::size_t>(m_), std::vector<uint8_t>(length_, 0));
        for (int r = 0; r < m_; ++r)
            for (int j = 0; j < k_; ++j) {
                const uint8_t c = matrix[r * k_ + j];
                const uint8_t* d = buffers_[static_cast<std::size_t>(j)].data();
                uint8_t product[256];
                for (int v = 0; v < 256; ++v) product[v] = static_cast<uint8_t>(refMul(c, static_cast<uint32_t>(v), 0x11D, 8));
                for (std::size_t i = 0; i < length_; ++i) out[static_cast<std::size_t>(r)][i] ^= product[d[i]];
            }
        return out;
    }

private:
    int k_, m_;
    std::size_t length_;
    std::vector<GuardedBytes> buffers_;
    std::vector<uint8_t*> pointers_;
};

// The rank of a rows x cols matrix over GF(256)/0x11D, by bit-serial arithmetic.
inline int referenceRank(std::vector<uint8_t> a, int rows, int cols) {
    int rank = 0;
    for (int c = 0; c < cols && rank < rows; ++c) {
        int p = rank;
        while (p < rows && a[static_cast<std::size_t>(p * cols + c)] == 0) ++p;
        if (p == rows) continue;
        for (int x = 0; x < cols; ++x) std::swap(a[static_cast<std::size_t>(p * cols + x)], a[static_cast<std::size_t>(rank * cols + x)]);
        const uint32_t inv = refPow(a[static_cast<std::size_t>(rank * cols + c)], 254, 0x11D, 8);
        for (int r = 0; r < rows; ++r) {
            if (r == rank || a[static_cast<std::size_t>(r * cols + c)] == 0) continue;
            const uint32_t f = refMul(a[static_cast<std::size_t>(r * cols + c)], inv, 0x11D, 8);
            for (int x = 0; x < cols; ++x)
                a[static_cast<std::size_t>(r * cols + x)] ^= static_cast<uint8_t>(refMul(f, a[static_cast<std::size_t>(rank * cols + x)], 0x11D, 8));
        }
        ++rank;
    }
    return rank;
}

}  // namespace vekdi::test
