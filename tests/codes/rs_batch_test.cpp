// SPDX-License-Identifier: Apache-2.0
// Batches of codewords against the single-word calls: random codes of every
// shape, word counts around the tile of 64, and words with no errata, with
// errors and erasures up to the radius, and beyond it.
#include <gtest/gtest.h>
#include <vekdi_codes.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <tuple>
#include <vector>

#include "codes/rs_batch.h"
#include "codes/rs_code.h"
#include "tests/support/guarded_bytes.h"

namespace {

using vekdi::test::GuardedBytes;

struct RandomCode {
    VekRsCode* code = nullptr;
    int n = 0, k = 0, m = 0;
    ~RandomCode() { vekRsCodeDestroy(code); }
};

// A random code over GF(2^m): shortened or not, any first root and root
// step, the dual basis now and then.
void makeCode(std::mt19937& gen, int m, int maxR, RandomCode& c) {
    static constexpr unsigned kMasks[9][3] = {{},           {},           {},
                                              {0xB, 0xD, 0xB}, {0x13, 0x19, 0x13}, {0x25, 0x3D, 0x2F},
                                              {0x43, 0x67, 0x5B}, {0x89, 0x83, 0x8F}, {0x11D, 0x187, 0x11B}};
    const int full = (1 << m) - 1;
    VekRsCodeOptions o{kMasks[m][gen() % 3], static_cast<int32_t>(gen() % 300) - 40, 1, 0, 0};
    if (gen() % 2) {
        const int step = 1 + static_cast<int>(gen() % static_cast<unsigned>(full));
        if (std::gcd(step, full) == 1) o.rootStep = step;
    }
    if (o.polynomial == 0x187 && gen() % 2) o.dualBasis = 1;
    c.m = m;
    c.n = std::max(3, full - static_cast<int>(gen() % static_cast<unsigned>(full)) / (gen() % 2 ? 1 : 8));
    const int r = 2 + static_cast<int>(gen() % static_cast<unsigned>(std::min(c.n - 2, maxR)));
    c.k = std::max(1, c.n - r);
    ASSERT_EQ(vekRsCodeCreate(c.n, c.k, &o, &c.code), VekCodesOk) << c.n << " " << c.k << " " << o.polynomial;
}

size_t randomWords(std::mt19937& gen) {
    static constexpr size_t kCounts[] = {1, 7, 63, 64, 65, 128, 191};
    return kCounts[gen() % std::size(kCounts)];
}

// vekRsEncodeBlocks against vekRsEncode word by word; true when the batch
// tables encode through the syndromes.
bool checkEncode(std::mt19937& gen, const RandomCode& c, size_t words, bool allOnes, int trial) {
    const size_t n = size_t(c.n), k = size_t(c.k);
    GuardedBytes messages(words * k, gen() % 64, 0), out(words * n, 0, 0);
    for (size_t i = 0; i < words * k; ++i) messages.data()[i] = uint8_t(gen() % (1u << c.m));
    if (allOnes) std::fill_n(messages.data(), words * k, uint8_t((1u << c.m) - 1));
    EXPECT_EQ(vekRsEncodeBlocks(c.code, messages.data(), out.data(), words), VekCodesOk);
    std::vector<uint8_t> one(n);
    for (size_t w = 0; w < words; ++w) {
        EXPECT_EQ(vekRsEncode(c.code, messages.data() + w * k, one.data()), VekCodesOk);
        if (std::memcmp(one.data(), out.data() + w * n, n) != 0) {
            ADD_FAILURE() << "trial " << trial << " n " << n << " k " << k << " word " << w;
            break;
        }
    }
    EXPECT_TRUE(out.guardsIntact());
    const auto* tables = reinterpret_cast<const vekdi::codes::Code*>(c.code)->batchTables();
    return tables != nullptr && tables->fold;
}

TEST(RsBatch, EncodeMatchesSingleWords) {
    std::mt19937 gen(71);
    for (int trial = 0; trial < 60; ++trial) {
        RandomCode c;
        ASSERT_NO_FATAL_FAILURE(makeCode(gen, 3 + trial % 6, 254, c));
        checkEncode(gen, c, randomWords(gen), trial % 7 == 0, trial);
    }
    // Long codes of 256 elements, CCSDS's dual and conventional bases
    // among them, encode through the syndromes where the machine has the kernels.
    int folded = 0;
    for (int trial = 0; trial < 12; ++trial) {
        static constexpr VekRsCodeOptions kOptions[] = {
            {0x187, 112, 11, 0, 1}, {0x187, 112, 11, 0, 0}, {0x11D, 0, 1, 0, 0}, {0x11D, 7, 13, 0, 0}};
        RandomCode c;
        c.m = 8;
        c.n = trial % 3 == 0 ? 255 : 200 + int(gen() % 55);
        c.k = c.n - (trial % 2 ? 32 : 16 + int(gen() % 16));
        ASSERT_EQ(vekRsCodeCreate(c.n, c.k, &kOptions[trial % 4], &c.code), VekCodesOk);
        folded += checkEncode(gen, c, randomWords(gen), trial == 5, 100 + trial);
    }
    if (vekdi::codes::batchKernels() != nullptr) {
        EXPECT_EQ(folded, 12);
    }
}

// Errata per word: none, errors within the radius, errors and erasures,
// and too many errors; reports and words as the single-word decoder's.
TEST(RsBatch, DecodeMatchesSingleWords) {
    std::mt19937 gen(72);
    int lanesFixed = 0;
    for (int trial = 0; trial < 80; ++trial) {
        RandomCode c;
        ASSERT_NO_FATAL_FAILURE(makeCode(gen, trial % 5 == 0 ? 4 + trial % 4 : 8, 40, c));
        const size_t words = randomWords(gen), n = size_t(c.n), k = size_t(c.k);
        const int r = c.n - c.k;
        std::vector<uint8_t> messages(words * k), received(words * n);
        for (auto& b : messages) b = uint8_t(gen() % (1u << c.m));
        ASSERT_EQ(vekRsEncodeBlocks(c.code, messages.data(), received.data(), words), VekCodesOk);
        std::vector<int> erasures, counts(words);
        for (size_t w = 0; w < words; ++w) {
            const unsigned kind = gen() % 8;  // 0-1: clean, 2-4: errors, 5: with erasures, 6-7: beyond
            const int erased = kind == 5 ? 1 + int(gen() % unsigned(r)) : 0;
            const int errors = kind < 2 ? 0 : kind < 5 ? 1 + int(gen() % unsigned(r / 2)) : kind == 5 ? (r - erased) / 2
                                                                                                       : r / 2 + 1 + int(gen() % unsigned(r));
            std::vector<int> spots(n);
            std::iota(spots.begin(), spots.end(), 0);
            std::shuffle(spots.begin(), spots.end(), gen);
            for (int e = 0; e < std::min(errors + erased, c.n); ++e) {
                received[w * n + size_t(spots[size_t(e)])] ^= uint8_t(1 + gen() % ((1u << c.m) - 1));
                if (e >= errors) erasures.push_back(spots[size_t(e)]);
            }
            counts[w] = std::min(erased, std::max(0, c.n - errors));
        }
        const int algorithm = trial % 3 == 0 ? VekRsEuclid : VekRsBerlekampMassey;
        std::vector<uint8_t> batch = received;
        std::vector<VekRsReport> reports(words), single(words);
        size_t failed = 0, expectFailed = 0;
        ASSERT_EQ(vekRsDecodeBlocks(c.code, batch.data(), words, erasures.data(), counts.data(), algorithm,
                                    reports.data(), &failed),
                  VekCodesOk);
        size_t offset = 0;
        for (size_t w = 0; w < words; ++w) {
            std::vector<uint8_t> word(received.begin() + std::ptrdiff_t(w * n), received.begin() + std::ptrdiff_t((w + 1) * n));
            const int s = vekRsDecode(c.code, word.data(), erasures.data() + offset, counts[w], algorithm, &single[w]);
            offset += size_t(counts[w]);
            expectFailed += s != VekCodesOk;
            const VekRsReport &a = reports[w], &b = single[w];
            ASSERT_EQ(std::memcmp(word.data(), batch.data() + w * n, n), 0) << "trial " << trial << " word " << w;
            ASSERT_EQ(a.status, b.status);
            ASSERT_EQ(a.erasureCount, b.erasureCount);
            if (a.status != VekCodesOk) continue;
            ASSERT_EQ(a.corrected, b.corrected);
            ASSERT_EQ(a.errorCount, b.errorCount);
            ASSERT_EQ(std::memcmp(a.errorPositions, b.errorPositions, size_t(a.errorCount)), 0);
            ASSERT_EQ(std::memcmp(a.erasurePositions, b.erasurePositions, size_t(a.erasureCount)), 0);
            lanesFixed += counts[w] == 0 && a.corrected > 0;
        }
        EXPECT_EQ(failed, expectFailed);
    }
    EXPECT_GT(lanesFixed, 100);
}

// Where the machine has the batch kernels, the lanes themselves correct every
// word within the radius of a tile (no word left to the single-word decoder)
// and pass over the lanes they are told to skip.
TEST(RsBatch, LanesCorrectWithinTheRadius) {
    const vekdi::codes::BatchKernels* kernels = vekdi::codes::batchKernels();
    if (kernels == nullptr) GTEST_SKIP() << "no batch kernels in this build or on this machine";
    std::mt19937 gen(73);
    const VekRsCodeOptions ccsds{0x187, 112, 11, 0, 1}, dvb{0x11D, 0, 1, 0, 0};
    for (const auto& [n, k, o] : {std::tuple{255, 223, ccsds}, std::tuple{204, 188, dvb}, std::tuple{40, 20, dvb}}) {
        VekRsCode* code = nullptr;
        ASSERT_EQ(vekRsCodeCreate(n, k, &o, &code), VekCodesOk);
        const auto* tables = reinterpret_cast<const vekdi::codes::Code*>(code)->batchTables();
        ASSERT_TRUE(tables != nullptr && tables->decode);
        std::vector<uint8_t> messages(64 * size_t(k)), words(64 * size_t(n));
        for (auto& b : messages) b = uint8_t(gen());
        ASSERT_EQ(vekRsEncodeBlocks(code, messages.data(), words.data(), 64), VekCodesOk);
        const std::vector<uint8_t> clean = words;
        for (size_t w = 1; w < 64; ++w)
            for (int e = 0; e < int(w % size_t((n - k) / 2 + 1)); ++e) words[w * size_t(n) + gen() % size_t(n)] ^= uint8_t(1 + gen() % 255);
        const std::vector<uint8_t> damaged = words;
        uint64_t cleanLanes = 0, fixed = 0;
        uint8_t changed[64][vekdi::codes::kMaxDecodeParity / 2];
        int changedCount[64];
        kernels->decodeTile(*tables, words.data(), 64, 1ull << 63, &cleanLanes, &fixed, changed, changedCount);
        EXPECT_EQ(cleanLanes | fixed, ~(1ull << 63));
        EXPECT_EQ(std::memcmp(words.data(), clean.data(), 63 * size_t(n)), 0);
        EXPECT_EQ(std::memcmp(words.data() + 63 * size_t(n), damaged.data() + 63 * size_t(n), size_t(n)), 0);
        vekRsCodeDestroy(code);
    }
}

}  // namespace
