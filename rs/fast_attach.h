// SPDX-License-Identifier: Apache-2.0
// Attaching a built-in basis-change record to a decoder context.
#pragma once

#include "rs/decoder.h"

namespace vekdi {

// When the field's generator polynomial has a record: points the header's
// fast-table fields at it and builds the context's point blocks after the
// root-power table (R16(r) bytes at h->rootPowers, 16-byte aligned): the
// Chien blocks of gamma^0 ... gamma^255 (1024 bytes), then the syndrome
// blocks of the root powers in the tower basis (4*R16(r) bytes). Without a
// record the fields stay as they are (null).
void rsAttachFastTables(RSDecoder* h);

}  // namespace vekdi
