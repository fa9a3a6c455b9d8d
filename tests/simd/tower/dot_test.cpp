// SPDX-License-Identifier: Apache-2.0
// The dot-product primitive of every variant against the scalar sum of
// tower products, over lengths 1 ... 300 (whole groups of 16 are read).
#include <gtest/gtest.h>

#include "tests/support/tower_variants.h"
#include "tests/support/fields.h"

namespace vekdi::test {
namespace {

std::vector<uint8_t> bytes(size_t n, int pattern) {
    std::vector<uint8_t> v(n);
    std::uniform_int_distribution<int> byte(0, 255);
    static constexpr uint8_t kEdges[] = {0x00, 0x01, 0x10, 0x0F, 0xF0, 0x80, 0x11, 0x9F, 0xFF};
    for (auto& b : v) b = pattern == 0 ? uint8_t(byte(rng())) : kEdges[byte(rng()) % 9];
    return v;
}

TEST(TowerDot, EveryVariantSumsTheTowerProducts) {
    for (const tower::TowerKernels* k : runnableVariants()) {
        for (int len = 1; len <= 300; ++len) {
            const size_t span = size_t(groupBytes(len));
            const auto a = bytes(span + 1, len % 2);
            const auto b = bytes(span, (len / 2) % 2);
            for (size_t offset : {0, 1}) {
                uint8_t expect = 0;
                for (size_t i = 0; i < span; ++i) expect ^= tower::towerMul(a[i + offset], b[i]);
                ASSERT_EQ(k->dot(a.data() + offset, b.data(), len), expect) << k->name << " " << len << " " << offset;
            }
        }
    }
}

}  // namespace
}  // namespace vekdi::test
