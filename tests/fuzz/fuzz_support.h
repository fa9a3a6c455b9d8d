// SPDX-License-Identifier: Apache-2.0
// Shared pieces of the fuzz harnesses: a check that aborts (libFuzzer and the
// replay driver report it as a finding), byte areas placed at a chosen offset
// from a 64-byte boundary with canary bytes right after their exact size, and
// argument helpers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#define FUZZ_CHECK(cond)                                                                 \
    do {                                                                                 \
        if (!(cond)) {                                                                   \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

namespace vekdi::fuzz {

inline constexpr uint8_t kCanaryByte = 0xA7;
inline constexpr size_t kCanarySize = 32;

// `size` bytes at `offset` (0 ... 63) past a 64-byte boundary, followed by
// canary bytes that nothing may write.
class Area {
public:
    Area(size_t size, size_t offset, uint8_t fill = 0) : store_(size + offset + kCanarySize + 64, kCanaryByte), size_(size) {
        const auto base = reinterpret_cast<uintptr_t>(store_.data());
        start_ = (64 - base % 64) % 64 + offset;
        std::fill(store_.begin() + long(start_), store_.begin() + long(start_ + size), fill);
    }
    Area(const Area&) = delete;
    Area& operator=(const Area&) = delete;

    uint8_t* data() { return store_.data() + start_; }
    const uint8_t* data() const { return store_.data() + start_; }
    size_t size() const { return size_; }
    template <typename T>
    T* as() {
        return reinterpret_cast<T*>(data());
    }
    bool canaryIntact() const {
        for (size_t i = 0; i < kCanarySize; ++i)
            if (store_[start_ + size_ + i] != kCanaryByte) return false;
        return true;
    }
    // The area and its canary, to compare before and after a call that must
    // write nothing.
    std::vector<uint8_t> snapshot() const {
        return {store_.begin() + long(start_), store_.begin() + long(start_ + size_ + kCanarySize)};
    }

private:
    std::vector<uint8_t> store_;
    size_t start_;
    size_t size_;
};

// Calls through asSlotSignature are deliberate ABI-level mismatches; clang's
// function-type check is switched off for the functions that make them.
#if defined(__clang__)
#define VEKDI_SLOT_CALLS __attribute__((no_sanitize("function")))
#else
#define VEKDI_SLOT_CALLS
#endif

// Reinterprets an export as the signature that passes its 8-bit element
// arguments in full 32-bit slots, so garbage in bits 8 ... 31 reaches it.
template <typename To, typename From>
To asSlotSignature(From fn) {
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(fn));
}

// An element argument: usually the plain byte, sometimes with garbage above
// bit 7 (only the low byte may count).
inline uint32_t slotArgument(FuzzedDataProvider& in) {
    const uint8_t low = in.ConsumeIntegral<uint8_t>();
    return in.ConsumeBool() ? low : (in.ConsumeIntegral<uint32_t>() & ~0xFFu) | low;
}

}  // namespace vekdi::fuzz
