/* SPDX-License-Identifier: Apache-2.0 */
/* Demonstration on built-in data: the version record, a few field
 * computations in GF(256), and a Reed-Solomon RS(255, 223) round trip through
 * a damaged channel with both decoders. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vekdi.h"

static void check(VekStatus st, const char* what) {
    if (st != StatusOk) {
        fprintf(stderr, "%s failed with status %d\n", what, (int)st);
        exit(1);
    }
}

enum { N = 255, K = 223 };

static void* allocChecked(size_t size) {
    void* p = malloc(size);
    if (p == NULL) {
        fprintf(stderr, "out of memory\n");
        exit(1);
    }
    return p;
}

/* Decodes a copy of `received` with one decoder and reports the outcome. */
static int decodeAndReport(const char* name, VekStatus (*decode)(const int*, int, uint8_t*, const VeksRSDecoder_8u*,
                                                                 uint8_t*),
                           VekStatus (*bufferSize)(const VeksRSDecoder_8u*, int*), const VeksRSDecoder_8u* decoder,
                           const uint8_t* received, const uint8_t* sent, const int* erasures, int erasureCount) {
    int size = 0;
    check(bufferSize(decoder, &size), "buffer size query");
    uint8_t* buffer = (uint8_t*)allocChecked((size_t)size);
    uint8_t word[N];
    memcpy(word, received, N);
    VekStatus st = decode(erasures, erasureCount, word, decoder, buffer);
    int changed = 0;
    for (int i = 0; i < N; ++i) changed += word[i] != received[i];
    int restored = memcmp(word, sent, N) == 0;
    printf("  %-16s status %d (%s), %d bytes changed, codeword %s\n", name, (int)st,
           st == StatusOk ? "ok" : st == StatusDecodeFailure ? "decode failure" : "error", changed,
           restored ? "restored" : "not restored");
    free(buffer);
    return st == StatusOk && restored;
}

