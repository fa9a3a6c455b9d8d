/* SPDX-License-Identifier: Apache-2.0 */
/**
 * @file
 * vekdi: data-integrity primitives with a plain C ABI.
 *
 * Arithmetic in GF(2^m) for m = 1 ... 8, polynomials over those fields, and
 * Reed-Solomon codes (systematic encoder; Berlekamp-Massey and extended
 * Euclidean errors-and-erasures decoders).
 *
 * Usage pattern for every record: ask for its size, allocate that many bytes,
 * initialise it through the library, pass it to the operations, free it
 * yourself. The library never allocates or frees a caller's record. Records
 * point into their own memory (see the notes per record below), so an
 * initialised record must not be moved or copied bytewise.
 *
 * Every function except vekdiGetLibVersion returns a VekStatus. A failing call
 * writes nothing. Arguments are checked in one order: required pointers
 * (StatusNullPointer), record identifiers (StatusContextMismatch), scalar
 * ranges (StatusOutOfRange, StatusBadArgument, StatusNegativeShift),
 * destination capacities (StatusDestinationTooSmall), then conditions of the
 * arithmetic (StatusDivideByZero, StatusDecodeFailure).
 *
 * Field elements are bytes in polynomial basis (bit i = coefficient of x^i).
 * Element arguments occupy a 32-bit argument slot; only their low 8 bits are
 * read.
 *
 * Record sizes (P = pointer width in bytes, R16(x) = x rounded up to a
 * multiple of 16, r = n - k):
 *
 * ```text
 *   record                  32-bit pointers          64-bit pointers
 *   field context           28 + 2*2^m               28 + 2*2^m
 *   polynomial object       maxDegree + 21           maxDegree + 33
 *   encoder context         n - k + 41               n - k + 65
 *   decoder context         5*R16(r) + 1094          5*R16(r) + 1130
 *   encoder scratch         2n - k                   2n - k
 *   BM decoder scratch      R16(n) + 3*R16(r+1) + 7*R16(r) + 15       (both)
 *   EE decoder scratch      R16(n) + R16(2r+1) + 2*R16(r+1) + 7*R16(r) + 15
 * ```
 *
 * Always take the sizes from the size queries; the table is documentation.
 * The field context addresses its tables at a fixed position after its
 * header, so it is the same size on every target.
 *
 * All functions are reentrant and take no locks. Records that a call only
 * reads (field contexts, source polynomials, encoder and decoder contexts) may
 * be shared by any number of threads; every encode or decode call needs its
 * own scratch buffer.
 */
#ifndef VEKDI_H
#define VEKDI_H

#include <stdint.h>

/* VEKDI_VERSION_MAJOR, _MINOR, _PATCH, VEKDI_VERSION_STRING: the package version. */
#include "vekdi_version.h"

#if defined(_WIN32)
   /* The DLL's exports and their ordinals come from its module-definition
    * file, so the library's own objects carry no export directives. */
#  if defined(VEKDI_BUILDING_LIBRARY) || defined(VEKDI_STATIC)
#    define VEKDI_API
#  else
#    define VEKDI_API __declspec(dllimport)
#  endif
#else
#  define VEKDI_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Status codes. There are no positive (warning) codes. */
typedef int32_t VekStatus;
enum {
    StatusOk = 0,
    StatusNoMemory = -4,            /**< working memory of a polynomial test unavailable */
    StatusBadArgument = -5,         /**< unacceptable degree, count, generator, root or erasure list */
    StatusDecodeFailure = -6,       /**< the received word could not be corrected */
    StatusOutOfRange = -7,          /**< element not below the field order; m, n or k out of range */
    StatusNullPointer = -8,         /**< a required pointer is null */
    StatusDivideByZero = -10,       /**< division by, or inverse of, the zero element */
    StatusDestinationTooSmall = -11,/**< destination polynomial cannot hold the result */
    StatusContextMismatch = -17,    /**< record does not carry the identifier its argument needs */
    StatusNegativeShift = -32       /**< negative shift count */
};

