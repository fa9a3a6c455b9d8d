// SPDX-License-Identifier: Apache-2.0
// The body of HashCalls, included once per instruction set: xxHash's vector
// code follows the unit's compiler flags (XXH_INLINE_ALL keeps it private).
#pragma once

#include <cstring>

#include "hash/file_hash_calls.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace vekdi::tool {
namespace {

static_assert(sizeof(XXH3_state_t) <= kHashStateBytes && alignof(XXH3_state_t) <= kHashStateAlign,
              "hash state storage");

XXH3_state_t* stateOf(void* s) { return static_cast<XXH3_state_t*>(s); }
const XXH3_state_t* stateOf(const void* s) { return static_cast<const XXH3_state_t*>(s); }

constexpr HashCalls kHashCalls{
    [](const void* data, size_t len, uint64_t seed) -> uint64_t { return XXH3_64bits_withSeed(data, len, seed); },
    [](void* state, uint64_t seed) { XXH3_64bits_reset_withSeed(stateOf(state), seed); },
    [](void* state, const void* data, size_t len) { XXH3_64bits_update(stateOf(state), data, len); },
    [](const void* state) -> uint64_t { return XXH3_64bits_digest(stateOf(state)); },
    [](void* state) { XXH3_128bits_reset(stateOf(state)); },
    [](void* state, const void* data, size_t len) { XXH3_128bits_update(stateOf(state), data, len); },
    [](const void* state, uint8_t* canonical16) {
        XXH128_canonical_t canon;
        XXH128_canonicalFromHash(&canon, XXH3_128bits_digest(stateOf(state)));
        std::memcpy(canonical16, canon.digest, 16);
    },
};

} // namespace
} // namespace vekdi::tool