static int demoReedSolomon(const VeksGFContext_8u* field) {
    const uint8_t root = 0x02; /* generator roots alpha^1 ... alpha^32 */
    int size = 0;
    check(veksRSEncodeGetSize_8u(N, K, &size), "veksRSEncodeGetSize_8u");
    VeksRSEncoder_8u* encoder = (VeksRSEncoder_8u*)allocChecked((size_t)size);
    check(veksRSEncodeInit_8u(N, K, field, root, encoder), "veksRSEncodeInit_8u");
    check(veksRSEncodeGetBufferSize_8u(encoder, &size), "veksRSEncodeGetBufferSize_8u");
    uint8_t* scratch = (uint8_t*)allocChecked((size_t)size);

    uint8_t message[K];
    const char* text = "vekdi demonstration: Reed-Solomon RS(255,223) over GF(256), generator 0x11D. ";
    for (int i = 0; i < K; ++i) message[i] = (uint8_t)text[i % (int)strlen(text)];
    uint8_t sent[N];
    check(veksRSEncode_8u(message, sent, encoder, scratch), "veksRSEncode_8u");
    printf("\nRS(%d,%d), root 0x%02X: encoded %d message bytes, parity", N, K, root, K);
    for (int i = K; i < K + 8; ++i) printf(" %02X", sent[i]);
    printf(" ...\n");

    check(veksRSDecodeGetSize_8u(N, K, &size), "veksRSDecodeGetSize_8u");
    VeksRSDecoder_8u* decoder = (VeksRSDecoder_8u*)allocChecked((size_t)size);
    check(veksRSDecodeInit_8u(N, K, field, root, decoder), "veksRSDecodeInit_8u");

    /* Within the capability: 10 errors and 12 erasures (2*10 + 12 = 32). */
    static const int errorPositions[] = {0, 17, 40, 77, 100, 128, 150, 199, 230, 254};
    static const int erasures[] = {5, 6, 7, 8, 60, 61, 90, 140, 141, 210, 224, 240};
    const int nErrors = (int)(sizeof errorPositions / sizeof errorPositions[0]);
    const int nErasures = (int)(sizeof erasures / sizeof erasures[0]);
    uint8_t received[N];
    memcpy(received, sent, N);
    for (int i = 0; i < nErrors; ++i) received[errorPositions[i]] ^= (uint8_t)(0x5B + 13 * i);
    for (int i = 0; i < nErasures; ++i) received[erasures[i]] = (i % 3 == 0) ? sent[erasures[i]] : 0x00;
    printf("channel: %d byte errors at", nErrors);
    for (int i = 0; i < nErrors; ++i) printf(" %d", errorPositions[i]);
    printf("\n         %d erasures at", nErasures);
    for (int i = 0; i < nErasures; ++i) printf(" %d", erasures[i]);
    printf(" (some erased bytes still correct)\n");
    int ok = decodeAndReport("Berlekamp-Massey", veksRSDecodeBM_8u, veksRSDecodeBMGetBufferSize_8u, decoder, received,
                             sent, erasures, nErasures);
    ok &= decodeAndReport("Euclid", veksRSDecodeEE_8u, veksRSDecodeEEGetBufferSize_8u, decoder, received, sent,
                          erasures, nErasures);

    /* Beyond the capability: 17 errors and no erasures. */
    memcpy(received, sent, N);
    for (int i = 0; i < 17; ++i) received[i * 15] ^= 0xA7;
    printf("channel: 17 byte errors, no erasures (beyond the 16 the code corrects)\n");
    int failedBM = !decodeAndReport("Berlekamp-Massey", veksRSDecodeBM_8u, veksRSDecodeBMGetBufferSize_8u, decoder,
                                    received, sent, NULL, 0);
    int failedEE = !decodeAndReport("Euclid", veksRSDecodeEE_8u, veksRSDecodeEEGetBufferSize_8u, decoder, received,
                                    sent, NULL, 0);
    printf("  (a failed decode leaves the received word as it was)\n");

    free(decoder);
    free(scratch);
    free(encoder);
    return ok && failedBM && failedEE;
}

int main(void) {
    const VekdiLibVersion* v = vekdiGetLibVersion();
    printf("%s %s, built %s (target %s)\n", v->libraryName, v->versionText, v->buildDate, v->targetCode);

    /* GF(2^8) with generator x^8 + x^4 + x^3 + x^2 + 1. */
    static const uint8_t generator[9] = {1, 0, 1, 1, 1, 0, 0, 0, 1};
    int size = 0;
    check(veksGFGetSize_8u(8, &size), "veksGFGetSize_8u");
    VeksGFContext_8u* field = (VeksGFContext_8u*)malloc((size_t)size);
    check(veksGFInit_8u(8, generator, field), "veksGFInit_8u");
    printf("GF(256) field context: %d bytes\n", size);

    uint8_t r = 0;
    check(veksGFMul_8u(0x80, 0x02, &r, field), "veksGFMul_8u");
    printf("  0x80 * 0x02   = 0x%02X\n", r);
    check(veksGFDiv_8u(0x1D, 0x02, &r, field), "veksGFDiv_8u");
    printf("  0x1D / 0x02   = 0x%02X\n", r);
    check(veksGFInv_8u(0x53, &r, field), "veksGFInv_8u");
    printf("  1 / 0x53      = 0x%02X\n", r);
    check(veksGFPow_8u(0x03, -1, &r, field), "veksGFPow_8u");
    printf("  0x03 ^ -1     = 0x%02X\n", r);
    check(veksGFExpAlpha_8u(8, &r, field), "veksGFExpAlpha_8u");
    printf("  alpha ^ 8     = 0x%02X\n", r);
    check(veksGFLogAlpha_8u(0x1D, &r, field), "veksGFLogAlpha_8u");
    printf("  log(0x1D)     = %d\n", r);

    int ok = demoReedSolomon(field);
    free(field);
    return ok ? 0 : 1;
}
