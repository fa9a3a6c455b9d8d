/* SPDX-License-Identifier: Apache-2.0 */
/*
 * vekdi-codes: erasure coding over buffers, beside the 41 functions of vekdi.h.
 *
 * An erasure code turns k data shards into m parity shards (all of one
 * length) over GF(256) with the generator polynomial 0x11D; any k shards
 * whose rows of the code are independent rebuild the others. The parity
 * matrix (m rows of k coefficients) is one of the built-in kinds below, each
 * byte-identical to the matrix of the library it is named after, or one the
 * caller gives.
 *
 * Conventions:
 * - A code object is created once (the only allocation), is then read-only
 *   and may be shared by any number of threads. No other call allocates.
 * - Every buffer holds `length` bytes, any length (0 included) at any
 *   alignment. Buffers written by a call must not overlap any other buffer of
 *   the call.
 * - A failing call writes nothing. Arguments are checked in this order:
 *   pointers (VekCodesNullPointer), the code object (VekCodesBadCode), counts
 *   and indices (VekCodesBadArgument, VekCodesOutOfRange), overlapping
 *   buffers (VekCodesOverlap), then the arithmetic (VekCodesTooFewSurvivors,
 *   VekCodesSingular).
 * - Statuses are numbered apart from VekStatus (vekdi.h), so both can travel
 *   in one int.
 */
#ifndef VEKDI_CODES_H
#define VEKDI_CODES_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(VEKDI_CODES_STATIC)
#    define VEKDI_CODES_API
#  elif defined(VEKDI_CODES_BUILDING)
#    define VEKDI_CODES_API __declspec(dllexport)
#  else
#    define VEKDI_CODES_API __declspec(dllimport)
#  endif
#else
#  define VEKDI_CODES_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Status codes: 0 or one of the negative values below (all below -1000). */
typedef int32_t VekCodesStatus;
enum {
    VekCodesOk = 0,
    VekCodesNullPointer = -1001,     /**< a required pointer or buffer is null */
    VekCodesBadCode = -1002,         /**< the code object is not one this library created */
    VekCodesBadArgument = -1003,     /**< unknown matrix kind, or a count below one */
    VekCodesOutOfRange = -1004,      /**< k + m above the matrix's limit, or a shard index outside the code */
    VekCodesOverlap = -1005,         /**< a buffer written by the call overlaps another buffer of the call */
    VekCodesTooFewSurvivors = -1006, /**< more than m shards lost: fewer than k remain */
    VekCodesSingular = -1007,        /**< the surviving shards' rows have rank below k: nothing can be rebuilt */
    VekCodesNoMemory = -1008         /**< the code object could not be allocated */
};

/** Text for a status of this library (or "unknown status"); never null. */
VEKDI_CODES_API const char* vekCodesStatusText(VekCodesStatus status);

/** The parity matrix kinds. Limits are on k + m. */
typedef enum VekMatrixKind {
    VekMatrixReedSolomon = 0,         /**< systematic shortened RS(k + m, k), roots alpha^1 ... alpha^m; k + m <= 255 */
    VekMatrixIsalVandermonde = 1,     /**< ISA-L gf_gen_rs_matrix; not MDS for every shape; k + m <= 256 */
    VekMatrixIsalCauchy = 2,          /**< ISA-L gf_gen_cauchy1_matrix; k + m <= 256 */
    VekMatrixJerasureVandermonde = 3, /**< Jerasure reed_sol_vandermonde_coding_matrix(k, m, 8); k + m <= 256 */
    VekMatrixZfec = 4                 /**< zfec's code with k of k + m shares needed; k + m <= 256 */
} VekMatrixKind;

typedef struct VekErasureCode VekErasureCode;

/** Creates the code of the given kind with k data and m parity shards. */
VEKDI_CODES_API VekCodesStatus vekErasureCodeCreate(int k, int m, int kind, VekErasureCode** codeOut);
/** Creates a code from its parity matrix: m rows of k coefficients, row-major;
 * k + m <= 256. The matrix need not be MDS: reconstruct reports the lost
 * sets it cannot rebuild. */
VEKDI_CODES_API VekCodesStatus vekErasureCodeCreateFromMatrix(int k, int m, const uint8_t* rows,
                                                              VekErasureCode** codeOut);
/** Frees a code object; null is ignored. */
VEKDI_CODES_API void vekErasureCodeDestroy(VekErasureCode* code);

/** k, m and the parity matrix (m * k bytes, row-major, owned by the code). */
VEKDI_CODES_API VekCodesStatus vekErasureCodeShape(const VekErasureCode* code, int* kOut, int* mOut,
                                                   const uint8_t** matrixOut);

/** parity[r] = sum over j of matrix[r][j] * data[j], for the k data and m parity buffers. */
VEKDI_CODES_API VekCodesStatus vekErasureCodeEncode(const VekErasureCode* code, const uint8_t* const* data,
                                                    uint8_t* const* parity, size_t length);

/** shards holds k + m buffers (data 0 ... k - 1, then parity). The lostCount
 * indices in lost (repeats allowed) are rebuilt into their buffers without
 * being read; the other buffers are only read. The survivors used are k
 * shards whose rows are independent, data shards first, then parity shards
 * in index order as needed. */
VEKDI_CODES_API VekCodesStatus vekErasureCodeReconstruct(const VekErasureCode* code, uint8_t* const* shards,
                                                         const int* lost, int lostCount, size_t length);

/** The decode matrix of a lost set: the lost shards' distinct indices in
 * ascending order (rowsOut of them, written to lostOut, at most m), the k
 * survivors reconstruct would read (survivorsOut, ascending), and
 * matrixOut[i * k + j], the coefficient of survivor j in lost shard i. The
 * output arrays hold m, k and m * k entries. */
VEKDI_CODES_API VekCodesStatus vekErasureCodeDecodeMatrix(const VekErasureCode* code, const int* lost,
                                                          int lostCount, int* rowsOut, int* lostOut,
                                                          int* survivorsOut, uint8_t* matrixOut);

/** The share of data shards first ... first + count - 1 in the parity:
 * parity[r] = sum over j < count of matrix[r][first + j] * data[j], written
 * over the parity buffers, or added to them (XOR) when accumulate is nonzero.
 * Encoding the data shards in consecutive parts, the first part written and
 * the others added, gives encode's parity (a shard in no part counts as
 * zero), so data that arrives in pieces needs no copy of the whole stripe. */
VEKDI_CODES_API VekCodesStatus vekErasureCodeEncodePart(const VekErasureCode* code, int first, int count,
                                                        const uint8_t* const* data, uint8_t* const* parity,
                                                        size_t length, int accumulate);

/** Brings every parity buffer up to date after data shard `index` changed:
 * delta holds old XOR new bytes of that shard; no other shard is read. */
VEKDI_CODES_API VekCodesStatus vekErasureCodeUpdate(const VekErasureCode* code, int index, const uint8_t* delta,
                                                    uint8_t* const* parity, size_t length);

/** A scrub of k + m buffers: *matchesOut = 1 when every parity buffer holds
 * the parity of the data buffers, else 0. */
VEKDI_CODES_API VekCodesStatus vekErasureCodeCheck(const VekErasureCode* code, const uint8_t* const* shards,
                                                   size_t length, int* matchesOut);

/** The name of the region kernels this process uses ("avx512-gfni", "neon", ...). */
VEKDI_CODES_API const char* vekErasureCodeKernelName(void);

#ifdef __cplusplus
}
#endif

/** Reed-Solomon codes of every shape (shortened, root steps, dual basis). */
#include "vekdi_codes_rs.h"

#endif /* VEKDI_CODES_H */
