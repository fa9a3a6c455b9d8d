/* SPDX-License-Identifier: Apache-2.0 */
/* One program built twice, against libfec and against libvekdi-fec: it
 * prints what every call returns over random codes, words, errors and
 * erasures within the correction radius, and the two outputs must match.
 * Words beyond the radius are printed only as far as both libraries agree
 * by contract (nothing); built with VEKDI_FEC_SELF_CHECK it also checks
 * that such a word is refused untouched or decoded to a codeword. */
#include <fec.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned long long state = 0x9E3779B97F4A7C15ull;
static unsigned next(unsigned bound) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return (unsigned)(state >> 11) % bound;
}

static int failures = 0;

static const int primitive[9][3] = {
    {0, 0, 0}, {0x3, 0x3, 0x3}, {0x7, 0x7, 0x7}, {0xB, 0xD, 0xB},
    {0x13, 0x19, 0x13}, {0x25, 0x29, 0x2F}, {0x43, 0x5B, 0x61}, {0x89, 0x83, 0x8F},
    {0x11D, 0x187, 0x12B},
};

static int gcd(int a, int b) { return b == 0 ? a : gcd(b, a % b); }

/* Flips `errors` symbols and lists `erased` more (changed or not) in eras. */
static void damage(unsigned* word, int length, int order, int errors, int erased, int* eras) {
    int where[256], i, j;
    for (i = 0; i < errors + erased; ++i) {
        int p, again;
        do {
            p = (int)next((unsigned)length);
            again = 0;
            for (j = 0; j < i; ++j) again |= where[j] == p;
        } while (again);
        where[i] = p;
    }
    for (i = 0; i < errors; ++i) word[where[i]] ^= 1u + next((unsigned)order - 1u);
    for (i = 0; i < erased; ++i) {
        eras[i] = where[errors + i];
        if (next(4) != 0) word[eras[i]] = next((unsigned)order);
    }
}

static void print(const char* tag, int ret, const int* eras, const unsigned* word, int length) {
    int i;
    printf("%s %d:", tag, ret);
    for (i = 0; eras != NULL && i < ret; ++i) printf(" %d", eras[i]);
    printf(" |");
    for (i = 0; i < length; ++i) printf(" %x", word[i]);
    printf("\n");
}

#ifdef VEKDI_FEC_SELF_CHECK
/* Beyond the radius (libfec may return a wrong word there): refused with
 * the block untouched, or corrected to a codeword, never anything else. */
static void beyond(void* rs, const unsigned char* codeword, int n, int k, int order) {
    unsigned char word[256], copy[256], parity[256];
    unsigned flips[256];
    const unsigned long long saved = state; /* the shared stream goes on as without this check */
    int eras[256], errors = (n - k) / 2 + 1 + (int)next(3), ret, i;
    if (errors > n) errors = n;
    for (i = 0; i < n; ++i) flips[i] = codeword[i];
    damage(flips, n, order, errors, 0, eras);
    for (i = 0; i < n; ++i) word[i] = copy[i] = (unsigned char)flips[i];
    ret = decode_rs_char(rs, word, eras, 0);
    state = saved;
    if (ret < 0) {
        if (ret != -1 || memcmp(word, copy, (size_t)n) != 0) {
            fprintf(stderr, "a refused word was changed\n");
            ++failures;
        }
        return;
    }
    encode_rs_char(rs, word, parity);
    if (memcmp(parity, word + k, (size_t)(n - k)) != 0) {
        fprintf(stderr, "success reported with a word that is not a codeword\n");
        ++failures;
    }
}
#endif

/* One code through the char or the int interface. */
static void general(int useInt) {
    const int symsize = 2 + (int)next(7), nn = (1 << symsize) - 1;
    const int gfpoly = primitive[symsize][next(3)];
    const int nroots = (int)next((unsigned)(nn < 40 ? nn : 40));
    const int pad = (int)next((unsigned)(nn - nroots));
    const int fcr = (int)next((unsigned)nn + 1u);
    int prim, trial, i, n = nn - pad, k = n - nroots;
    void* rs;
    do prim = 1 + (int)next((unsigned)nn); while (gcd(prim, nn) != 1);
    printf("code %s %d %x %d %d %d %d\n", useInt ? "int" : "char", symsize, gfpoly, fcr, prim, nroots, pad);
    rs = useInt ? init_rs_int(symsize, gfpoly, fcr, prim, nroots, pad) : init_rs_char(symsize, gfpoly, fcr, prim, nroots, pad);
    if (rs == NULL) {
        printf("null\n");
        return;
    }
    /* libfec accepts nroots = 0 but its encoder then copies -1 bytes:
     * such a code is only created. */
    if (nroots == 0) printf("no parity\n");
    for (trial = 0; nroots > 0 && trial < 6; ++trial) {
        unsigned word[256], sent[256];
        unsigned char bytes[256];
        int eras[256], *list, ret;
        const int erased = (int)next((unsigned)nroots + 1u), errors = (int)next((unsigned)(nroots - erased) / 2u + 1u);
        for (i = 0; i < k; ++i) word[i] = next((unsigned)nn + 1u);
        if (useInt) {
            encode_rs_int(rs, word, word + k);
        } else {
            for (i = 0; i < k; ++i) bytes[i] = (unsigned char)word[i];
            encode_rs_char(rs, bytes, bytes + k);
            for (i = k; i < n; ++i) word[i] = bytes[i];
        }
        print("enc", 0, eras, word, n);
        memcpy(sent, word, sizeof word);
        damage(word, n, nn + 1, errors, erased, eras);
        /* Without erasures every other word goes without a position list. */
        list = erased == 0 && (trial & 1) ? NULL : eras;
        if (useInt) {
            ret = decode_rs_int(rs, word, list, erased);
        } else {
            for (i = 0; i < n; ++i) bytes[i] = (unsigned char)word[i];
            ret = decode_rs_char(rs, bytes, list, erased);
            for (i = 0; i < n; ++i) word[i] = bytes[i];
        }
        print("dec", ret, list, word, n);
        if (memcmp(word, sent, sizeof word) != 0) {
            fprintf(stderr, "not corrected back within the radius\n");
            ++failures;
        }
#ifdef VEKDI_FEC_SELF_CHECK
        if (!useInt) beyond(rs, bytes, n, k, nn + 1);
#endif
    }
    if (useInt)
        free_rs_int(rs);
    else
        free_rs_char(rs);
}

