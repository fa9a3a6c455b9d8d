// SPDX-License-Identifier: Apache-2.0
#include "format/format.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "hash/file_hash.h"
#include "files/file_io.h"


namespace vekdi::tool {

namespace {

constexpr char kMagic[8] = {'V', 'E', 'K', 'D', 'I', 'P', 'A', 'R'};
constexpr uint16_t kFieldPolynomial = 0x11D;
constexpr uint16_t kFirstRootExponent = 1;
constexpr uint64_t kHeaderSeed = 0x6865616465720001ULL;   // "header" v1
constexpr uint64_t kSegmentSeed = 0x7365676d656e7400ULL;  // "segment"
constexpr size_t kHashedBytes = kHeaderSize - 8;

void put16(uint8_t* p, uint16_t v) {
    for (int i = 0; i < 2; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t get32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | p[i];
    return v;
}
uint64_t get64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

uint64_t segmentHash(const uint8_t* bytes, size_t len, uint64_t segment) {
    return hash64(bytes, len, kSegmentSeed ^ segment);
}

uint64_t segmentCount(uint64_t entries) { return (entries + kSegmentEntries - 1) / kSegmentEntries; }

} // namespace

uint64_t Header::hashTableBytes() const {
    const uint64_t n = hashEntries();
    return (n + segmentCount(n)) * 8;
}

std::array<uint8_t, kHeaderSize> Header::encode() const {
    std::array<uint8_t, kHeaderSize> b{};
    uint8_t* p = b.data();
    std::memcpy(p, kMagic, 8);
    put32(p + 8, version);
    put32(p + 12, kHeaderSize);
    put64(p + 16, layout.fileSize);
    put64(p + 24, layout.blockSize);
    put64(p + 32, layout.dataBlocks);
    put64(p + 40, layout.stripes);
    put32(p + 48, static_cast<uint32_t>(layout.k));
    put32(p + 52, static_cast<uint32_t>(layout.p));
    std::memcpy(p + 56, fileHash.data(), 16);
    put64(p + 72, hashTableA());
    put64(p + 80, parityOffset());
    put64(p + 88, hashTableB());
    put64(p + 96, parityFileSize());
    put32(p + 104, percent);
    put16(p + 108, kFieldPolynomial);
    put16(p + 110, kFirstRootExponent);
    if (version >= 2) put64(p + 112, nameHash);
    put64(p + 120, hash64(p, kHashedBytes, kHeaderSeed));
    return b;
}

DecodedHeader decodeHeader(std::span<const uint8_t> bytes) {
    DecodedHeader out;
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, 8) != 0) return out;
    const uint8_t* p = bytes.data();
    const uint32_t version = get32(p + 8);
    // The hash is checked first, so that a damaged version field reads as damage.
    const bool hashed = get64(p + 120) == hash64(p, kHashedBytes, kHeaderSeed);
    if (version < kOldestFormatVersion || version > kFormatVersion) {
        // Later versions may lay out the rest differently; the magic and the
        // version field stay where they are.
        out.state = HeaderState::UnknownVersion;
        out.version = version;
        out.hashed = hashed;
        return out;
    }
    if (!hashed) return out;
    Header h;
    h.version = version;
    h.layout.fileSize = get64(p + 16);
    h.layout.blockSize = get64(p + 24);
    h.layout.dataBlocks = get64(p + 32);
    h.layout.stripes = get64(p + 40);
    const uint32_t k = get32(p + 48), par = get32(p + 52);
    if (k > 255 || par > 255) return out;
    h.layout.k = static_cast<int>(k);
    h.layout.p = static_cast<int>(par);
    std::memcpy(h.fileHash.data(), p + 56, 16);
    h.percent = get32(p + 104);
    if (get32(p + 12) != kHeaderSize || get16(p + 108) != kFieldPolynomial || get16(p + 110) != kFirstRootExponent)
        return out;
    if (!h.layout.inconsistency().empty()) return out;
    // Only a layout protect could have chosen: at most 2^20 data blocks, the
    // parity a redundancy of 1 to 100 % asks for, blocks of at most 1 GiB. So
    // the hash table stays under 20 MiB and the positions below cannot overflow.
    if (h.percent < 1 || h.percent > 100) return out;
    const Layout chosen = Layout::choose(h.layout.fileSize, static_cast<int>(h.percent), h.layout.blockSize, nullptr);
    if (chosen.stripes != h.layout.stripes || chosen.k != h.layout.k || chosen.p != h.layout.p ||
        chosen.dataBlocks != h.layout.dataBlocks)
        return out;
    if (get64(p + 72) != h.hashTableA() || get64(p + 80) != h.parityOffset() || get64(p + 88) != h.hashTableB() ||
        get64(p + 96) != h.parityFileSize())
        return out;
    if (version >= 2) {
        h.nameHash = get64(p + 112);
    } else {
        for (int i = 112; i < 120; ++i)
            if (p[i] != 0) return out;
    }
    out.state = HeaderState::Valid;
    out.header = h;
    return out;
}

