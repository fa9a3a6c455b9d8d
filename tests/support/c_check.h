/* SPDX-License-Identifier: Apache-2.0 */
/* EXPECT for the plain-C tests: a condition that does not hold is reported
 * with its place and counted in `failures`; main returns failures != 0. */
#ifndef VEKDI_TESTS_C_CHECK_H
#define VEKDI_TESTS_C_CHECK_H

#include <stdio.h>

static int failures = 0;
#define EXPECT(cond)                                                           \
    do {                                                                       \
        if (!(cond)) {                                                         \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                                        \
        }                                                                      \
    } while (0)

#endif
