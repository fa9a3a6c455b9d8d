/* SPDX-License-Identifier: Apache-2.0 */
/* The Reed-Solomon functions of vekdi-codes from plain C: shortened codes,
 * root steps and the dual basis corrected back with the right report,
 * batches with erasures per word, and failing calls that write nothing. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vekdi_codes.h"
#include "../support/c_check.h"

static unsigned seed = 2024u;
static unsigned next(unsigned bound) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % bound;
}

/* Distinct random positions below n. */
static void positions(int* out, int count, int n) {
    int i, j;
    for (i = 0; i < count; ++i) {
        int p, again;
        do {
            p = (int)next((unsigned)n);
            again = 0;
            for (j = 0; j < i; ++j) again |= out[j] == p;
        } while (again);
        out[i] = p;
    }
}

typedef struct Shape {
    int n, k;
    VekRsCodeOptions options;
} Shape;

/* Errors and erasures within the radius come back to the codeword, with the
 * changed positions split into errors and erasures. */
static void roundTrips(const Shape* s) {
    VekRsCode* code = NULL;
    uint8_t message[255], word[255], damaged[255];
    int where[255], erasures[255];
    int order = 1, trial, i, r = s->n - s->k, isCodeword = -1;
    while ((s->options.polynomial >> 1) >= (unsigned)order) order <<= 1;
    EXPECT(vekRsCodeCreate(s->n, s->k, &s->options, &code) == VekCodesOk);
    if (code == NULL) return;
    for (trial = 0; trial < 40; ++trial) {
        const int erased = (int)next((unsigned)r + 1u), errors = (r - erased) / 2;
        VekRsReport report;
        for (i = 0; i < s->k; ++i) message[i] = (uint8_t)next((unsigned)order);
        EXPECT(vekRsEncode(code, message, word) == VekCodesOk);
        EXPECT(memcmp(word, message, (size_t)s->k) == 0);
        EXPECT(vekRsCheck(code, word, &isCodeword) == VekCodesOk && isCodeword == 1);
        memcpy(damaged, word, (size_t)s->n);
        positions(where, erased + errors, s->n);
        for (i = 0; i < erased + errors; ++i) damaged[where[i]] ^= (uint8_t)(1 + next((unsigned)order - 1u));
        for (i = 0; i < erased; ++i) erasures[i] = where[i];
        erasures[erased] = erased > 0 ? where[0] : 0; /* a repeat */
        EXPECT(vekRsDecode(code, damaged, erasures, erased + (erased > 0), trial & 1, &report) == VekCodesOk);
        EXPECT(memcmp(damaged, word, (size_t)s->n) == 0);
        EXPECT(report.status == VekCodesOk && report.errorCount == errors && report.erasureCount == erased);
        EXPECT(report.corrected == errors + erased);
        for (i = 0; i + 1 < report.errorCount; ++i) EXPECT(report.errorPositions[i] < report.errorPositions[i + 1]);
        for (i = 0; i < report.errorCount; ++i) {
            int j, found = 0;
            for (j = erased; j < erased + errors; ++j) found |= where[j] == report.errorPositions[i];
            EXPECT(found);
        }
        if (errors > 0) {
            damaged[where[erased]] ^= 1;
            EXPECT(vekRsCheck(code, damaged, &isCodeword) == VekCodesOk && isCodeword == 0);
        }
    }
    vekRsCodeDestroy(code);
}

static void failuresWriteNothing(void) {
    VekRsCode* code = NULL;
    VekRsCodeOptions gf16 = {0x13, 0, 2, 0, 0};
    VekRsCodeOptions badStep = {0x11D, 1, 3, 0, 0}, dual = {0x11D, 1, 1, 0, 1}, reducible = {0x105, 1, 1, 0, 0};
    uint8_t message[11] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, word[15], copy[15], parity14;
    VekRsReport report;
    int erasure = 15, isCodeword = 7, i, p;

    EXPECT(vekRsCodeCreate(16, 8, &gf16, &code) == VekCodesOutOfRange && code == NULL);
    EXPECT(vekRsCodeCreate(20, 20, NULL, &code) == VekCodesOutOfRange);
    EXPECT(vekRsCodeCreate(20, 10, &badStep, &code) == VekCodesBadArgument);
    EXPECT(vekRsCodeCreate(20, 10, &dual, &code) == VekCodesBadArgument);
    EXPECT(vekRsCodeCreate(20, 10, &reducible, &code) == VekCodesBadField && code == NULL);
    EXPECT(vekRsCodeCreate(15, 11, &gf16, &code) == VekCodesOk);

    EXPECT(vekRsEncode(code, message, word) == VekCodesOk);
    parity14 = word[14];
    word[3] ^= 5;
    word[9] ^= 1;
    word[14] = 16; /* not a symbol of GF(16) */
    memcpy(copy, word, sizeof word);
    memset(&report, 0xA5, sizeof report);
    EXPECT(vekRsDecode(code, word, NULL, 0, 0, &report) == VekCodesBadSymbol);
    EXPECT(vekRsCheck(code, word, &isCodeword) == VekCodesBadSymbol && isCodeword == 7);
    word[14] = parity14;
    for (p = 0; p < 15; ++p) { /* a byte above the field is found wherever it is */
        const uint8_t kept = word[p];
        word[p] = (uint8_t)(16u << (p % 4));
        EXPECT(vekRsCheck(code, word, &isCodeword) == VekCodesBadSymbol && isCodeword == 7);
        word[p] = kept;
    }
    copy[14] = parity14;
    EXPECT(vekRsDecode(code, word, &erasure, 1, 0, &report) == VekCodesOutOfRange);
    EXPECT(vekRsDecode(code, word, NULL, 0, 2, &report) == VekCodesBadArgument);
    EXPECT(vekRsDecode(NULL, word, NULL, 0, 0, &report) == VekCodesNullPointer);
    EXPECT(memcmp(word, copy, sizeof word) == 0 && report.status == (int32_t)0xA5A5A5A5);

    /* Three errors against a radius of two: refused, or decoded to another
     * codeword, never to a word that is not one. */
    word[0] ^= 7;
    memcpy(copy, word, sizeof word);
    i = vekRsDecode(code, word, NULL, 0, 0, &report);
    if (i == VekCodesUncorrectable) {
        EXPECT(memcmp(word, copy, sizeof word) == 0);
        EXPECT(report.status == VekCodesUncorrectable && report.corrected == 0);
    } else {
        EXPECT(i == VekCodesOk && vekRsCheck(code, word, &isCodeword) == VekCodesOk && isCodeword == 1);
    }
    EXPECT(strcmp(vekRsStatusText(VekCodesUncorrectable), vekRsStatusText(VekCodesBadSymbol)) != 0);
    vekRsCodeDestroy(code);
}

