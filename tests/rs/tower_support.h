// SPDX-License-Identifier: Apache-2.0
// Helpers for the tower-basis tests: the variants this machine runs, an
// aligned byte buffer with guard bytes, and scalar reference operations.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "rs/tower/kernels.h"
#include "rs/tower/tower_arith.h"

namespace vekdi::test {

// Every compiled variant the CPU supports (the portable one always).
inline std::vector<const tower::TowerKernels*> runnableVariants() {
    std::vector<const tower::TowerKernels*> out;
    for (const tower::TowerKernels* k : tower::towerVariants())
        if (tower::towerSupported(*k)) out.push_back(k);
    return out;
}

// `size` usable bytes starting `offset` bytes past a 64-byte boundary,
// followed by guard bytes that nothing may write.
class GuardedBytes {
public:
    static constexpr size_t kGuard = 64;
    GuardedBytes(size_t size, size_t offset, uint8_t fill = 0)
        : store_(size + offset + kGuard + 64, 0x5A), size_(size) {
        const auto base = reinterpret_cast<uintptr_t>(store_.data());
        start_ = ((base + 63) & ~uintptr_t(63)) - base + offset;
        std::fill(store_.begin() + static_cast<long>(start_), store_.begin() + static_cast<long>(start_ + size), fill);
    }
    uint8_t* data() { return store_.data() + start_; }
    size_t size() const { return size_; }
    bool guardIntact() const {
        for (size_t i = 0; i < kGuard; ++i)
            if (store_[start_ + size_ + i] != 0x5A) return false;
        return true;
    }
    std::vector<uint8_t> bytes() const {
        return {store_.begin() + static_cast<long>(start_), store_.begin() + static_cast<long>(start_ + size_)};
    }

private:
    std::vector<uint8_t> store_;
    size_t start_;
    size_t size_;
};

inline int groupBytes(int len) { return (len + 15) / 16 * 16; }

}  // namespace vekdi::test