uint64_t fileNameHash(const std::string& path) {
    const std::string name = baseName(path);
    const uint64_t h = hash64(name.data(), name.size(), 0x6e616d6500000002ULL); // "name" v2
    return h ? h : 1;
}

uint64_t blockHash(const uint8_t* data, size_t len, uint64_t seed) { return hash64(data, len, seed); }

std::vector<uint8_t> encodeHashTable(std::span<const uint64_t> entries) {
    const uint64_t segments = segmentCount(entries.size());
    std::vector<uint8_t> out((entries.size() + segments) * 8);
    uint8_t* p = out.data();
    for (uint64_t s = 0; s < segments; ++s) {
        const size_t first = static_cast<size_t>(s * kSegmentEntries);
        const size_t n = std::min(kSegmentEntries, entries.size() - first);
        uint8_t* start = p;
        for (size_t i = 0; i < n; ++i, p += 8) put64(p, entries[first + i]);
        put64(p, segmentHash(start, n * 8, s));
        p += 8;
    }
    return out;
}

HashTable decodeHashTable(std::span<const uint8_t> copyA, std::span<const uint8_t> copyB, uint64_t entries) {
    HashTable t;
    t.entries.assign(static_cast<size_t>(entries), 0);
    t.known.assign(static_cast<size_t>(entries), false);
    const uint64_t segments = segmentCount(entries);
    for (uint64_t s = 0; s < segments; ++s) {
        const uint64_t first = s * kSegmentEntries;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kSegmentEntries, entries - first));
        const uint64_t at = (first + s) * 8; // earlier segments' entries and hashes
        const size_t len = (n + 1) * 8;
        const uint8_t* good = nullptr;
        for (auto copy : {copyA, copyB}) {
            if (copy.size() < at + len) continue;
            const uint8_t* seg = copy.data() + at;
            if (get64(seg + n * 8) == segmentHash(seg, n * 8, s)) {
                good = seg;
                break;
            }
        }
        if (!good) {
            ++t.damagedSegments;
            continue;
        }
        for (size_t i = 0; i < n; ++i) {
            t.entries[static_cast<size_t>(first) + i] = get64(good + i * 8);
            t.known[static_cast<size_t>(first) + i] = true;
        }
    }
    return t;
}

namespace {
std::vector<uint8_t> readRange(const File& f, uint64_t offset, uint64_t len, uint64_t actualSize) {
    if (offset >= actualSize) return {};
    const uint64_t n = std::min(len, actualSize - offset);
    std::vector<uint8_t> buf(static_cast<size_t>(n));
    buf.resize(f.readAt(offset, buf.data(), buf.size()));
    return buf;
}
} // namespace

