/* SPDX-License-Identifier: Apache-2.0 */
/* C sources written against the records' former names still compile, and the
 * former names are the same types as the new ones: a pointer of one converts
 * to the other without a cast (a different type would be a warning, an error
 * in the project's builds). */
#include "vekdi.h"

#if defined(__GNUC__) || defined(__clang__)
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif

int vekdiFormerNamesAgree(void) {
    VeksGFContext_8u* field = 0;
    VeksRSEncoder_8u* encoder = 0;
    VeksRSDecoder_8u* decoder = 0;
    VeksGFSpec_8u* oldField = field;
    VeksRSEncodeSpec_8u* oldEncoder = encoder;
    VeksRSDecodeSpec_8u* oldDecoder = decoder;
    int size = 0;
    /* An old-name pointer passed to an export. */
    return veksRSDecodeBMGetBufferSize_8u(oldDecoder, &size) == StatusNullPointer && oldField == field &&
           oldEncoder == encoder;
}
