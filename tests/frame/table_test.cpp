// SPDX-License-Identifier: Apache-2.0
// The implementation table: 41 slots, shared slots for the two pairs of
// add/sub exports, every other slot its own implementation.
#include <gtest/gtest.h>

#include <set>

#include "frame/table.h"
#include "tests/support/fields.h"

namespace vekdi {
namespace {

TEST(ImplementationTable, SharedSlotsAndDistinctImplementations) {
    EXPECT_EQ(implSlot(1), implSlot(11));
    EXPECT_EQ(implSlot(12), implSlot(29));
    std::set<const void*> distinct;
    for (int slot = 0; slot < kExportCount; ++slot) {
        ASSERT_NE(implSlot(slot), nullptr) << slot;
        distinct.insert(implSlot(slot));
    }
    EXPECT_EQ(distinct.size(), size_t(kExportCount - 2));
    EXPECT_EQ(implSlot(-1), nullptr);
    EXPECT_EQ(implSlot(kExportCount), nullptr);
}

TEST(ImplementationTable, AddAndSubAgreeOnEveryInputAndStatus) {
    test::TestField field(4, 0x13);
    for (unsigned a = 0; a < 20; ++a) {
        for (unsigned b = 0; b < 20; ++b) {
            uint8_t r1 = 1, r2 = 1;
            ASSERT_EQ(veksGFAdd_8u(uint8_t(a), uint8_t(b), &r1, field), veksGFSub_8u(uint8_t(a), uint8_t(b), &r2, field));
            ASSERT_EQ(r1, r2);
        }
    }
}

}  // namespace
}  // namespace vekdi
