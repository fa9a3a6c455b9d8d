// SPDX-License-Identifier: Apache-2.0
#include "tests/support/fields.h"

#include "tests/support/reference_gf.h"

namespace vekdi::test {

TestField::TestField(int m, uint32_t mask) : TestField(m, mask, smallestGenerator(mask, m)) {}

TestField::TestField(int m, uint32_t mask, uint32_t alpha)
    : m_(m), mask_(mask), storage_((fieldContextSize(m) + 3) / 4) {
    gfBuildTables(storage_.data(), m, mask, alpha);
}

const std::vector<std::pair<int, uint32_t>>& sampleFields() {
    static const std::vector<std::pair<int, uint32_t>> fields = {{1, 0x3}, {4, 0x13}, {8, 0x11D}, {8, 0x11B}};
    return fields;
}

}  // namespace vekdi::test
