// SPDX-License-Identifier: Apache-2.0
#include <cstddef>

#include "gf/field.h"

namespace vekdi {

namespace {
// GF(2) with generator x + 1, laid out exactly as a built context: the
// header, then expTable = {1, 1}, then logTable = {255, 0}.
struct BinaryFieldRecord {
    FieldGF header;
    uint8_t tables[4];
};

constexpr BinaryFieldRecord kBinaryField = {
    {kFieldId, 1, 2, 3, 2, kFieldHeaderSize, kFieldHeaderSize + 2},
    {1, 1, 255, 0},
};
static_assert(offsetof(BinaryFieldRecord, tables) == kFieldHeaderSize);
}  // namespace

const FieldGF* gfBuiltinBinaryField() { return &kBinaryField.header; }

}  // namespace vekdi
