// SPDX-License-Identifier: Apache-2.0
#include "simd/tower/gf16_tables.h"

#include <algorithm>
#include <array>
#include <utility>

#include "simd/tower/tower_arith.h"

namespace vekdi::tower {

namespace {

constexpr Gf16Tables makeGf16Tables() {
    Gf16Tables t{};
    uint8_t p = 1;
    for (int i = 0; i < 16; ++i) {
        t.nibbleMask[i] = 0x0F;
        t.powRow[i] = i == 15 ? 1 : p;
        if (i < 15) t.logRow[p] = static_cast<uint8_t>(i);
        p = gf16Mul(p, 2);
    }
    t.logRow[0] = kGf16LogZero;
    for (int a = 0; a < 16; ++a)
        for (int b = 0; b < 16; ++b) t.product[a][b] = gf16Mul(static_cast<uint8_t>(a), static_cast<uint8_t>(b));
    return t;
}

constexpr bool rowIs(const uint8_t* row, const uint8_t (&expect)[16]) {
    for (int i = 0; i < 16; ++i)
        if (row[i] != expect[i]) return false;
    return true;
}

constexpr Gf16Tables kTables = makeGf16Tables();
constexpr uint8_t kLogRow[16] = {0xC0, 0x00, 0x01, 0x04, 0x02, 0x08, 0x05, 0x0A,
                                 0x03, 0x0E, 0x09, 0x07, 0x06, 0x0D, 0x0B, 0x0C};
constexpr uint8_t kPowRow[16] = {0x01, 0x02, 0x04, 0x08, 0x03, 0x06, 0x0C, 0x0B,
                                 0x05, 0x0A, 0x07, 0x0E, 0x0F, 0x0D, 0x09, 0x01};
static_assert(rowIs(kTables.logRow, kLogRow));
static_assert(rowIs(kTables.powRow, kPowRow));

// One row per constant, each its own constant evaluation so no single
// evaluation grows past what every compiler allows.
template <int C>
constexpr auto kConstantRow = [] {
    std::array<uint8_t, 32> row{};
    for (int v = 0; v < 16; ++v) {
        row[v] = towerMul(static_cast<uint8_t>(C), static_cast<uint8_t>(v));
        row[16 + v] = towerMul(static_cast<uint8_t>(C), static_cast<uint8_t>(v << 4));
    }
    return row;
}();

template <int... C>
constexpr TowerConstantProducts makeConstantProducts(std::integer_sequence<int, C...>) {
    TowerConstantProducts t{};
    ((std::copy(kConstantRow<C>.begin(), kConstantRow<C>.end(), t.byConstant[C])), ...);
    return t;
}

}  // namespace

constinit const Gf16Tables gf16Tables = kTables;
constinit const TowerConstantProducts towerConstantProducts =
    makeConstantProducts(std::make_integer_sequence<int, 256>{});

}  // namespace vekdi::tower
