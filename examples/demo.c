/* Demonstration on built-in data: the version record and a few field
 * computations in GF(256). */
#include <stdio.h>
#include <stdlib.h>

#include "vekdi.h"

static void check(VekStatus st, const char* what) {
    if (st != StatusOk) {
        fprintf(stderr, "%s failed with status %d\n", what, (int)st);
        exit(1);
    }
}

int main(void) {
    const VekdiLibVersion* v = vekdiGetLibVersion();
    printf("%s %s, built %s (target %s)\n", v->libraryName, v->versionText, v->buildDate, v->targetCode);

    /* GF(2^8) with generator x^8 + x^4 + x^3 + x^2 + 1. */
    static const uint8_t generator[9] = {1, 0, 1, 1, 1, 0, 0, 0, 1};
    int size = 0;
    check(veksGFGetSize_8u(8, &size), "veksGFGetSize_8u");
    VeksGFSpec_8u* field = (VeksGFSpec_8u*)malloc((size_t)size);
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

    free(field);
    return 0;
}
