// SPDX-License-Identifier: Apache-2.0
// Polynomial object over GF(2^m) and the internal routines the other
// families build on.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/record_ids.h"
#include "gf/field.h"
#include "vekdi.h"

// Record layout: identifier, capacity (maximum degree + 1), degree, field,
// coefficient pointer, then `capacity` inline coefficient bytes (lowest power
// first). 20-byte header with 32-bit pointers, 32 bytes with 64-bit ones.
// Packed with the padding of the natural layout spelled out, so the object
// works at any address.
struct VEKDI_RECORD VeksPolyGF_8u {
    uint32_t id;      // vekdi::kPolyId
    int32_t capacity; // coefficient slots
    int32_t degree;   // 0 ... capacity-1
    VEKDI_POINTER_PAD
    const VeksGFContext_8u* field;
    uint8_t* coeffs;  // points at the inline storage after initialisation
};

namespace vekdi {

using PolyGF = VeksPolyGF_8u;

inline constexpr int kPolyHeaderSize = static_cast<int>(sizeof(PolyGF));
static_assert(sizeof(void*) != 4 || kPolyHeaderSize == 20, "32-bit layout is 20 bytes");
static_assert(sizeof(void*) != 8 || kPolyHeaderSize == 32, "64-bit layout is 32 bytes");
static_assert(offsetof(PolyGF, field) == (sizeof(void*) == 8 ? 16 : 12));

// Inline storage of an object initialised in place.
inline uint8_t* polyInlineStorage(PolyGF* p) { return reinterpret_cast<uint8_t*>(p) + kPolyHeaderSize; }

// Fills a polynomial object whose coefficients live in someone else's array
// (no inline storage). Used for the wrapped generator polynomial of field
// initialisation and for the decoders' working polynomials in scratch memory.
inline void polyWrap(PolyGF* p, const FieldGF* field, uint8_t* coeffs, int capacity, int degree) {
    p->id = kPolyId;
    p->capacity = capacity;
    p->degree = degree;
    p->field = field;
    p->coeffs = coeffs;
}

// Initialises the zero polynomial in place with `maxDegree + 1` inline slots
// (the record is kPolyHeaderSize + maxDegree + 1 bytes); the caller has
// checked the field and the degree.
void polyInitInPlace(PolyGF* p, const FieldGF* field, int maxDegree);

// Irreducibility (distinct-degree test) and primitivity (order of x) of f
// over its field, after the exports' pointer and identifier checks: the
// statuses and results of veksPolyGFIrreducible_8u / veksPolyGFPrimitive_8u
// for a valid, non-null f. Working polynomials come from the allocator layer.
VekStatus polyIrreducibleTest(const PolyGF* f, int* result);
VekStatus polyPrimitiveTest(const PolyGF* f, int assumeIrreducible, int* result);

// Degree of coeffs[0 ... from] with leading zero coefficients dropped, never below 0.
inline int polyNormalDegree(const uint8_t* coeffs, int from) {
    if constexpr (std::endian::native == std::endian::little) {
        for (; from >= 8; from -= 8) {  // eight coefficients at a time, the highest in the top byte
            uint64_t w;
            std::memcpy(&w, coeffs + from - 7, 8);
            if (w != 0) return from - 7 + (63 - __builtin_clzll(w)) / 8;
        }
    }
    while (from > 0 && coeffs[from] == 0) --from;
    return from;
}

inline void polyNormalise(PolyGF* p) { p->degree = polyNormalDegree(p->coeffs, p->degree); }

inline bool polyIsZero(const PolyGF* p) { return p->degree == 0 && p->coeffs[0] == 0; }

// R = A mod B over A's field (window method). Unchecked: the caller
// guarantees R->capacity > deg B and, when deg A < deg B, R->capacity > deg A.
// R must be distinct from A and B.
void polyRemainder(PolyGF* r, const PolyGF* a, const PolyGF* b);

// R = A * B, schoolbook, over A's field; R distinct from A and B, with
// capacity > deg A + deg B. Normalised.
void polyMulSchoolbook(PolyGF* r, const PolyGF* a, const PolyGF* b);

// R = A' (formal derivative in characteristic 2); R may be A. The caller
// guarantees R->capacity >= deg A (at least 1).
void polyDerivative(PolyGF* r, const PolyGF* a);

// dst = src with its degree normalised; copies the field pointer too. The
// caller guarantees dst->capacity > normalised degree of src.
void polyCopyNormalised(PolyGF* dst, const PolyGF* src);

}  // namespace vekdi
