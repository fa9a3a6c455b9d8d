// SPDX-License-Identifier: Apache-2.0
#include "hash/file_hash.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "hash/file_hash_body.h"
#include "files/file_io.h"
#include "threads/parallel.h"
#include "vekdi.hpp"

namespace vekdi::tool {

const HashCalls hashCallsBaseline = kHashCalls;

namespace {

// AVX2's xxHash where the CPU has it. The library's erasure-code kernels are
// chosen by the one CPU-feature check of the source tree; each of these needs AVX2.
const HashCalls& calls() {
    static const HashCalls& chosen = [] () -> const HashCalls& {
#if defined(VEKDI_TOOL_HASH_AVX2)
        const std::string_view kernels = vekdi::ErasureCode::kernelName();
        if (kernels == "avx2" || kernels == "avx2-gfni" || kernels == "avx512-gfni") return hashCallsAvx2;
#endif
        return hashCallsBaseline;
    }();
    return chosen;
}

} // namespace


uint64_t hash64(const void* data, size_t len, uint64_t seed) { return calls().hash64(data, len, seed); }

BlockHasher::BlockHasher() { reset(0); }
void BlockHasher::reset(uint64_t seed) { calls().reset64(state_, seed); }
void BlockHasher::update(const uint8_t* data, size_t len) { calls().update64(state_, data, len); }
uint64_t BlockHasher::digest() const { return calls().digest64(state_); }

namespace {

std::array<uint8_t, 16> hashInOrder(const File& file, uint64_t length, Progress* progress, const Layout* layout,
                                    std::vector<uint64_t>* blockHashes) {
    WholeFileHasher whole;
    BlockHasher block;
    std::vector<uint8_t> buf(1u << 20);
    for (uint64_t at = 0; at < length;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), length - at));
        const size_t got = file.readAt(at, buf.data(), want);
        if (got == 0) break;
        whole.update(buf.data(), got);
        for (size_t i = 0; layout && i < got;) {
            const uint64_t pos = at + i, b = pos / layout->blockSize, inBlock = pos % layout->blockSize;
            if (inBlock == 0) block.reset(dataHashSeed(b));
            const size_t n = static_cast<size_t>(std::min<uint64_t>(got - i, layout->blockLength(b) - inBlock));
            block.update(buf.data() + i, n);
            if (inBlock + n == layout->blockLength(b)) (*blockHashes)[static_cast<size_t>(b)] = block.digest();
            i += n;
        }
        if (progress) progress->add(got);
        at += got;
    }
    return whole.digest();
}

} // namespace

WholeFileHasher::WholeFileHasher() : state_(XXH3_createState()) {
    if (!state_) throw std::bad_alloc();
    calls().reset128(state_);
}
WholeFileHasher::~WholeFileHasher() { XXH3_freeState(static_cast<XXH3_state_t*>(state_)); }
void WholeFileHasher::update(const uint8_t* data, size_t len) { calls().update128(state_, data, len); }
std::array<uint8_t, 16> WholeFileHasher::digest() const {
    std::array<uint8_t, 16> out;
    calls().digest128(state_, out.data());
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
