// SPDX-License-Identifier: Apache-2.0
// The nine element exports: each a handful of table lookups after the checks
// (result and field pointers, field identifier, element ranges, then the
// conditions of the arithmetic).
#include <cstdint>

#include "base/slot_byte.h"
#include "gf/exports.h"
#include "gf/field.h"

namespace vekdi::gf {

namespace {
// Brings e in 0 ... 2^32 into 0 ... n-1 by folding with 2^m = 1 (mod n).
uint64_t foldModN(uint64_t e, unsigned n, int m) {
    while (e >= n) e = ((e - n) >> m) + ((e - n) & n);
    return e;
}
}  // namespace

VekStatus veksGFGetSize_8u(int m, int* sizeOut) {
    if (sizeOut == nullptr) return StatusNullPointer;
    if (m < 1 || m > 8) return StatusOutOfRange;
    *sizeOut = fieldContextSize(m);
    return StatusOk;
}

VekStatus veksGFAdd_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* f) {
    a = slotByte(a);
    b = slotByte(b);
    if (VekStatus st = checkFieldArgs(result, f)) return st;
    if (a >= f->order || b >= f->order) return StatusOutOfRange;
    *result = static_cast<uint8_t>(a ^ b);
    return StatusOk;
}

VekStatus veksGFNeg_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* f) {
    a = slotByte(a);
    if (VekStatus st = checkFieldArgs(result, f)) return st;
    if (a >= f->order) return StatusOutOfRange;
    *result = a;
    return StatusOk;
}

VekStatus veksGFMul_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* f) {
    a = slotByte(a);
    b = slotByte(b);
    if (VekStatus st = checkFieldArgs(result, f)) return st;
    if (a >= f->order || b >= f->order) return StatusOutOfRange;
    *result = gfMulTable(f, a, b);
    return StatusOk;
}

VekStatus veksGFDiv_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* f) {
    a = slotByte(a);
    b = slotByte(b);
    if (VekStatus st = checkFieldArgs(result, f)) return st;
    if (a >= f->order || b >= f->order) return StatusOutOfRange;
    if (b == 0) return StatusDivideByZero;
    *result = gfDivTable(f, a, b);
    return StatusOk;
}

VekStatus veksGFInv_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* f) {
    a = slotByte(a);
    if (VekStatus st = checkFieldArgs(result, f)) return st;
    if (a >= f->order) return StatusOutOfRange;
    if (a == 0) return StatusDivideByZero;
    *result = gfInvTable(f, a);
    return StatusOk;
}

VekStatus veksGFPow_8u(uint8_t a, int e, uint8_t* result, const VeksGFContext_8u* f) {
    a = slotByte(a);
    if (VekStatus st = checkFieldArgs(result, f)) return st;
    if (a >= f->order) return StatusOutOfRange;
    if (a == 0) {
        *result = 0;
        return StatusOk;
    }
    const unsigned n = f->order - 1;
    const int m = f->m;
    int64_t ee = e;
    if (ee < 0) ee += int64_t(n) * ((int64_t(n) - ee - 1) / int64_t(n));
    uint64_t r = foldModN(static_cast<uint64_t>(ee), n, m);
    if (r == 0) {
        *result = 1;
        return StatusOk;
    }
    const uint64_t prod = uint64_t(logTable(f)[a]) * r;
    *result = expTable(f)[foldModN(prod, n, m)];
    return StatusOk;
}

VekStatus veksGFExpAlpha_8u(uint8_t e, uint8_t* result, const VeksGFContext_8u* f) {
    e = slotByte(e);
    if (VekStatus st = checkFieldArgs(result, f)) return st;
    if (e >= f->order) return StatusOutOfRange;
    *result = expTable(f)[e];
    return StatusOk;
}

VekStatus veksGFLogAlpha_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* f) {
    a = slotByte(a);
    if (VekStatus st = checkFieldArgs(result, f)) return st;
    if (a >= f->order) return StatusOutOfRange;
    if (a == 0) return StatusBadArgument;
    *result = logTable(f)[a];
    return StatusOk;
}

}  // namespace vekdi::gf