ParityInfo readParityInfo(const File& parity) {
    ParityInfo info;
    info.actualSize = parity.size();
    const uint64_t size = info.actualSize;

    // A header copy counts only where the header says it belongs: copy A at
    // the start, copy B at the end it records.
    std::optional<Header> found;
    std::vector<uint32_t> unknown;  // versions seen in damaged-or-future copies
    std::optional<uint32_t> hashedUnknown;
    std::optional<uint64_t> endCopyAt;
    auto decodeAt = [&](uint64_t offset) -> DecodedHeader {
        std::array<uint8_t, kHeaderSize> b{};
        if (size < kHeaderSize || offset > size - kHeaderSize ||
            parity.readAt(offset, b.data(), b.size()) != b.size())
            return {};
        return decodeHeader(b);
    };
    auto note = [&](const DecodedHeader& d) {
        if (d.state != HeaderState::UnknownVersion) return;
        unknown.push_back(d.version);
        if (d.hashed) hashedUnknown = d.version;
    };
    const DecodedHeader first = decodeAt(0);
    note(first);
    const bool atStart = first.state == HeaderState::Valid;
    if (atStart) found = first.header;
    auto tryEnd = [&](uint64_t offset) {
        if (endCopyAt || offset == 0) return;
        const DecodedHeader d = decodeAt(offset);
        note(d);
        if (d.state != HeaderState::Valid || d.header.parityFileSize() - kHeaderSize != offset) return;
        if (found && found->encode() != d.header.encode()) return;  // not this file's copy
        endCopyAt = offset;
        if (!found) found = d.header;
    };
    if (size >= kHeaderSize) tryEnd(size - kHeaderSize);
    if (found) tryEnd(found->parityFileSize() - kHeaderSize);
    if (!endCopyAt && !atStart && size > kHeaderSize) {
        // Copy A is damaged and the file does not end where copy B does (it
        // was extended): look for copy B's magic from the end backwards,
        // reading at most the last 64 MiB.
        constexpr uint64_t kWindow = 1u << 20, kReach = 64u << 20;
        std::vector<uint8_t> buf(static_cast<size_t>(kWindow + 8));
        const uint64_t stop = size > kReach ? size - kReach : 0;
        for (uint64_t end = size; end > stop && !endCopyAt;) {
            const uint64_t begin = std::max(stop, end >= kWindow ? end - kWindow : 0);
            const size_t len = static_cast<size_t>(std::min<uint64_t>(end - begin + 8, size - begin));
            const size_t got = parity.readAt(begin, buf.data(), len);
            for (size_t i = got >= 8 ? got - 8 + 1 : 0; i-- > 0 && !endCopyAt;)
                if (std::memcmp(buf.data() + i, kMagic, 8) == 0 && begin + i != 0) tryEnd(begin + i);
            end = begin;
        }
    }
    info.headerCopies = (atStart ? 1 : 0) + (endCopyAt ? 1 : 0);
    if (!found) {
        // A version this reader does not know, where it cannot be damage: a
        // copy whose hash is right, or both copies agreeing on it.
        std::optional<uint32_t> version = hashedUnknown;
        if (!version && unknown.size() >= 2 && std::count(unknown.begin(), unknown.end(), unknown[0]) >= 2)
            version = unknown[0];
        if (version)
            throw Failure(kExitParityUnusable, parity.path() + ": parity file format version " +
                                                   std::to_string(*version) + " is not supported (this vekdi reads versions " +
                                                   std::to_string(kOldestFormatVersion) + " to " +
                                                   std::to_string(kFormatVersion) + ")");
        throw Failure(kExitParityUnusable,
                      parity.path() + ": not a vekdi parity file, or no intact header copy survives");
    }
    info.header = *found;
    const Header& h = info.header;
    const std::vector<uint8_t> a = readRange(parity, h.hashTableA(), h.hashTableBytes(), size);
    const std::vector<uint8_t> b = readRange(parity, h.hashTableB(), h.hashTableBytes(), size);
    info.hashes = decodeHashTable(a, b, h.hashEntries());
    return info;
}

} // namespace vekdi::tool
