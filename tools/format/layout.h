// SPDX-License-Identifier: Apache-2.0
// How a file is cut into blocks and stripes. Block b of the file belongs to
// stripe b mod S at row b / S, so consecutive blocks land in different stripes
// and a contiguous damaged region costs each stripe as few blocks as possible.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vekdi::tool {

struct Layout {
    uint64_t fileSize = 0;
    uint64_t blockSize = 0;
    uint64_t dataBlocks = 0; // ceil(fileSize / blockSize)
    uint64_t stripes = 0;
    int k = 0; // data blocks per stripe (the last rows of some stripes are virtual zero blocks)
    int p = 0; // parity blocks per stripe

    // Most blocks a file may have (the hash table stays a few MiB).
    static constexpr uint64_t kMaxDataBlocks = uint64_t{1} << 20;

    // The layout for a file of `fileSize` bytes at `percent` % redundancy;
    // blockSize 0 picks the block size. Returns an explanation instead when
    // the asked block size cannot be used.
    static Layout choose(uint64_t fileSize, int percent, uint64_t blockSize, std::string* error);

    // Empty when the fields are consistent with each other, else what is wrong.
    std::string inconsistency() const;

    uint64_t parityBlocks() const { return stripes * static_cast<uint64_t>(p); }
    // Data block at `row` of `stripe`; >= dataBlocks for a virtual zero block.
    uint64_t blockAt(uint64_t stripe, int row) const { return stripe + static_cast<uint64_t>(row) * stripes; }
    uint64_t blockOffset(uint64_t block) const { return block * blockSize; }
    uint64_t blockLength(uint64_t block) const {
        const uint64_t start = block * blockSize;
        return fileSize - start < blockSize ? fileSize - start : blockSize;
    }
};

} // namespace vekdi::tool
