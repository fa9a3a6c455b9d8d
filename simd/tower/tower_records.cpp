// SPDX-License-Identifier: Apache-2.0
#include "simd/tower/tower_records.h"

#include <array>
#include <utility>

#include "gf/mask_arith.h"
#include "simd/tower/tower_arith.h"

namespace vekdi {

namespace {

// The tables of one record, each 16-byte aligned.
struct alignas(16) TowerRecordData {
    alignas(16) uint8_t toTower[128];
    alignas(16) uint8_t fromTower[128];
    alignas(16) uint8_t towerPow[256];
    alignas(16) uint8_t towerLog[256];
};

struct KeyInfo {
    uint32_t key;
    uint8_t alpha;  // the element the field initialiser picks: x if primitive, else the smallest generator
    uint8_t gamma;  // the smallest tower-basis root of alpha's minimal polynomial
};

// Generator polynomials in table order with the alpha and gamma the
// construction below must arrive at (checked at compile time).
constexpr KeyInfo kKeys[kTowerRecordCount] = {
    {0x11B, 0x03, 0x2D}, {0x139, 0x03, 0x20}, {0x13F, 0x03, 0x61}, {0x177, 0x03, 0x24}, {0x17B, 0x09, 0x93},
    {0x18B, 0x06, 0x20}, {0x19F, 0x03, 0x94}, {0x1A3, 0x03, 0x84}, {0x1B1, 0x06, 0x29}, {0x1BD, 0x07, 0x24},
    {0x1D7, 0x07, 0x24}, {0x1DD, 0x06, 0x29}, {0x1F3, 0x06, 0x20}, {0x1F9, 0x03, 0x93}, {0x11D, 0x02, 0x2D},
    {0x12B, 0x02, 0x61}, {0x12D, 0x02, 0x20}, {0x14D, 0x02, 0x29}, {0x15F, 0x02, 0x28}, {0x163, 0x02, 0x63},
    {0x165, 0x02, 0x62}, {0x169, 0x02, 0x10}, {0x171, 0x02, 0x24}, {0x187, 0x02, 0x93}, {0x18D, 0x02, 0x87},
    {0x1A9, 0x02, 0x97}, {0x1C3, 0x02, 0x96}, {0x1CF, 0x02, 0x84}, {0x1E7, 0x02, 0x94}, {0x1F5, 0x02, 0x86},
};

// Products in the field's polynomial basis.
constexpr uint8_t fieldMul(uint8_t a, uint8_t b, uint32_t key) { return static_cast<uint8_t>(maskMulMod(a, b, key, 8)); }

// Smallest tower element that is a root of the minimal polynomial of alpha,
// mu(z) = (z + alpha)(z + alpha^2)(z + alpha^4) ... (z + alpha^128), whose
// coefficients are 0 or 1.
constexpr uint8_t towerImageOfAlpha(uint8_t alpha, uint32_t key) {
    uint8_t mu[9] = {1};  // coefficients in the field, lowest power first
    uint8_t conj = alpha;
    for (int i = 0; i < 8; ++i) {
        for (int j = i + 1; j >= 1; --j) mu[j] = mu[j - 1] ^ fieldMul(mu[j], conj, key);
        mu[0] = fieldMul(mu[0], conj, key);
        conj = fieldMul(conj, conj, key);
    }
    for (unsigned t = 1; t < 256; ++t) {
        uint8_t v = 0;
        for (int j = 8; j >= 0; --j) v = static_cast<uint8_t>(tower::towerMul(v, static_cast<uint8_t>(t)) ^ mu[j]);
        if (v == 0) return static_cast<uint8_t>(t);
    }
    return 0;
}

// Alpha and gamma of one key, as the construction above derives them; each
// key is its own constant evaluation.
template <size_t I>
constexpr bool kKeyFollowsTheRule =
    fieldAlphaFor(kKeys[I].key, 8) == kKeys[I].alpha && towerImageOfAlpha(kKeys[I].alpha, kKeys[I].key) == kKeys[I].gamma;

template <size_t... I>
constexpr bool keysFollowTheRule(std::index_sequence<I...>) {
    return (kKeyFollowsTheRule<I> && ...);
}
static_assert(keysFollowTheRule(std::make_index_sequence<kTowerRecordCount>{}),
              "alpha and gamma of every record follow from its key");

// The tables of record I (one constant evaluation each).
template <size_t I>
constexpr TowerRecordData kData = [] {
    const uint32_t key = kKeys[I].key;
    const uint8_t alpha = kKeys[I].alpha, gamma = kKeys[I].gamma;
    TowerRecordData d{};
    uint8_t fieldExp[256] = {};
    uint8_t fieldLog[256] = {};
    uint8_t e = 1, t = 1;
    for (int i = 0; i < 256; ++i) {
        fieldExp[i] = e;
        d.towerPow[i] = t;
        if (i < 255) {
            fieldLog[e] = static_cast<uint8_t>(i);
            d.towerLog[t] = static_cast<uint8_t>(i);
        }
        e = fieldMul(e, alpha, key);
        t = tower::towerMul(t, gamma);
    }
    d.towerLog[0] = 255;
    for (int j = 0; j < 8; ++j) {
        const uint8_t image = d.towerPow[fieldLog[1u << j]];
        const uint8_t preimage = fieldExp[d.towerLog[1u << j]];
        for (int lane = 0; lane < 16; ++lane) {
            d.toTower[16 * j + lane] = image;
            d.fromTower[16 * j + lane] = preimage;
        }
    }
    return d;
}();

// GF2P8AFFINEQB operand of the linear map taking bit j to images[j]: byte
// 7 - i selects the input bits that make output bit i.
constexpr uint64_t affineOperand(const uint8_t (&images)[8]) {
    uint64_t m = 0;
    for (int i = 0; i < 8; ++i) {
        unsigned row = 0;
        for (int j = 0; j < 8; ++j) row |= ((images[j] >> i) & 1u) << j;
        m |= uint64_t(row) << (8 * (7 - i));
    }
    return m;
}

// The image of v under the map whose rows (bit j: row j, 16 copies) are given.
constexpr uint8_t applyRows(const uint8_t* rows, uint8_t v) {
    uint8_t out = 0;
    for (int b = 0; b < 8; ++b)
        if (v & (1u << b)) out ^= rows[16 * b];
    return out;
}

// Record I's basis to that of record 0 (the key 0x11B) through the tower
// basis, or back.
template <size_t I>
constexpr uint64_t kToGfni = [] {
    static_assert(kKeys[0].key == 0x11B);
    uint8_t images[8] = {};
    for (int j = 0; j < 8; ++j) images[j] = applyRows(kData<0>.fromTower, kData<I>.toTower[16 * j]);
    return affineOperand(images);
}();
template <size_t I>
constexpr uint64_t kFromGfni = [] {
    uint8_t images[8] = {};
    for (int j = 0; j < 8; ++j) images[j] = applyRows(kData<I>.fromTower, kData<0>.toTower[16 * j]);
    return affineOperand(images);
}();

template <size_t... I>
constexpr std::array<TowerRecord, kTowerRecordCount> makeRecords(std::index_sequence<I...>) {
    return {TowerRecord{kKeys[I].key, uint32_t(kKeys[I].alpha) | (uint32_t(kKeys[I].gamma) << 8),
                            kData<I>.toTower, kData<I>.fromTower, kData<I>.towerPow, kData<I>.towerLog,
                            kToGfni<I>, kFromGfni<I>}...};
}

constinit const std::array<TowerRecord, kTowerRecordCount> kRecords =
    makeRecords(std::make_index_sequence<kTowerRecordCount>{});

}  // namespace

const TowerRecord* findTowerRecord(uint32_t generatorMask) {
    for (const TowerRecord& r : kRecords)
        if (r.key == generatorMask) return &r;
    return nullptr;
}

std::span<const TowerRecord, kTowerRecordCount> towerRecords() { return kRecords; }

}  // namespace vekdi
