// SPDX-License-Identifier: Apache-2.0
#include "format/layout.h"

#include <algorithm>

namespace vekdi::tool {

namespace {
constexpr uint64_t kAlign = 64;
constexpr uint64_t kMinBlock = 512; // hashes stay a small share of small files
constexpr uint64_t kPreferredBlock = 64 * 1024;
constexpr uint64_t kMaxBlock = uint64_t{1} << 30;

uint64_t ceilDiv(uint64_t a, uint64_t b) { return a / b + (a % b != 0); }
uint64_t roundUp(uint64_t a, uint64_t m) { return ceilDiv(a, m) * m; }
} // namespace

Layout Layout::choose(uint64_t fileSize, int percent, uint64_t blockSize, std::string* error) {
    Layout l;
    l.fileSize = fileSize;
    // The widest stripe whose parity share is about `percent` %.
    const uint64_t kMax = 255 * 100 / (100 + static_cast<uint64_t>(percent));
    if (blockSize == 0) {
        if (fileSize <= kMax * kPreferredBlock)
            blockSize = std::max(kMinBlock, roundUp(ceilDiv(fileSize, kMax), kAlign));
        else
            blockSize = std::max(kPreferredBlock, roundUp(ceilDiv(fileSize, kMaxDataBlocks), kAlign));
    } else if (blockSize > kMaxBlock || ceilDiv(fileSize, blockSize) > kMaxDataBlocks) {
        if (error) *error = "block size out of range (at most 1 GiB, and at most 2^20 blocks per file)";
        return {};
    }
    l.blockSize = blockSize;
    l.dataBlocks = ceilDiv(fileSize, blockSize);
    if (l.dataBlocks == 0) return l;
    const uint64_t d = l.dataBlocks;
    const uint64_t r = static_cast<uint64_t>(percent);
    for (uint64_t s = ceilDiv(d, kMax);; ++s) {
        const uint64_t k = ceilDiv(d, s);
        uint64_t p = std::max<uint64_t>(1, r * k / 100);
        if (r > 2) {
            // A run of (percent - 2) % of the file touches at most
            // (percent - 2) % of k*s blocks plus two partial ones, spread
            // round-robin over the s stripes: each stripe must afford that many.
            const uint64_t need = ceilDiv((r - 2) * k * s + 200, 100 * s);
            p = std::max(p, need);
        }
        if (k + p <= 255) {
            l.stripes = s;
            l.k = static_cast<int>(k);
            l.p = static_cast<int>(p);
            return l;
        }
    }
}

std::string Layout::inconsistency() const {
    if (blockSize == 0 || blockSize > kMaxBlock) return "block size out of range";
    if (dataBlocks != ceilDiv(fileSize, blockSize)) return "block count does not match the file size";
    if (dataBlocks > kMaxDataBlocks) return "too many blocks";
    if (dataBlocks == 0) {
        if (stripes != 0 || k != 0 || p != 0) return "stripes recorded for an empty file";
        return {};
    }
    if (stripes == 0 || stripes > dataBlocks) return "stripe count out of range";
    if (k < 1 || p < 1 || k + p > 255) return "stripe shape out of range";
    if (static_cast<uint64_t>(k) != ceilDiv(dataBlocks, stripes)) return "stripe width does not match the block count";
    return {};
}

} // namespace vekdi::tool
