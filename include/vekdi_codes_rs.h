/* SPDX-License-Identifier: Apache-2.0 */
/*
 * vekdi-codes: Reed-Solomon codes of every shape, from C.
 *
 * Included by vekdi_codes.h; the conventions written there hold here too
 * (one allocation when a code is created, read-only and shareable code
 * objects, a failing call writes nothing, statuses apart from VekStatus).
 *
 * A code is RS(n, k) over GF(2^m), m = 1 ... 8, with any field generator
 * (irreducible; alpha is x when it is primitive, else the smallest element of
 * order 2^m - 1), 1 <= k < n <= 2^m - 1. A code with n < 2^m - 1 is the
 * shortened code: the full one with 2^m - 1 - n leading zero symbols that are
 * never stored. The generator's roots are
 *   (alpha^rootStep)^(fcr + i), i = 0 ... n - k - 1        (root == 0), or
 *   root * (alpha^rootStep)^i                               (root != 0),
 * rootStep coprime to 2^m - 1. With dualBasis (polynomial 0x187 only) the
 * symbols are written in the CCSDS dual basis.
 *
 * Symbols are bytes; for m < 8 a byte at or above 2^m is refused
 * (VekCodesBadSymbol). A codeword is the k message bytes followed by the
 * n - k parity bytes; position i is byte i, 0 ... n - 1.
 *
 * Decoding corrects errors and erasures whenever 2 * errors + erasures <=
 * n - k, and never reports success with a word that is not a codeword of the
 * code. A word that cannot be corrected is left exactly as it was; the call
 * returns VekCodesUncorrectable and the report (the only thing written) says
 * so. Every other failing call writes nothing.
 */
#ifndef VEKDI_CODES_RS_H
#define VEKDI_CODES_RS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/** Statuses of the Reed-Solomon calls, besides those of vekdi_codes.h. */
enum {
    VekCodesUncorrectable = -1101, /**< the word could not be corrected; it is left as it was */
    VekCodesBadSymbol = -1102,     /**< a byte is not a symbol of the field (at or above 2^m) */
    VekCodesBadField = -1103       /**< the polynomial's degree is not 1 ... 8, or it is reducible */
};

/** Text for any status of vekdi_codes.h, these included; never null. */
VEKDI_CODES_API const char* vekRsStatusText(int32_t status);

/** How a code is defined (see above). A null options pointer means
 * { 0x11D, 1, 1, 0, 0 }. CCSDS RS(255, 223) is { 0x187, 112, 11, 0, 1 }. */
typedef struct VekRsCodeOptions {
    uint32_t polynomial; /**< generator mask with its x^m term: 0x11D, 0x187, 0x13, ... */
    int32_t fcr;         /**< first consecutive root, any integer (used when root == 0) */
    int32_t rootStep;    /**< positive, coprime to 2^m - 1 */
    int32_t root;        /**< 0, or the first root itself, an element of the field */
    int32_t dualBasis;   /**< 0 or 1 */
} VekRsCodeOptions;

typedef enum VekRsAlgorithm { VekRsBerlekampMassey = 0, VekRsEuclid = 1 } VekRsAlgorithm;

/** What one decode did. Positions are bytes of the codeword (below 255). */
typedef struct VekRsReport {
    int32_t status;              /**< VekCodesOk or VekCodesUncorrectable */
    int32_t corrected;           /**< symbols changed (0 when uncorrectable) */
    int32_t errorCount;          /**< changed positions outside the erasure list */
    int32_t erasureCount;        /**< the erasures given, without repeats */
    uint8_t errorPositions[255]; /**< errorCount of them, ascending */
    uint8_t erasurePositions[255]; /**< erasureCount of them, ascending */
} VekRsReport;

typedef struct VekRsCode VekRsCode;

/** Creates RS(n, k) with the given options (null: the defaults). Statuses:
 * VekCodesBadField, VekCodesOutOfRange (n, k, or root not an element),
 * VekCodesBadArgument (root step, dual basis without 0x187), VekCodesNoMemory. */
VEKDI_CODES_API int32_t vekRsCodeCreate(int n, int k, const VekRsCodeOptions* options, VekRsCode** codeOut);
/** Frees a code object; null is ignored. */
VEKDI_CODES_API void vekRsCodeDestroy(VekRsCode* code);
/** n, k and the options the code was created with; each output may be null. */
VEKDI_CODES_API int32_t vekRsCodeShape(const VekRsCode* code, int* nOut, int* kOut, VekRsCodeOptions* optionsOut);

/** codeword = message (k bytes) followed by its n - k parity bytes. The
 * message may be the first k bytes of the codeword; no other overlap. */
VEKDI_CODES_API int32_t vekRsEncode(const VekRsCode* code, const uint8_t* message, uint8_t* codeword);
/** Only the n - k parity bytes of a k-byte message. */
VEKDI_CODES_API int32_t vekRsParity(const VekRsCode* code, const uint8_t* message, uint8_t* parity);

/** Corrects the n-byte word in place. erasures: erasureCount positions
 * 0 ... n - 1, repeats allowed (may be null when erasureCount is 0).
 * algorithm: a VekRsAlgorithm. report may be null. Returns VekCodesOk or
 * VekCodesUncorrectable (word untouched, report filled) or an argument
 * status (nothing written). */
VEKDI_CODES_API int32_t vekRsDecode(const VekRsCode* code, uint8_t* codeword, const int* erasures, int erasureCount,
                                    int algorithm, VekRsReport* report);

/** *isCodewordOut = 1 when the n bytes are a codeword, else 0. */
VEKDI_CODES_API int32_t vekRsCheck(const VekRsCode* code, const uint8_t* codeword, int* isCodewordOut);

/** Encodes `words` messages of k bytes laid end to end into `words` codewords
 * of n bytes laid end to end. The two buffers must not overlap.
 * On x86-64 with AVX-512 and GFNI (not Windows builds) the batch calls work
 * on 64 words at a time across vector lanes: encoding for every code,
 * decoding for fields of 256 elements with n - k <= 64 (others one word at a
 * time). Codewords and reports are those of the single-word calls. */
VEKDI_CODES_API int32_t vekRsEncodeBlocks(const VekRsCode* code, const uint8_t* messages, uint8_t* codewords,
                                          size_t words);

/** Decodes `words` codewords of n bytes laid end to end, each in place.
 * Erasures per word: erasureCounts[w] positions of word w (0 ... n - 1,
 * repeats allowed), those of word 0 first in `erasures`, then those of word
 * 1, and so on (erasures holds the sum of the counts). Both may be null for
 * no erasures at all. reports (null, or `words` entries) gets one report per
 * word. A word that cannot be corrected is left as it was while the others
 * are corrected; *failedWordsOut (may be null) counts them. Returns VekCodesOk
 * whenever the arguments are good, whatever the words; an argument status
 * (any erasure list included) writes nothing. */
VEKDI_CODES_API int32_t vekRsDecodeBlocks(const VekRsCode* code, uint8_t* codewords, size_t words,
                                          const int* erasures, const int* erasureCounts, int algorithm,
                                          VekRsReport* reports, size_t* failedWordsOut);

#ifdef __cplusplus
}
#endif

#endif /* VEKDI_CODES_RS_H */