/* Batches: per-word erasure lists, an uncorrectable word left alone while
 * the others are corrected, and a bad list anywhere writing nothing. */
static void batches(void) {
    enum { WORDS = 6, N = 40, K = 30 };
    static const VekRsCodeOptions ccsds = {0x187, 112, 11, 0, 1};
    VekRsCode* code = NULL;
    uint8_t messages[WORDS * K], words[WORDS * N], clean[WORDS * N], single[N], damaged[WORDS * N];
    int counts[WORDS] = {0, 3, 10, 1, 4, 0}, lists[18], where[12];
    VekRsReport reports[WORDS];
    size_t failed = 99, i;
    int w, e, offset = 0;

    EXPECT(vekRsCodeCreate(N, K, &ccsds, &code) == VekCodesOk);
    for (i = 0; i < sizeof messages; ++i) messages[i] = (uint8_t)next(256);
    EXPECT(vekRsEncodeBlocks(code, messages, clean, WORDS) == VekCodesOk);
    for (w = 0; w < WORDS; ++w) {
        EXPECT(vekRsEncode(code, messages + w * K, single) == VekCodesOk);
        EXPECT(memcmp(single, clean + w * N, N) == 0);
    }
    memcpy(words, clean, sizeof words);
    for (w = 0; w < WORDS; ++w) {
        /* erasures + 2 errors fill the radius; word 4 gets one error too many */
        const int errors = (10 - counts[w]) / 2 + (w == 4);
        positions(where, counts[w] + errors, N);
        for (e = 0; e < counts[w] + errors; ++e) words[w * N + where[e]] ^= (uint8_t)(1 + next(255));
        for (e = 0; e < counts[w]; ++e) lists[offset++] = where[e];
    }
    memcpy(damaged, words, sizeof words);

    lists[offset - 1] = N; /* outside word 4 */
    EXPECT(vekRsDecodeBlocks(code, words, WORDS, lists, counts, 0, reports, &failed) == VekCodesOutOfRange);
    EXPECT(memcmp(words, damaged, sizeof words) == 0 && failed == 99);
    lists[offset - 1] = lists[offset - 2];

    EXPECT(vekRsDecodeBlocks(code, words, WORDS, lists, counts, 1, reports, &failed) == VekCodesOk);
    for (w = 0; w < WORDS; ++w) {
        int isCodeword = 0;
        if (w == 4) { /* beyond the radius: left alone, or some other codeword */
            if (reports[w].status == VekCodesUncorrectable) {
                EXPECT(memcmp(words + w * N, damaged + w * N, N) == 0 && failed == 1);
            } else {
                EXPECT(vekRsCheck(code, words + w * N, &isCodeword) == VekCodesOk && isCodeword == 1 && failed == 0);
            }
            EXPECT(reports[w].erasureCount == 3);
            continue;
        }
        EXPECT(reports[w].status == VekCodesOk && reports[w].erasureCount == counts[w]);
        EXPECT(memcmp(words + w * N, clean + w * N, N) == 0);
    }
    EXPECT(vekRsDecodeBlocks(code, words, WORDS, NULL, NULL, 0, NULL, NULL) == VekCodesOk);
    vekRsCodeDestroy(code);
}

int main(void) {
    static const Shape shapes[] = {
        {255, 223, {0x11D, 1, 1, 0, 0}},  {12, 8, {0x11D, 0, 1, 0, 0}},   {204, 188, {0x11D, 0, 1, 0, 0}},
        {223, 191, {0x187, 112, 11, 0, 1}}, {15, 11, {0x13, 1, 1, 0, 0}}, {13, 5, {0x13, 3, 7, 0, 0}},
        {31, 23, {0x25, 1, 1, 0, 0}},     {50, 40, {0x43, 1, 5, 0, 0}},   {100, 84, {0x89, 0, 3, 0, 0}},
        {7, 3, {0xB, 0, 1, 0, 0}},        {3, 1, {0x7, 1, 1, 0, 0}},      {40, 30, {0x11B, 0, 1, 0x35, 0}},
    };
    size_t i;
    for (i = 0; i < sizeof shapes / sizeof shapes[0]; ++i) roundTrips(&shapes[i]);
    failuresWriteNothing();
    batches();
    if (failures) fprintf(stderr, "%d failures\n", failures);
    return failures ? EXIT_FAILURE : EXIT_SUCCESS;
}