/* Functions defined in this header: inline where the language has it (C99,
 * C++), and for C89 compilers the spelling they offer; never exports. */
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 199901L)
#  define VEKDI_INLINE static inline
#elif defined(__GNUC__)
#  define VEKDI_INLINE static __inline__
#elif defined(_MSC_VER)
#  define VEKDI_INLINE static __inline
#else
#  define VEKDI_INLINE static
#endif

/** Text for a status code, for messages; never null. Inline, so it is no
 * export of the library. */
VEKDI_INLINE const char* vekdiStatusText(VekStatus status) {
    switch (status) {
    case StatusOk: return "ok";
    case StatusNoMemory: return "working memory unavailable";
    case StatusBadArgument: return "bad argument (degree, count, generator, root or erasure list)";
    case StatusDecodeFailure: return "the received word could not be corrected";
    case StatusOutOfRange: return "value out of range (element not below the field order, or m, n or k)";
    case StatusNullPointer: return "a required pointer is null";
    case StatusDivideByZero: return "division by zero";
    case StatusDestinationTooSmall: return "destination too small";
    case StatusContextMismatch: return "record of the wrong kind or not initialised";
    case StatusNegativeShift: return "negative shift count";
    default: return "unknown status";
    }
}

/** Version record: static, read-only, the same pointer on every call. */
typedef struct VekdiLibVersion {
    int32_t versionMajor;     /**< major version */
    int32_t versionMinor;     /**< minor version */
    int32_t versionUpdate;    /**< update within the minor version */
    int32_t revision;         /**< build revision */
    char targetCode[4];       /**< code of the target the library was built for, NUL-padded */
    const char* libraryName;  /**< the library's name and target */
    const char* versionText;  /**< the version and revision as text */
    const char* buildDate;    /**< the build date as text */
} VekdiLibVersion;

/* Opaque records; allocate them at the size their query reports. */
typedef struct VeksGFContext_8u VeksGFContext_8u; /**< field context GF(2^m) */
typedef struct VeksPolyGF_8u VeksPolyGF_8u;       /**< polynomial object */
typedef struct VeksRSEncoder_8u VeksRSEncoder_8u; /**< Reed-Solomon encoder context */
typedef struct VeksRSDecoder_8u VeksRSDecoder_8u; /**< Reed-Solomon decoder context */

/* The records' former names, kept so that existing sources still compile.
 * C type names never reach the binary: the library is the same either way. */
#if defined(__GNUC__) || defined(__clang__)
#define VEKDI_DEPRECATED_NAME(newName) __attribute__((deprecated("use " #newName)))
#else
#define VEKDI_DEPRECATED_NAME(newName)
#endif
typedef VeksGFContext_8u VeksGFSpec_8u VEKDI_DEPRECATED_NAME(VeksGFContext_8u); /**< former name of VeksGFContext_8u */
typedef VeksRSEncoder_8u VeksRSEncodeSpec_8u VEKDI_DEPRECATED_NAME(VeksRSEncoder_8u); /**< former name of VeksRSEncoder_8u */
typedef VeksRSDecoder_8u VeksRSDecodeSpec_8u VEKDI_DEPRECATED_NAME(VeksRSDecoder_8u); /**< former name of VeksRSDecoder_8u */

/** The library's version record (never null). */
VEKDI_API const VekdiLibVersion* vekdiGetLibVersion(void);

/* ---- Field GF(2^m), m = 1 ... 8 ------------------------------------------ */

/** *sizeOut: the size in bytes of a field context for GF(2^m). */
VEKDI_API VekStatus veksGFGetSize_8u(int m, int* sizeOut);
/** generatorCoeffs: m + 1 bytes, entry i the coefficient (0 or 1) of x^i; entry m must be 1.
 * The polynomial must be irreducible over GF(2). alpha is x when it is primitive, otherwise
 * the smallest element of multiplicative order 2^m - 1. */
