// SPDX-License-Identifier: Apache-2.0
// HashCalls with xxHash's AVX2 code (this unit alone is compiled with -mavx2).
#include "hash/file_hash_body.h"

namespace vekdi::tool {
const HashCalls hashCallsAvx2 = kHashCalls;
} // namespace vekdi::tool
