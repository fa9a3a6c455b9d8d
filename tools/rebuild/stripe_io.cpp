// SPDX-License-Identifier: Apache-2.0
#include "rebuild/stripe_io.h"

#include <algorithm>
#include <cstring>

#include "files/file_io.h"

namespace vekdi::tool {

size_t chunkSize(const Layout& layout, unsigned workers) {
    constexpr uint64_t budget = 48u << 20;
    const uint64_t rows = static_cast<uint64_t>(layout.k + layout.p);
    uint64_t c = budget / (std::max(1u, workers) * std::max<uint64_t>(rows, 1));
    c = std::max<uint64_t>(64, c / 64 * 64);
    return static_cast<size_t>(std::min<uint64_t>(c, layout.blockSize));
}

size_t readDataChunk(const File& file, uint64_t available, const Layout& layout, uint64_t block, uint64_t x,
                     size_t len, uint8_t* buf) {
    const uint64_t blockLen = layout.blockLength(block);
    const uint64_t start = layout.blockOffset(block) + x;
    uint64_t want = x < blockLen ? std::min<uint64_t>(len, blockLen - x) : 0;
    const size_t own = static_cast<size_t>(want);
    if (start >= available) want = 0;
    else want = std::min(want, available - start);
    const size_t got = want ? file.readAt(start, buf, static_cast<size_t>(want)) : 0;
    std::memset(buf + got, 0, len - got);
    return own;
}

void readParityChunk(const File& file, uint64_t available, uint64_t offset, size_t len, uint8_t* buf) {
    size_t got = 0;
    if (offset < available) got = file.readAt(offset, buf, static_cast<size_t>(std::min<uint64_t>(len, available - offset)));
    std::memset(buf + got, 0, len - got);
}

} // namespace vekdi::tool
