// SPDX-License-Identifier: Apache-2.0
// Field context GF(2^m), 1 <= m <= 8, and the table arithmetic every family
// uses on its inner loops.
#pragma once

#include <cstdint>

#include "base/record_ids.h"
#include "base/record_layout.h"
#include "gf/log_arith.h"
#include "vekdi.h"

// The record layout: five 32-bit words, two 32-bit words where a 32-bit
// build of the layout keeps its two table pointers, then the antilogarithm
// and logarithm tables (order bytes each). The tables are always addressed at
// their fixed position after the header, so the record is 28 + 2*order bytes
// on every target and stays valid when copied. The two words hold the byte
// offsets of the tables from the record start. A caller may place the
// record at any address, so the type is packed (alignment 1): every member
// access is a plain unaligned load, defined on every target.
struct VEKDI_RECORD VeksGFContext_8u {
    uint32_t id;             // vekdi::kFieldId
    int32_t m;               // extension degree 1 ... 8
    uint32_t order;          // q = 2^m
    uint32_t generatorMask;  // bit i = coefficient of x^i, bit m set
    uint32_t alpha;          // primitive element in the low byte
    uint32_t expTableOffset;
    uint32_t logTableOffset;
};

namespace vekdi {

using FieldGF = VeksGFContext_8u;

inline constexpr int kFieldHeaderSize = 28;
static_assert(sizeof(FieldGF) == kFieldHeaderSize);
static_assert(alignof(FieldGF) == 1);

inline constexpr int fieldContextSize(int m) { return kFieldHeaderSize + 2 * (1 << m); }

// expTable[i] = alpha^i for i = 0 ... order-1 (expTable[order-1] = 1).
inline const uint8_t* expTable(const FieldGF* f) {
    return reinterpret_cast<const uint8_t*>(f) + kFieldHeaderSize;
}
// logTable[alpha^i] = i for i = 0 ... order-2; logTable[0] = 255 (never used in arithmetic).
inline const uint8_t* logTable(const FieldGF* f) { return expTable(f) + f->order; }

// The field's arithmetic through its own tables (gf/log_arith.h).
inline LogArith fieldLogs(const FieldGF* f) { return {expTable(f), logTable(f), f->order - 1}; }

// Table product, quotient and inverse of elements that may come from a
// caller: operands are masked to the field's width first, so no byte value
// can index past a table (for elements below the order the mask changes
// nothing); a zero divisor after masking gives 0.
inline uint8_t gfMulTable(const FieldGF* f, unsigned a, unsigned b) {
    const unsigned n = f->order - 1;
    return fieldLogs(f).mul(uint8_t(a & n), uint8_t(b & n));
}

inline uint8_t gfDivTable(const FieldGF* f, unsigned a, unsigned b) {
    const unsigned n = f->order - 1;
    if ((b & n) == 0) return 0;
    return fieldLogs(f).div(uint8_t(a & n), uint8_t(b & n));
}

inline uint8_t gfInvTable(const FieldGF* f, unsigned a) {
    const unsigned n = f->order - 1;
    if ((a & n) == 0) return 0;
    return fieldLogs(f).inverse(uint8_t(a & n));
}

// The built-in GF(2) with generator x + 1; static and read-only.
const FieldGF* gfBuiltinBinaryField();

// Fills a whole field context at `context` (room for 28 + 2*2^m bytes). The
// caller guarantees 1 <= m <= 8, a generator of degree m defining a field,
// and an alpha that generates the multiplicative group.
void gfBuildTables(void* context, int m, uint32_t generatorMask, uint32_t alpha);

// Status of the checks shared by the element exports: null result or field,
// wrong identifier.
inline VekStatus checkFieldArgs(const void* result, const FieldGF* f) {
    if (result == nullptr || f == nullptr) return StatusNullPointer;
    if (f->id != kFieldId) return StatusContextMismatch;
    return StatusOk;
}

}  // namespace vekdi
