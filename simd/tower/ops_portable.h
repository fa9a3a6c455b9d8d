// SPDX-License-Identifier: Apache-2.0
// Sixteen byte lanes in plain C++: the reference semantics of the vector
// operations the kernel body uses.
#pragma once

#include <cstdint>
#include <cstring>

namespace vekdi::tower {
namespace {

struct PortableOps {
    struct V {
        uint8_t b[16];
    };
    static constexpr int lanes = 16;
    // The reference variant keeps the plainest form of every primitive.
    static constexpr bool reference = true;

    template <class F>
    static V map(F f) {
        V r;
        for (int i = 0; i < 16; ++i) r.b[i] = static_cast<uint8_t>(f(i));
        return r;
    }

    static V zero() { return map([](int) { return 0; }); }
    static V set1(uint8_t v) { return map([v](int) { return v; }); }
    static V load(const uint8_t* p) {
        V r;
        std::memcpy(r.b, p, 16);
        return r;
    }
    static void store(uint8_t* p, const V& v) { std::memcpy(p, v.b, 16); }
    static V table(const uint8_t* p) { return load(p); }
    static V loadRows(const uint8_t* p, int) { return load(p); }
    static void storeRows(uint8_t* p, int, const V& v) { store(p, v); }
    static V bxor(const V& a, const V& b) { return map([&](int i) { return a.b[i] ^ b.b[i]; }); }
    static V band(const V& a, const V& b) { return map([&](int i) { return a.b[i] & b.b[i]; }); }
    static V add8(const V& a, const V& b) { return map([&](int i) { return a.b[i] + b.b[i]; }); }
    static V sub8(const V& a, const V& b) { return map([&](int i) { return a.b[i] - b.b[i]; }); }
    static V cmpgt8(const V& a, const V& b) {
        return map([&](int i) { return static_cast<int8_t>(a.b[i]) > static_cast<int8_t>(b.b[i]) ? 0xFF : 0; });
    }
    static V cmpeq8(const V& a, const V& b) { return map([&](int i) { return a.b[i] == b.b[i] ? 0xFF : 0; }); }
    static V shuffle(const V& t, const V& idx) {
        return map([&](int i) { return (idx.b[i] & 0x80) ? 0 : t.b[idx.b[i] & 15]; });
    }
    static V srl4(const V& a) { return map([&](int i) { return a.b[i] >> 4; }); }
    static V sll4(const V& a) { return map([&](int i) { return a.b[i] << 4; }); }
    static V shiftIn(const V& a, uint8_t first) { return map([&](int i) { return i == 0 ? first : a.b[i - 1]; }); }
};

}  // namespace
}  // namespace vekdi::tower
