/* SPDX-License-Identifier: Apache-2.0 */
/* A C consumer of vekdi.h, compiled as C89, C99 and C11 with every warning
 * enabled as an error (ctest vekdi_headers). Written in C89 itself. */
#include <vekdi.h>

#include <stdio.h>

int main(void) {
    const VekdiLibVersion* version = vekdiGetLibVersion();
    int size = 0;
    VekStatus status = veksGFGetSize_8u(8, &size);
    printf("%s %d %d\n", vekdiStatusText(status), size, version != NULL ? (int)version->versionMajor : 0);
    return status == StatusOk ? 0 : 1;
}
