// SPDX-License-Identifier: Apache-2.0
#include "file_hash.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "file_io.h"
#include "format.h"
#include "parallel.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace vekdi::tool {

static_assert(sizeof(XXH3_state_t) <= 576 && alignof(XXH3_state_t) <= 64, "BlockHasher's storage");

uint64_t hash64(const void* data, size_t len, uint64_t seed) { return XXH3_64bits_withSeed(data, len, seed); }

BlockHasher::BlockHasher() { reset(0); }
void BlockHasher::reset(uint64_t seed) { XXH3_64bits_reset_withSeed(reinterpret_cast<XXH3_state_t*>(state_), seed); }
void BlockHasher::update(const uint8_t* data, size_t len) {
    XXH3_64bits_update(reinterpret_cast<XXH3_state_t*>(state_), data, len);
}
uint64_t BlockHasher::digest() const { return XXH3_64bits_digest(reinterpret_cast<const XXH3_state_t*>(state_)); }

namespace {

std::array<uint8_t, 16> hashInOrder(const File& file, uint64_t length, Progress* progress, const Layout* layout,
                                    std::vector<uint64_t>* blockHashes) {
    XXH3_state_t state{}, block{};
    XXH3_128bits_reset(&state);
    std::vector<uint8_t> buf(1u << 20);
    for (uint64_t at = 0; at < length;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), length - at));
        const size_t got = file.readAt(at, buf.data(), want);
        if (got == 0) break;
        XXH3_128bits_update(&state, buf.data(), got);
        for (size_t i = 0; layout && i < got;) {
            const uint64_t pos = at + i, b = pos / layout->blockSize, inBlock = pos % layout->blockSize;
            if (inBlock == 0) XXH3_64bits_reset_withSeed(&block, dataHashSeed(b));
            const size_t n = static_cast<size_t>(std::min<uint64_t>(got - i, layout->blockLength(b) - inBlock));
            XXH3_64bits_update(&block, buf.data() + i, n);
            if (inBlock + n == layout->blockLength(b)) (*blockHashes)[static_cast<size_t>(b)] = XXH3_64bits_digest(&block);
            i += n;
        }
        if (progress) progress->add(got);
        at += got;
    }
    XXH128_canonical_t canon;
    XXH128_canonicalFromHash(&canon, XXH3_128bits_digest(&state));
    std::array<uint8_t, 16> out;
    std::memcpy(out.data(), canon.digest, 16);
    return out;
}

} // namespace

WholeFileHasher::WholeFileHasher() : state_(XXH3_createState()) {
    if (!state_) throw std::bad_alloc();
    XXH3_128bits_reset(static_cast<XXH3_state_t*>(state_));
}
WholeFileHasher::~WholeFileHasher() { XXH3_freeState(static_cast<XXH3_state_t*>(state_)); }
void WholeFileHasher::update(const uint8_t* data, size_t len) {
    XXH3_128bits_update(static_cast<XXH3_state_t*>(state_), data, len);
}
std::array<uint8_t, 16> WholeFileHasher::digest() const {
    XXH128_canonical_t canon;
    XXH128_canonicalFromHash(&canon, XXH3_128bits_digest(static_cast<const XXH3_state_t*>(state_)));
    std::array<uint8_t, 16> out;
    std::memcpy(out.data(), canon.digest, 16);
    return out;
}

std::array<uint8_t, 16> wholeFileHash(const File& file, uint64_t length, Progress* progress) {
    return hashInOrder(file, length, progress, nullptr, nullptr);
}

std::array<uint8_t, 16> wholeFileAndBlockHashes(const File& file, const Layout& layout, Progress* progress,
                                                std::vector<uint64_t>& blockHashes) {
    blockHashes.assign(static_cast<size_t>(layout.dataBlocks), 0);
    return hashInOrder(file, layout.fileSize, progress, &layout, &blockHashes);
}

} // namespace vekdi::tool
