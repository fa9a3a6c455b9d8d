// SPDX-License-Identifier: Apache-2.0
// The parity-file reader on hostile input, and the layout's promises.
#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <string_view>
#include <vector>

#include "hash/file_hash_calls.h"
#include "format/format.h"
#include "format/layout.h"
#include "vekdi.hpp"

namespace vekdi::tool {
namespace {

Header sampleHeader() {
    Header h;
    h.layout = Layout::choose(10'000'000, 12, 0, nullptr);
    h.percent = 12;
    for (int i = 0; i < 16; ++i) h.fileHash[i] = static_cast<uint8_t>(i * 17);
    return h;
}

TEST(FormatReader, HeaderRoundTripAndEveryByteFlipRejected) {
    const Header h = sampleHeader();
    const auto bytes = h.encode();
    const DecodedHeader d = decodeHeader(bytes);
    ASSERT_EQ(d.state, HeaderState::Valid);
    EXPECT_EQ(d.header.layout.fileSize, h.layout.fileSize);
    EXPECT_EQ(d.header.layout.k, h.layout.k);
    EXPECT_EQ(d.header.fileHash, h.fileHash);
    EXPECT_EQ(d.header.parityFileSize(), h.parityFileSize());
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (uint8_t bit = 1; bit; bit = static_cast<uint8_t>(bit << 1)) {
            auto b = bytes;
            b[i] ^= bit;
            EXPECT_NE(decodeHeader(b).state, HeaderState::Valid) << "byte " << i;
        }
    }
    EXPECT_EQ(decodeHeader(std::span(bytes).first(kHeaderSize - 1)).state, HeaderState::Damaged);
    auto future = bytes;
    future[8] = 3;
    const DecodedHeader f = decodeHeader(future);
    EXPECT_EQ(f.state, HeaderState::UnknownVersion);
    EXPECT_EQ(f.version, 3u);
    EXPECT_FALSE(f.hashed) << "a version field whose hash fails may be damage";
}

TEST(FormatReader, SelfConsistentButImpossibleLayoutsRejected) {
    // Each header carries a correct hash; only its fields contradict each other.
    auto rejects = [](auto change) {
        Header h = sampleHeader();
        change(h.layout);
        return decodeHeader(h.encode()).state == HeaderState::Damaged;
    };
    EXPECT_TRUE(rejects([](Layout& l) { l.blockSize = 0; }));
    EXPECT_TRUE(rejects([](Layout& l) { l.dataBlocks += 1; }));
    EXPECT_TRUE(rejects([](Layout& l) { l.fileSize = ~uint64_t{0}; }));
    EXPECT_TRUE(rejects([](Layout& l) { l.k = 0; }));
    EXPECT_TRUE(rejects([](Layout& l) { l.p = 256 - l.k; }));
    EXPECT_TRUE(rejects([](Layout& l) { l.stripes = 0; }));
    EXPECT_TRUE(rejects([](Layout& l) { l.stripes = l.dataBlocks + 1; }));
    EXPECT_TRUE(rejects([](Layout& l) { l.blockSize = uint64_t{1} << 40; }));
    // Consistent, but not what protect chooses: 2^20 one-block stripes with
    // 254 parity blocks each would make the reader allocate gigabytes.
    EXPECT_TRUE(rejects([](Layout& l) {
        l.blockSize = 1;
        l.dataBlocks = l.fileSize = l.stripes = Layout::kMaxDataBlocks;
        l.k = 1;
        l.p = 254;
    }));
    EXPECT_TRUE(rejects([](Layout& l) { l.p += 1; }));
    Header noPercent = sampleHeader();
    noPercent.percent = 0;
    EXPECT_EQ(decodeHeader(noPercent.encode()).state, HeaderState::Damaged);
    std::mt19937_64 rng(1);
    for (int i = 0; i < 2000; ++i) {
        std::array<uint8_t, kHeaderSize> junk;
        for (auto& b : junk) b = static_cast<uint8_t>(rng());
        if (i % 2) std::memcpy(junk.data(), "VEKDIPAR\1\0\0\0", 12);
        EXPECT_NE(decodeHeader(junk).state, HeaderState::Valid);
    }
}

TEST(FormatReader, HashTableSegmentsServeFromEitherCopy) {
    std::vector<uint64_t> entries(1200);
    for (size_t i = 0; i < entries.size(); ++i) entries[i] = i * 0x9e3779b97f4a7c15ULL;
    const std::vector<uint8_t> table = encodeHashTable(entries);
    std::vector<uint8_t> a = table, b = table;
    const size_t segmentBytes = (kSegmentEntries + 1) * 8;
    a[segmentBytes + 3] ^= 1;     // segment 1 of copy A
    b[2 * segmentBytes + 3] ^= 1; // segment 2 of copy B
    HashTable t = decodeHashTable(a, b, entries.size());
    EXPECT_EQ(t.damagedSegments, 0u);
    EXPECT_EQ(t.entries, entries);
    b[segmentBytes + 9] ^= 1; // segment 1 now damaged in both
    t = decodeHashTable(a, std::span(b).first(b.size() - 5), entries.size());
    EXPECT_EQ(t.damagedSegments, 1u);
    for (size_t i = 0; i < entries.size(); ++i) {
        const bool inSegment1 = i / kSegmentEntries == 1;
        EXPECT_EQ(t.known[i], !inSegment1) << i;
        if (!inSegment1) {
            EXPECT_EQ(t.entries[i], entries[i]);
        }
    }
    t = decodeHashTable({}, {}, entries.size());
    EXPECT_EQ(t.damagedSegments, 3u);
}

TEST(FormatReader, LayoutKeepsItsBurstPromiseAndItsSize) {
    // For files of at least 1 MiB and 5 to 50 %, a run of (R - 2) % of the
    // file always fits: each stripe loses at most p blocks to it.
    std::mt19937_64 rng(2);
    std::vector<uint64_t> sizes{1 << 20, (1 << 20) + 1, 15'000'000, 1ull << 30, 5'000'000'000ull, 1ull << 42};
    for (int i = 0; i < 300; ++i) sizes.push_back((1 << 20) + rng() % (uint64_t{1} << (20 + i % 20)));
    for (uint64_t size : sizes) {
        for (int r = 5; r <= 50; ++r) {
            const Layout l = Layout::choose(size, r, 0, nullptr);
            ASSERT_TRUE(l.inconsistency().empty()) << size << " " << r;
            ASSERT_LE(l.k + l.p, 255);
            const uint64_t run = size / 100 * static_cast<uint64_t>(r - 2) + size % 100 * static_cast<uint64_t>(r - 2) / 100;
            const uint64_t touched = (run + l.blockSize - 2) / l.blockSize + 1; // worst alignment
            EXPECT_LE((touched + l.stripes - 1) / l.stripes, static_cast<uint64_t>(l.p)) << size << " " << r;
            Header h;
            h.layout = l;
            EXPECT_LE(static_cast<double>(h.parityFileSize()), (r + 1.0) / 100.0 * static_cast<double>(size))
                << size << " " << r;
        }
    }
}

// The AVX2 copy of the hash calls gives the baseline's hashes, at once and
// fed in uneven pieces, at lengths around xxHash's internal sizes.
TEST(ToolHashes, Avx2CallsGiveTheBaselineHashes) {
#if defined(VEKDI_TOOL_HASH_AVX2)
    const std::string_view kernels = vekdi::ErasureCode::kernelName();
    if (kernels != "avx2" && kernels != "avx2-gfni" && kernels != "avx512-gfni") GTEST_SKIP() << "no AVX2 here";
    const HashCalls* variants[] = {&hashCallsBaseline, &hashCallsAvx2};
    std::mt19937 rng(42);
    std::vector<uint8_t> data(5000);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    alignas(64) unsigned char state64[kHashStateBytes], state128[kHashStateBytes];
    for (size_t len : {0, 1, 3, 16, 17, 128, 129, 240, 241, 1023, 1024, 1025, 4096, 4999}) {
        for (size_t offset : {0, 1}) {
            if (offset + len > data.size()) continue;
            const uint8_t* p = data.data() + offset;
            const uint64_t seed = rng() | uint64_t{rng()} << 32;
            uint64_t at[2], fed[2];
            uint8_t whole[2][16];
            for (int v = 0; v < 2; ++v) {
                const HashCalls& c = *variants[v];
                at[v] = c.hash64(p, len, seed);
                c.reset64(state64, seed);
                c.reset128(state128);
                for (size_t i = 0; i < len;) {
                    const size_t n = std::min<size_t>(len - i, 1 + rng() % 300);
                    c.update64(state64, p + i, n);
                    c.update128(state128, p + i, n);
                    i += n;
                }
                fed[v] = c.digest64(state64);
                c.digest128(state128, whole[v]);
            }
            EXPECT_EQ(at[0], at[1]) << len;
            EXPECT_EQ(fed[0], at[0]) << len;
            EXPECT_EQ(fed[1], at[0]) << len;
            EXPECT_EQ(std::memcmp(whole[0], whole[1], 16), 0) << len;
        }
    }
#else
    GTEST_SKIP() << "one set of hash calls on this target";
#endif
}

} // namespace
} // namespace vekdi::tool
