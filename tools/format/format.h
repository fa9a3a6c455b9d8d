// SPDX-License-Identifier: Apache-2.0
// The parity file (docs/format.md describes it byte by byte):
//
//   header copy A | hash table copy A | parity blocks | hash table copy B | header copy B
//
// The header carries its own hash; the hash table is cut into segments that
// each carry a hash, so either copy of every segment may serve. Everything a
// reader takes from a parity file is checked before it is used.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/layout.h"

namespace vekdi::tool {

class File;

// Version 2 adds the protected file's name hash; version 1 files stay readable.
constexpr uint32_t kFormatVersion = 2;
constexpr uint32_t kOldestFormatVersion = 1;
constexpr size_t kHeaderSize = 128;
constexpr size_t kSegmentEntries = 511; // hashes per hash-table segment, then the segment's own hash

struct Header {
    Layout layout;
    std::array<uint8_t, 16> fileHash{}; // XXH3-128 of the whole file, canonical (big-endian) form
    uint32_t percent = 0;               // redundancy asked for at protect time
    uint32_t version = kFormatVersion;  // as read (1 or 2); written as kFormatVersion
    uint64_t nameHash = 0;              // of the protected file's name (version 2; 0 in version 1)

    // Positions inside the parity file (derived from the layout).
    uint64_t hashTableA() const { return kHeaderSize; }
    uint64_t hashTableBytes() const;
    uint64_t parityOffset() const { return hashTableA() + hashTableBytes(); }
    uint64_t hashTableB() const { return parityOffset() + layout.parityBlocks() * layout.blockSize; }
    uint64_t parityFileSize() const { return hashTableB() + hashTableBytes() + kHeaderSize; }
    uint64_t hashEntries() const { return layout.dataBlocks + layout.parityBlocks(); }

    std::array<uint8_t, kHeaderSize> encode() const;
};

// What one header copy turned out to be.
enum class HeaderState { Valid, UnknownVersion, Damaged };

struct DecodedHeader {
    HeaderState state = HeaderState::Damaged;
    uint32_t version = 0; // as stored, for UnknownVersion
    bool hashed = false;  // for UnknownVersion: its hash is right, so the number is not damage
    Header header;        // for Valid
};

// Reads one header copy from untrusted bytes.
DecodedHeader decodeHeader(std::span<const uint8_t> bytes);

uint64_t blockHash(const uint8_t* data, size_t len, uint64_t seed);

// Serialises the hash table: entries in segments, each followed by its hash.
// The name hash recorded for a protected file: XXH3-64 of its last path
// component (never 0, which stands for "not recorded").
uint64_t fileNameHash(const std::string& path);

std::vector<uint8_t> encodeHashTable(std::span<const uint64_t> entries);

// Hash entries recovered from both copies of the table. An entry whose
// segment is damaged in both copies is absent (known[i] == false).
struct HashTable {
    std::vector<uint64_t> entries;
    std::vector<bool> known;
    uint64_t damagedSegments = 0; // segments unusable in both copies
};

// Merges two serialised copies (either may be short or empty).
HashTable decodeHashTable(std::span<const uint8_t> copyA, std::span<const uint8_t> copyB, uint64_t entries);

// A parity file opened for use: the surviving header and hash table.
struct ParityInfo {
    Header header;
    HashTable hashes;
    int headerCopies = 0; // intact header copies (of 2)
    uint64_t actualSize = 0;
};

// Opens a parity file: picks a valid header copy, loads the hash table.
// Throws Failure (exit status 4) when the file is unusable.
ParityInfo readParityInfo(const File& parity);

} // namespace vekdi::tool
