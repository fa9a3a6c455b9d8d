// SPDX-License-Identifier: Apache-2.0
// A buffer under guard: `size` usable bytes starting `offset` bytes past a
// 64-byte boundary, filled with `fill`, between guard bytes that nothing may
// write. intact() tells whether the usable bytes still hold the fill (a
// failing call wrote nothing); guardsIntact() whether the bytes around them
// are untouched (no overrun either side).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vekdi::test {

inline constexpr uint8_t kCanary = 0xA5;

class GuardedBytes {
public:
    static constexpr size_t kGuard = 64;
    static constexpr uint8_t kGuardByte = 0x5A;

    explicit GuardedBytes(size_t size, size_t offset = 0, uint8_t fill = kCanary)
        : store_(size + offset + 2 * kGuard + 64, kGuardByte), size_(size), fill_(fill) {
        const auto base = reinterpret_cast<uintptr_t>(store_.data());
        start_ = ((base + kGuard + 63) & ~uintptr_t(63)) - base + offset;
        // GCC 12 cannot see that start_ + size stays inside store_ and warns.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif
        std::fill(store_.begin() + static_cast<long>(start_), store_.begin() + static_cast<long>(start_ + size), fill);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    }

    uint8_t* data() { return store_.data() + start_; }
    const uint8_t* data() const { return store_.data() + start_; }
    size_t size() const { return size_; }

    bool intact() const {
        return std::all_of(data(), data() + size_, [&](uint8_t b) { return b == fill_; });
    }
    bool guardsIntact() const {
        auto guard = [](uint8_t b) { return b == kGuardByte; };
        return std::all_of(store_.begin(), store_.begin() + static_cast<long>(start_), guard) &&
               std::all_of(store_.begin() + static_cast<long>(start_ + size_), store_.end(), guard);
    }
    std::vector<uint8_t> bytes() const { return {data(), data() + size_}; }

private:
    std::vector<uint8_t> store_;
    size_t start_;
    size_t size_;
    uint8_t fill_;
};

}  // namespace vekdi::test