VEKDI_API VekStatus veksGFInit_8u(int m, const uint8_t* generatorCoeffs, VeksGFContext_8u* fieldCtx);
/** *result = a + b. */
VEKDI_API VekStatus veksGFAdd_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx);
/** *result = a - b (the same as a + b). */
VEKDI_API VekStatus veksGFSub_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx);
/** *result = -a (the same as a). */
VEKDI_API VekStatus veksGFNeg_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* fieldCtx);
/** *result = a * b. */
VEKDI_API VekStatus veksGFMul_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx);
/** *result = a / b; StatusDivideByZero when b is 0. */
VEKDI_API VekStatus veksGFDiv_8u(uint8_t a, uint8_t b, uint8_t* result, const VeksGFContext_8u* fieldCtx);
/** *result = 1 / a; StatusDivideByZero when a is 0. */
VEKDI_API VekStatus veksGFInv_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* fieldCtx);
/** a^e for any signed e; 0^e = 0 for every e. */
VEKDI_API VekStatus veksGFPow_8u(uint8_t a, int e, uint8_t* result, const VeksGFContext_8u* fieldCtx);
/** *result: alpha^e, alpha the field context's primitive element. */
VEKDI_API VekStatus veksGFExpAlpha_8u(uint8_t e, uint8_t* result, const VeksGFContext_8u* fieldCtx);
/** *result: The logarithm of a to base alpha, 0 ... 2^m - 2. */
VEKDI_API VekStatus veksGFLogAlpha_8u(uint8_t a, uint8_t* result, const VeksGFContext_8u* fieldCtx);

/* ---- Polynomials over GF(2^m) --------------------------------------------- */
/* Coefficient i is that of x^i, lowest power first. Results are normalised
 * (leading zero coefficients dropped, degree never below 0). */

/** *sizeOut: the size in bytes of a polynomial object for degrees up to maxDegree. */
VEKDI_API VekStatus veksPolyGFGetSize_8u(int maxDegree, int* sizeOut);
/** Initialises a polynomial object over fieldCtx holding degrees up to maxDegree. */
VEKDI_API VekStatus veksPolyGFInit_8u(const VeksGFContext_8u* fieldCtx, int maxDegree, VeksPolyGF_8u* poly);
/** Copies degree + 1 coefficients (lowest power first) into poly and records degree as given (a zero
 * leading coefficient is kept). */
VEKDI_API VekStatus veksPolyGFSetCoeffs_8u(const uint8_t* coeffsIn, int degree, VeksPolyGF_8u* poly);
/** Records degree as poly's degree: raising it clears the new coefficients, lowering it changes none. */
VEKDI_API VekStatus veksPolyGFSetDegree_8u(int degree, VeksPolyGF_8u* poly);
/** Each of the three outputs is optional (left alone when null). */
VEKDI_API VekStatus veksPolyGFGetRef_8u(uint8_t** coeffsOut, int* degreeOut, const VeksGFContext_8u** fieldOut,
                                        const VeksPolyGF_8u* poly);
/** dst = src: dst takes src's normalised degree and its field; a dst too small for them is refused. */
VEKDI_API VekStatus veksPolyGFCopy_8u(const VeksPolyGF_8u* src, VeksPolyGF_8u* dst);
/** r = a + b; r may be either operand or both. */
VEKDI_API VekStatus veksPolyGFAdd_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r);
/** r = a - b (the same as a + b); r may be either operand or both. */
VEKDI_API VekStatus veksPolyGFSub_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r);
/** r must be a third object, distinct from both operands. */
VEKDI_API VekStatus veksPolyGFMul_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r);
/** r = a * x^shift; r may be a. */
VEKDI_API VekStatus veksPolyGFShlC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r);
/** r = a div x^shift (terms below x^shift dropped); r may be a. */
VEKDI_API VekStatus veksPolyGFShrC_8u(const VeksPolyGF_8u* a, int shift, VeksPolyGF_8u* r);
/** r = a', the formal derivative; r may be a. */
VEKDI_API VekStatus veksPolyGFDerive_8u(const VeksPolyGF_8u* a, VeksPolyGF_8u* r);
/** *valueOut = a(x). */
VEKDI_API VekStatus veksPolyGFValue_8u(const VeksPolyGF_8u* a, uint8_t x, uint8_t* valueOut);
/** q and r: the quotient and remainder of a / b; q and r distinct from a, b and each other. */
VEKDI_API VekStatus veksPolyGFDiv_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* q,
                                     VeksPolyGF_8u* r);
