// SPDX-License-Identifier: Apache-2.0
// The 30 built-in basis-change records: each is a field isomorphism onto the
// tower basis that maps the field's alpha to the smallest admissible gamma.
#include <gtest/gtest.h>

#include <set>

#include "simd/tower/tower_records.h"
#include "simd/tower/tower_arith.h"
#include "tests/support/fields.h"
#include "tests/support/reference_gf.h"

namespace vekdi::test {
namespace {

uint8_t applyMatrix(const uint8_t* matrix, uint8_t v) {
    uint8_t r = 0;
    for (int j = 0; j < 8; ++j)
        if (v & (1 << j)) r ^= matrix[16 * j];
    return r;
}

TEST(TowerRecords, OneRecordPerIrreduciblePolynomialOfDegree8) {
    std::set<uint32_t> keys;
    for (const TowerRecord& r : towerRecords()) keys.insert(r.key);
    const auto irreducible = irreducibleMasks(8);
    EXPECT_EQ(keys, std::set<uint32_t>(irreducible.begin(), irreducible.end()));
    EXPECT_EQ(towerRecords()[0].key, 0x11Bu);
    EXPECT_EQ(towerRecords()[14].key, 0x11Du);
    for (uint32_t mask = 0; mask < 0x400; ++mask)
        EXPECT_EQ(findTowerRecord(mask) != nullptr, keys.count(mask) == 1) << mask;
    EXPECT_EQ(findTowerRecord(0x11D), &towerRecords()[14]);
    EXPECT_EQ(findTowerRecord(0x13), nullptr);  // GF(16) has none
}

TEST(TowerRecords, WorkedExampleOfKey11B) {
    const TowerRecord* r = findTowerRecord(0x11B);
    ASSERT_NE(r, nullptr);
    const uint8_t to[8] = {0x01, 0x2C, 0x4D, 0x47, 0x36, 0xDD, 0x3E, 0xE7};
    const uint8_t from[8] = {0x01, 0x5C, 0xE0, 0x50, 0x1E, 0xB2, 0xB5, 0x3A};
    for (int j = 0; j < 8; ++j) {
        for (int lane = 0; lane < 16; ++lane) {
            EXPECT_EQ(r->toTower[16 * j + lane], to[j]);
            EXPECT_EQ(r->fromTower[16 * j + lane], from[j]);
        }
    }
    const uint8_t pow[5] = {0x01, 0x2D, 0x4C, 0x27, 0x37};
    const uint8_t log[6] = {0xFF, 0x00, 0x22, 0x88, 0x44, 0x11};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(r->towerPow[i], pow[i]);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r->towerLog[i], log[i]);
    EXPECT_EQ(r->descriptor, 0x2D03u);
}

class TowerRecordTest : public ::testing::TestWithParam<int> {};

TEST_P(TowerRecordTest, IsAFieldIsomorphismSendingAlphaToGamma) {
    const TowerRecord& r = towerRecords()[GetParam()];
    const uint8_t alpha = r.descriptor & 0xFF, gamma = (r.descriptor >> 8) & 0xFF;
    EXPECT_EQ(r.descriptor >> 16, 0u);
    EXPECT_EQ(alpha, smallestGenerator(r.key, 8));
    for (const uint8_t* t : {r.toTower, r.fromTower, r.towerPow, r.towerLog})
        EXPECT_EQ(reinterpret_cast<uintptr_t>(t) % 16, 0u);

    const TestField field(8, r.key, alpha);
    uint8_t phi[256];
    for (int a = 0; a < 256; ++a) phi[a] = applyMatrix(r.toTower, uint8_t(a));
    EXPECT_EQ(phi[0], 0);
    EXPECT_EQ(phi[1], 1);
    EXPECT_EQ(applyMatrix(r.fromTower, 0), 0);
    EXPECT_EQ(applyMatrix(r.fromTower, 1), 1);
    for (int a = 0; a < 256; ++a) {
        ASSERT_EQ(applyMatrix(r.fromTower, phi[a]), a);
        for (int b = 0; b < 256; ++b)
            ASSERT_EQ(phi[gfMulTable(field, unsigned(a), unsigned(b))], tower::towerMul(phi[a], phi[b])) << a << " " << b;
    }
    // Powers and logarithms: gamma^i, the image of alpha^i.
    EXPECT_EQ(r.towerPow[0], 1);
    EXPECT_EQ(r.towerPow[255], 1);
    EXPECT_EQ(r.towerLog[0], 255);
    for (int i = 0; i < 255; ++i) {
        ASSERT_EQ(r.towerPow[i], phi[expTable(field)[i]]) << i;
        ASSERT_EQ(r.towerPow[i], tower::towerPow(gamma, unsigned(i)));
        ASSERT_EQ(r.towerLog[r.towerPow[i]], i);
    }
    // gamma is the smallest of its conjugates gamma^(2^i), the tower roots of
    // alpha's minimal polynomial.
    uint8_t conj = gamma;
    for (int i = 1; i < 8; ++i) {
        conj = tower::towerMul(conj, conj);
        EXPECT_LT(gamma, conj);
    }
}

INSTANTIATE_TEST_SUITE_P(All30, TowerRecordTest, ::testing::Range(0, kTowerRecordCount));

}  // namespace
}  // namespace vekdi::test
