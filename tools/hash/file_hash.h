// SPDX-License-Identifier: Apache-2.0
// Every hash the tool computes: block hashes (XXH3-64 with a seed, at once or
// fed piece by piece), and the whole-file hash (XXH3-128) of a file's first
// bytes, read in order. The only place that includes xxHash (through
// file_hash_body.h, once per instruction set).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/layout.h"

namespace vekdi::tool {

class File;
class Progress;

// Block hashes are XXH3-64 seeded with the block's place: data block b with
// seed b, parity block i (counted over all stripes) with seed 2^63 + i.
inline uint64_t dataHashSeed(uint64_t block) { return block; }
inline uint64_t parityHashSeed(uint64_t index) { return (uint64_t{1} << 63) | index; }

// XXH3-64 of `len` bytes with `seed`.
uint64_t hash64(const void* data, size_t len, uint64_t seed);

// XXH3-64 with a seed, fed piece by piece (a value: vectors of them serve
// as per-row states).
class BlockHasher {
public:
    BlockHasher();
    void reset(uint64_t seed);
    void update(const uint8_t* data, size_t len);
    uint64_t digest() const;

private:
    alignas(64) unsigned char state_[576]; // XXH3_state_t
};

// XXH3-128 fed piece by piece.
class WholeFileHasher {
public:
    WholeFileHasher();
    ~WholeFileHasher();
    WholeFileHasher(const WholeFileHasher&) = delete;
    WholeFileHasher& operator=(const WholeFileHasher&) = delete;
    void update(const uint8_t* data, size_t len);
    std::array<uint8_t, 16> digest() const;

private:
    void* state_; // XXH3_state_t (xxhash.h stays inside the file_hash units)
};

// XXH3-128 of the first `length` bytes of `file` (fewer if it is shorter), in
// canonical big-endian form.
std::array<uint8_t, 16> wholeFileHash(const File& file, uint64_t length, Progress* progress = nullptr);

// The same, and from the same bytes the hash of every data block of `layout`
// (as the hash table records them) into `blockHashes`.
std::array<uint8_t, 16> wholeFileAndBlockHashes(const File& file, const Layout& layout, Progress* progress,
                                                std::vector<uint64_t>& blockHashes);

} // namespace vekdi::tool