/* The fixed CCSDS codes, conventional or dual basis. */
static void ccsds(int dual) {
    const int pad = (int)next(223), n = 255 - pad, k = n - 32;
    int trial, i;
    printf("ccsds %d %d\n", dual, pad);
    for (trial = 0; trial < 4; ++trial) {
        unsigned char bytes[255];
        unsigned word[256], sent[256];
        int eras[256], *list, ret;
        const int erased = (int)next(33), errors = (int)next((unsigned)(32 - erased) / 2u + 1u);
        for (i = 0; i < k; ++i) bytes[i] = (unsigned char)next(256);
        if (dual)
            encode_rs_ccsds(bytes, bytes + k, pad);
        else
            encode_rs_8(bytes, bytes + k, pad);
        for (i = 0; i < n; ++i) word[i] = bytes[i];
        print("enc", 0, eras, word, n);
        memcpy(sent, word, sizeof word);
        damage(word, n, 256, errors, erased, eras);
        for (i = 0; i < n; ++i) bytes[i] = (unsigned char)word[i];
        list = erased == 0 && (trial & 1) ? NULL : eras;
        ret = dual ? decode_rs_ccsds(bytes, list, erased, pad) : decode_rs_8(bytes, list, erased, pad);
        for (i = 0; i < n; ++i) word[i] = bytes[i];
        print("dec", ret, list, word, n);
        if (memcmp(word, sent, (size_t)n * sizeof word[0]) != 0) {
            fprintf(stderr, "CCSDS word not corrected back within the radius\n");
            ++failures;
        }
    }
}

/* Which parameter sets init_rs_char accepts, at the edges of each range. */
static void acceptance(void) {
    static const int sets[][6] = {
        {8, 0x11D, 1, 1, 32, 0},   {8, 0x11D, 255, 1, 32, 0}, {8, 0x11D, 256, 1, 32, 0}, {8, 0x11D, -1, 1, 32, 0},
        {8, 0x11D, 1, 0, 32, 0},   {8, 0x11D, 1, 254, 32, 0}, {8, 0x11D, 1, 256, 32, 0}, {8, 0x11D, 1, 1, 0, 0},
        {8, 0x11D, 1, 1, 254, 0},  {8, 0x11D, 1, 1, 255, 0},  {8, 0x11D, 1, 1, -1, 0},   {8, 0x11D, 1, 1, 32, 222},
        {8, 0x11D, 1, 1, 32, 223}, {8, 0x11D, 1, 1, 32, -1},  {8, 0x1D, 1, 1, 32, 0},    {8, 0x21D, 1, 1, 32, 0},
        {9, 0x211, 1, 1, 32, 0},   {0, 1, 0, 1, 0, 0},        {1, 3, 0, 1, 0, 0},        {1, 3, 0, 1, 1, 0},
        {4, 0x13, 15, 1, 4, 10},   {4, 0x13, 0, 14, 4, 11},   {4, 0x13, 0, 1, 14, 0},    {4, 0x13, 0, 1, 15, 0},
    };
    size_t i;
    for (i = 0; i < sizeof sets / sizeof sets[0]; ++i) {
        const int* p = sets[i];
        void* rs = init_rs_char(p[0], p[1], p[2], p[3], p[4], p[5]);
        printf("init %d %x %d %d %d %d: %s\n", p[0], p[1], p[2], p[3], p[4], p[5], rs ? "code" : "null");
        if (rs) free_rs_char(rs);
    }
}

int main(int argc, char** argv) {
    int rounds = argc > 1 ? atoi(argv[1]) : 300, i;
    acceptance();
    for (i = 0; i < rounds; ++i) {
        general(0);
        general(1);
        ccsds(0);
        ccsds(1);
    }
    return failures ? EXIT_FAILURE : EXIT_SUCCESS;
}