/** r = a mod b; r distinct from a and b. */
VEKDI_API VekStatus veksPolyGFMod_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* r);
/** roots: room for min(degree, order - 1) bytes. */
VEKDI_API VekStatus veksPolyGFRoots_8u(const VeksPolyGF_8u* p, uint8_t* roots, int* countOut);
/** g: the greatest common divisor of a and b. */
VEKDI_API VekStatus veksPolyGFGCD_8u(const VeksPolyGF_8u* a, const VeksPolyGF_8u* b, VeksPolyGF_8u* g);
/** *result: 1 irreducible, 0 reducible. */
VEKDI_API VekStatus veksPolyGFIrreducible_8u(const VeksPolyGF_8u* f, int* result);
/** *result: 1 when x has order 2^n - 1 modulo f. assumeIrreducible == 1 skips the irreducibility test. */
VEKDI_API VekStatus veksPolyGFPrimitive_8u(const VeksPolyGF_8u* f, int assumeIrreducible, int* result);

/* ---- Reed-Solomon codes, n = 2^m - 1 -------------------------------------- */
/* Byte i of an n-byte codeword is the coefficient of x^(n-1-i): the k message
 * bytes first, the n - k parity bytes last. Generator roots root*alpha^j,
 * j = 0 ... n-k-1. Erasure positions are byte indices 0 ... n-1. */

/** *sizeOut: the size in bytes of an encoder context for RS(n, k). */
VEKDI_API VekStatus veksRSEncodeGetSize_8u(int n, int k, int* sizeOut);
/** Initialises an encoder for RS(n, k) over fieldCtx with generator roots root*alpha^j. */
VEKDI_API VekStatus veksRSEncodeInit_8u(int n, int k, const VeksGFContext_8u* fieldCtx, uint8_t root,
                                        VeksRSEncoder_8u* encoder);
/** *sizeOut: the size in bytes of the scratch buffer veksRSEncode_8u needs. */
VEKDI_API VekStatus veksRSEncodeGetBufferSize_8u(const VeksRSEncoder_8u* encoder, int* sizeOut);
/** message may be the buffer or the codeword; codeword may be the buffer. */
VEKDI_API VekStatus veksRSEncode_8u(const uint8_t* message, uint8_t* codeword, const VeksRSEncoder_8u* encoder,
                                    uint8_t* buffer);

/** *sizeOut: the size in bytes of a decoder context for RS(n, k). */
VEKDI_API VekStatus veksRSDecodeGetSize_8u(int n, int k, int* sizeOut);
/** Initialises a decoder for RS(n, k) over fieldCtx with generator roots root*alpha^j. */
VEKDI_API VekStatus veksRSDecodeInit_8u(int n, int k, const VeksGFContext_8u* fieldCtx, uint8_t root,
                                        VeksRSDecoder_8u* decoder);
/** *sizeOut: the size in bytes of the scratch buffer veksRSDecodeBM_8u needs. */
VEKDI_API VekStatus veksRSDecodeBMGetBufferSize_8u(const VeksRSDecoder_8u* decoder, int* sizeOut);
/** *sizeOut: the size in bytes of the scratch buffer veksRSDecodeEE_8u needs. */
VEKDI_API VekStatus veksRSDecodeEEGetBufferSize_8u(const VeksRSDecoder_8u* decoder, int* sizeOut);
/** Corrects errors and the listed erasures with the Berlekamp-Massey algorithm. erasures may be null (no erasures). The codeword is corrected in place; on
 * StatusDecodeFailure it is left untouched. The buffer must not overlap it. */
VEKDI_API VekStatus veksRSDecodeBM_8u(const int* erasures, int erasureCount, uint8_t* codeword,
                                      const VeksRSDecoder_8u* decoder, uint8_t* buffer);
/** The same decode with the extended Euclidean algorithm in place of Berlekamp-Massey. */
VEKDI_API VekStatus veksRSDecodeEE_8u(const int* erasures, int erasureCount, uint8_t* codeword,
                                      const VeksRSDecoder_8u* decoder, uint8_t* buffer);

#ifdef __cplusplus
}
#endif

#endif /* VEKDI_H */
