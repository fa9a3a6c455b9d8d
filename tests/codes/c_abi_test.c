/* SPDX-License-Identifier: Apache-2.0 */
/* The companion's C ABI from plain C against the shared library: creation
 * per matrix kind, encode against bit-serial products, reconstruct, update,
 * check, and failing calls that write nothing. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vekdi_codes.h"
#include "../support/c_check.h"

enum { K = 5, M = 3, N = K + M, LEN = 77 };

static uint8_t mul(uint8_t a, uint8_t b) {
    unsigned r = 0, x = a;
    int i;
    for (i = 0; i < 8; ++i) {
        if (b >> i & 1u) r ^= x;
        x <<= 1;
        if (x & 0x100u) x ^= 0x11Du;
    }
    return (uint8_t)r;
}

static int allBytes(const uint8_t* p, size_t n, uint8_t v) {
    size_t i;
    for (i = 0; i < n; ++i)
        if (p[i] != v) return 0;
    return 1;
}

int main(void) {
    static uint8_t store[N][LEN + 1], good[N][LEN];
    uint8_t* shards[N];
    const uint8_t* data[K];
    const uint8_t* matrix = NULL;
    VekErasureCode* code = NULL;
    int kind, i, j, r, k = 0, m = 0, matches = -1;
    size_t b;
    unsigned seed = 12345u;

    for (i = 0; i < N; ++i) shards[i] = store[i] + 1; /* odd addresses */
    for (j = 0; j < K; ++j) {
        data[j] = shards[j];
        for (b = 0; b < LEN; ++b) {
            seed = seed * 1103515245u + 12345u;
            shards[j][b] = (uint8_t)(seed >> 16);
        }
    }

    for (kind = VekMatrixReedSolomon; kind <= VekMatrixZfec; ++kind) {
        EXPECT(vekErasureCodeCreate(K, M, kind, &code) == VekCodesOk);
        EXPECT(vekErasureCodeShape(code, &k, &m, &matrix) == VekCodesOk && k == K && m == M && matrix != NULL);
        EXPECT(vekErasureCodeEncode(code, data, shards + K, LEN) == VekCodesOk);
        for (r = 0; r < M; ++r)
            for (b = 0; b < LEN; ++b) {
                uint8_t want = 0;
                for (j = 0; j < K; ++j) want ^= mul(matrix[r * K + j], shards[j][b]);
                EXPECT(shards[K + r][b] == want);
            }
        EXPECT(vekErasureCodeCheck(code, (const uint8_t* const*)shards, LEN, &matches) == VekCodesOk && matches == 1);
        for (i = 0; i < N; ++i) memcpy(good[i], shards[i], LEN);
        {
            const int lost[] = {1, 6, 3, 1};
            memset(shards[1], 0, LEN);
            memset(shards[3], 0, LEN);
            memset(shards[6], 0, LEN);
            EXPECT(vekErasureCodeReconstruct(code, shards, lost, 4, LEN) == VekCodesOk);
            for (i = 0; i < N; ++i) EXPECT(memcmp(good[i], shards[i], LEN) == 0);
        }
        vekErasureCodeDestroy(code);
        code = NULL;
    }

    /* Failing calls return their status and write nothing. */
    EXPECT(vekErasureCodeCreate(K, M, VekMatrixReedSolomon, NULL) == VekCodesNullPointer);
    EXPECT(vekErasureCodeCreate(0, M, VekMatrixReedSolomon, &code) == VekCodesBadArgument && code == NULL);
    EXPECT(vekErasureCodeCreate(K, M, 99, &code) == VekCodesBadArgument && code == NULL);
    EXPECT(vekErasureCodeCreate(250, 6, VekMatrixReedSolomon, &code) == VekCodesOutOfRange && code == NULL);
    EXPECT(vekErasureCodeCreate(K, M, VekMatrixIsalCauchy, &code) == VekCodesOk);
    EXPECT(vekErasureCodeEncode(code, data, shards + K, LEN) == VekCodesOk);
    for (i = K; i < N; ++i) memset(shards[i], 0xA5, LEN);
    {
        const int tooMany[] = {5, 6, 7, 0};
        const int outside[] = {8};
        uint8_t* saved = shards[6];
        EXPECT(vekErasureCodeReconstruct(code, shards, tooMany, 4, LEN) == VekCodesTooFewSurvivors);
        EXPECT(vekErasureCodeReconstruct(code, shards, outside, 1, LEN) == VekCodesOutOfRange);
        EXPECT(vekErasureCodeReconstruct(code, shards, tooMany, -1, LEN) == VekCodesBadArgument);
        shards[6] = shards[5] + 3;
        EXPECT(vekErasureCodeReconstruct(code, shards, tooMany, 2, LEN) == VekCodesOverlap);
        shards[6] = NULL;
        EXPECT(vekErasureCodeReconstruct(code, shards, tooMany, 2, LEN) == VekCodesNullPointer);
        shards[6] = saved;
        EXPECT(vekErasureCodeEncode(code, data, (uint8_t* const*)shards + 1, LEN) == VekCodesOverlap);
        EXPECT(vekErasureCodeUpdate(code, K, data[0], shards + K, LEN) == VekCodesOutOfRange);
        EXPECT(vekErasureCodeEncodePart(code, 0, 0, data, shards + K, LEN, 0) == VekCodesBadArgument);
        EXPECT(vekErasureCodeEncodePart(code, 1, K, data, shards + K, LEN, 0) == VekCodesOutOfRange);
        EXPECT(vekErasureCodeCheck(code, (const uint8_t* const*)shards, LEN, NULL) == VekCodesNullPointer);
    }
    for (i = K; i < N; ++i) EXPECT(allBytes(shards[i], LEN, 0xA5));

    /* Update from zeroed parity encodes; the scrub agrees. */
    for (i = K; i < N; ++i) memset(shards[i], 0, LEN);
    for (j = 0; j < K; ++j) EXPECT(vekErasureCodeUpdate(code, j, data[j], shards + K, LEN) == VekCodesOk);
    EXPECT(vekErasureCodeCheck(code, (const uint8_t* const*)shards, LEN, &matches) == VekCodesOk && matches == 1);
    shards[K + 2][LEN - 1] ^= 1;
    EXPECT(vekErasureCodeCheck(code, (const uint8_t* const*)shards, LEN, &matches) == VekCodesOk && matches == 0);
    /* So does encoding in two parts, the second added. */
    EXPECT(vekErasureCodeEncodePart(code, 0, 1, data, shards + K, LEN, 0) == VekCodesOk);
    EXPECT(vekErasureCodeEncodePart(code, 1, K - 1, data + 1, shards + K, LEN, 1) == VekCodesOk);
    EXPECT(vekErasureCodeCheck(code, (const uint8_t* const*)shards, LEN, &matches) == VekCodesOk && matches == 1);
    vekErasureCodeDestroy(code);
    vekErasureCodeDestroy(NULL);

    /* A parity matrix whose rows are equal cannot rebuild two data shards. */
    {
        const uint8_t rows[] = {1, 1, 1, 1};
        const int lost[] = {0, 1};
        int count = -1, lostOut[2], survivors[2];
        uint8_t d[4];
        EXPECT(vekErasureCodeCreateFromMatrix(2, 2, rows, &code) == VekCodesOk);
        memset(shards[0], 0x5A, LEN);
        EXPECT(vekErasureCodeReconstruct(code, shards, lost, 2, LEN) == VekCodesSingular);
        EXPECT(allBytes(shards[0], LEN, 0x5A));
        EXPECT(vekErasureCodeDecodeMatrix(code, lost, 2, &count, lostOut, survivors, d) == VekCodesSingular && count == -1);
        vekErasureCodeDestroy(code);
    }

    EXPECT(strcmp(vekCodesStatusText(VekCodesSingular), vekCodesStatusText(VekCodesOk)) != 0);
    EXPECT(strcmp(vekCodesStatusText(-5), "unknown status") == 0);
    EXPECT(vekErasureCodeKernelName() != NULL);
    printf("kernels: %s, %d failure(s)\n", vekErasureCodeKernelName(), failures);
    return failures == 0 ? 0 : 1;
}
