// SPDX-License-Identifier: Apache-2.0
#include "file_hash.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "file_io.h"
#include "parallel.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace vekdi::tool {

std::array<uint8_t, 16> wholeFileHash(const File& file, uint64_t length, Progress* progress) {
    XXH3_state_t state{};
    XXH3_128bits_reset(&state);
    std::vector<uint8_t> buf(1u << 20);
    for (uint64_t at = 0; at < length;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), length - at));
        const size_t got = file.readAt(at, buf.data(), want);
        if (got == 0) break;
        XXH3_128bits_update(&state, buf.data(), got);
        if (progress) progress->add(got);
        at += got;
    }
    XXH128_canonical_t canon;
    XXH128_canonicalFromHash(&canon, XXH3_128bits_digest(&state));
    std::array<uint8_t, 16> out;
    std::memcpy(out.data(), canon.digest, 16);
    return out;
}

} // namespace vekdi::tool
