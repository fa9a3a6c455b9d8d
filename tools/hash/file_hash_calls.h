// SPDX-License-Identifier: Apache-2.0
// The xxHash functions behind file_hash.h, compiled once for the target's
// baseline and, on x86, once more for AVX2 (three times the speed of SSE2's
// XXH3). States are XXH3_state_t held as opaque storage; every variant gives
// the same hashes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vekdi::tool {

constexpr size_t kHashStateBytes = 576;
constexpr size_t kHashStateAlign = 64;

struct HashCalls {
    uint64_t (*hash64)(const void* data, size_t len, uint64_t seed);
    void (*reset64)(void* state, uint64_t seed);
    void (*update64)(void* state, const void* data, size_t len);
    uint64_t (*digest64)(const void* state);
    void (*reset128)(void* state);
    void (*update128)(void* state, const void* data, size_t len);
    void (*digest128)(const void* state, uint8_t* canonical16);
};

extern const HashCalls hashCallsBaseline;
#if defined(VEKDI_TOOL_HASH_AVX2)
extern const HashCalls hashCallsAvx2;
#endif

} // namespace vekdi::tool
