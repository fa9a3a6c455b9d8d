// SPDX-License-Identifier: Apache-2.0
// vekdi::ErasureCode through the companion library's C functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "tests/support/erasure_stripe.h"
#include "vekdi.hpp"

namespace vekdi {
namespace {

using test::Stripe;

constexpr Matrix kKinds[] = {Matrix::ReedSolomon, Matrix::IsalVandermonde, Matrix::IsalCauchy,
                             Matrix::JerasureVandermonde, Matrix::Zfec};

int statusOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.status();
    }
    return 0;
}

// Every lost set of up to m shards, as index lists.
std::vector<std::vector<int>> lostSets(int n, int m) {
    std::vector<std::vector<int>> out;
    for (unsigned mask = 1; mask < (1u << n); ++mask) {
        if (std::popcount(mask) > m) continue;
        std::vector<int> set;
        for (int i = 0; i < n; ++i)
            if (mask >> i & 1u) set.push_back(i);
        out.push_back(set);
    }
    return out;
}

TEST(ErasureCode, ReedSolomonMatrixIsTheSystematicCodesParity) {
    // Column j is the parity ReedSolomon(k + m, k) gives the unit message e_j;
    // then any stripe's parity is that code's parity of each byte position.
    for (auto [k, m] : {std::pair{1, 1}, {4, 2}, {10, 4}, {17, 9}, {200, 55}, {1, 254}, {254, 1}}) {
        const ErasureCode code(k, m);
        const ReedSolomon rs(k + m, k);
        std::vector<uint8_t> message(static_cast<std::size_t>(k), 0), parity(static_cast<std::size_t>(m));
        for (int j = 0; j < k; j += (k > 20 ? 13 : 1)) {
            message[static_cast<std::size_t>(j)] = 1;
            rs.parity(message, parity);
            message[static_cast<std::size_t>(j)] = 0;
            for (int r = 0; r < m; ++r)
                ASSERT_EQ(code.parityMatrix()[static_cast<std::size_t>(r * k + j)], parity[static_cast<std::size_t>(r)])
                    << "(" << k << "," << m << ") row " << r << " column " << j;
        }
    }
    std::mt19937 rng(1);
    Stripe s(10, 4, 33, rng, 3);
    const ErasureCode code(10, 4);
    code.encode({s.data(), 10}, {s.parity(), 4}, s.length());
    const ReedSolomon rs(14, 10);
    for (std::size_t i = 0; i < s.length(); ++i) {
        std::vector<uint8_t> message;
        for (int j = 0; j < 10; ++j) message.push_back(s.shard(j)[i]);
        const std::vector<uint8_t> word = rs.encode(message);
        for (int r = 0; r < 4; ++r) ASSERT_EQ(s.shard(10 + r)[i], word[static_cast<std::size_t>(10 + r)]);
    }
}

TEST(ErasureCode, EncodesAnyLengthAndAlignmentLikeBitSerialProducts) {
    std::mt19937 rng(2);
    std::size_t offset = 0;
    for (Matrix kind : kKinds)
        for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{31}, std::size_t{63},
                                   std::size_t{64}, std::size_t{65}, std::size_t{127}, std::size_t{4097},
                                   std::size_t{70001}}) {
            Stripe s(5, 3, length, rng, offset++);
            const ErasureCode code(5, 3, kind);
            code.encode({s.data(), 5}, {s.parity(), 3}, length);
            const auto want = s.referenceParity(code.parityMatrix().data());
            for (int r = 0; r < 3; ++r) ASSERT_EQ(s.bytes(5 + r), want[static_cast<std::size_t>(r)]) << length;
            ASSERT_TRUE(s.guardsIntact());
        }
}

// Rebuilds every lost set of small shapes (repeats in the list included) and
// checks that survivors are only read. A set the code reports as singular
// must be singular by an independent rank computation.
TEST(ErasureCode, ReconstructsEveryLostSet) {
    std::mt19937 rng(3);
    for (Matrix kind : kKinds)
        for (const std::pair<int, int>& shape : {std::pair{1, 1}, {1, 3}, {3, 1}, {3, 3}, {5, 4}, {8, 3}}) {
            const int k = shape.first, m = shape.second;  // lambdas below capture them (not bindings)
            const ErasureCode code(k, m, kind);
            Stripe s(k, m, 61, rng, static_cast<std::size_t>(k + m));
            code.encode({s.data(), static_cast<std::size_t>(k)}, {s.parity(), static_cast<std::size_t>(m)}, 61);
            std::vector<std::vector<uint8_t>> good;
            for (int i = 0; i < k + m; ++i) good.push_back(s.bytes(i));
            for (std::vector<int> lost : lostSets(k + m, m)) {
                for (int i : lost) std::fill(s.shard(i), s.shard(i) + 61, uint8_t{0xEE});
                lost.push_back(lost.front());  // a repeat
                const int status = statusOf([&] { code.reconstruct({s.all(), static_cast<std::size_t>(k + m)}, lost, 61); });
                lost.pop_back();
                if (status == VekCodesSingular) {
                    std::vector<uint8_t> rows;  // the survivors' rows of the whole code [I; P]
                    for (int i = 0; i < k + m; ++i) {
                        if (std::find(lost.begin(), lost.end(), i) != lost.end()) continue;
                        for (int j = 0; j < k; ++j)
                            rows.push_back(i < k ? uint8_t(i == j) : code.parityMatrix()[static_cast<std::size_t>((i - k) * k + j)]);
                    }
                    EXPECT_LT(test::referenceRank(rows, static_cast<int>(rows.size()) / k, k), k);
                    for (int i : lost) ASSERT_TRUE(std::all_of(s.shard(i), s.shard(i) + 61, [](uint8_t b) { return b == 0xEE; }));
                } else {
                    ASSERT_EQ(status, 0);
                }
                for (int i = 0; i < k + m; ++i) {
                    if (status != 0 && std::find(lost.begin(), lost.end(), i) != lost.end()) {
                        std::copy(good[static_cast<std::size_t>(i)].begin(), good[static_cast<std::size_t>(i)].end(), s.shard(i));
                        continue;
                    }
                    ASSERT_EQ(s.bytes(i), good[static_cast<std::size_t>(i)])
                        << "kind " << int(kind) << " (" << k << "," << m << ") shard " << i;
                }
                ASSERT_TRUE(s.guardsIntact());
            }
        }
}

TEST(ErasureCode, DecodeMatrixPrefersDataShardsAndSkipsDependentRows) {
    // Parity rows 0 and 1 are equal, so losing both data shards needs parity 0 and 2.
    const uint8_t rows[] = {1, 1, 1, 1, 1, 2};
    const ErasureCode code = ErasureCode::fromMatrix(2, 3, rows);
    const DecodeMatrix d = code.decodeMatrix(std::vector<int>{1, 0, 1});
    EXPECT_EQ(d.lost, (std::vector<int>{0, 1}));
    EXPECT_EQ(d.survivors, (std::vector<int>{2, 4}));
    // d0 + d1 = p0, d0 + 2 d1 = p2: d1 = (p0 + p2) / 3, d0 = p0 + d1.
    const uint8_t third = static_cast<uint8_t>(test::refPow(3, 254, 0x11D, 8));
    const uint8_t other = static_cast<uint8_t>(test::refMul(2, third, 0x11D, 8));  // 1 + 1/3 = 2/3
    EXPECT_EQ(d.matrix, (std::vector<uint8_t>{other, third, third, third}));

    const ErasureCode rs(4, 2);
    const DecodeMatrix p = rs.decodeMatrix(std::vector<int>{5, 2});
    EXPECT_EQ(p.lost, (std::vector<int>{2, 5}));
    EXPECT_EQ(p.survivors, (std::vector<int>{0, 1, 3, 4}));
    EXPECT_TRUE(rs.decodeMatrix(std::vector<int>{}).lost.empty());
}

TEST(ErasureCode, SingularSurvivorSetIsAnErrorAndWritesNothing) {
    const uint8_t rows[] = {1, 1, 1, 1};  // two equal parity rows
    const ErasureCode code = ErasureCode::fromMatrix(2, 2, rows);
    std::mt19937 rng(4);
    Stripe s(2, 2, 40, rng);
    code.encode({s.data(), 2}, {s.parity(), 2}, 40);
    const auto d0 = s.bytes(0), d1 = s.bytes(1);
    std::fill(s.shard(0), s.shard(0) + 40, uint8_t{0xEE});
    std::fill(s.shard(1), s.shard(1) + 40, uint8_t{0xEE});
    EXPECT_EQ(statusOf([&] { code.reconstruct({s.all(), 4}, std::vector<int>{0, 1}, 40); }), VekCodesSingular);
    EXPECT_EQ(statusOf([&] { code.decodeMatrix(std::vector<int>{0, 1}); }), VekCodesSingular);
    EXPECT_TRUE(std::all_of(s.shard(0), s.shard(0) + 40, [](uint8_t b) { return b == 0xEE; }));
    EXPECT_TRUE(std::all_of(s.shard(1), s.shard(1) + 40, [](uint8_t b) { return b == 0xEE; }));
    // One lost data shard is rebuilt.
    std::copy(d0.begin(), d0.end(), s.shard(0));
    code.reconstruct({s.all(), 4}, std::vector<int>{1}, 40);
    EXPECT_EQ(s.bytes(1), d1);
}

TEST(ErasureCode, UpdateAndCheck) {
    std::mt19937 rng(5);
    for (Matrix kind : {Matrix::ReedSolomon, Matrix::IsalCauchy}) {
        const int k = 6, m = 20;  // more parity rows than any kernel keeps in registers
        const std::size_t length = 5000;
        const ErasureCode code(k, m, kind);
        Stripe s(k, m, length, rng, 1);
        // Incremental encoding: from zeroed parity, one update per data shard.
        for (int r = 0; r < m; ++r) std::fill(s.shard(k + r), s.shard(k + r) + length, uint8_t{0});
        for (int j = 0; j < k; ++j) code.update(j, {s.shard(j), length}, {s.parity(), static_cast<std::size_t>(m)});
        EXPECT_TRUE(code.check({s.data(), static_cast<std::size_t>(k + m)}, length));
        const auto want = s.referenceParity(code.parityMatrix().data());
        for (int r = 0; r < m; ++r) ASSERT_EQ(s.bytes(k + r), want[static_cast<std::size_t>(r)]);
        // The same in parts over stale parity: shards 0-1 written, 2-4 and 5 added.
        for (int r = 0; r < m; ++r) std::fill(s.shard(k + r), s.shard(k + r) + length, uint8_t{0x5A});
        const std::span<const uint8_t* const> all(s.data(), static_cast<std::size_t>(k));
        code.encodePart(0, all.subspan(0, 2), {s.parity(), static_cast<std::size_t>(m)}, length, false);
        code.encodePart(2, all.subspan(2, 3), {s.parity(), static_cast<std::size_t>(m)}, length, true);
        code.encodePart(5, all.subspan(5, 1), {s.parity(), static_cast<std::size_t>(m)}, length, true);
        for (int r = 0; r < m; ++r) ASSERT_EQ(s.bytes(k + r), want[static_cast<std::size_t>(r)]);

        // A changed data shard: update with old XOR new.
        std::vector<uint8_t> delta(length, 0);
        for (std::size_t i = 100; i < 200; ++i) {
            delta[i] = static_cast<uint8_t>(i * 7 + 1);
            s.shard(3)[i] ^= delta[i];
        }
        EXPECT_FALSE(code.check({s.data(), static_cast<std::size_t>(k + m)}, length));
        code.update(3, delta, {s.parity(), static_cast<std::size_t>(m)});
        EXPECT_TRUE(code.check({s.data(), static_cast<std::size_t>(k + m)}, length));

        // The scrub finds one flipped bit in the last byte of the last parity shard, and in a data shard.
        s.shard(k + m - 1)[length - 1] ^= 0x10;
        EXPECT_FALSE(code.check({s.data(), static_cast<std::size_t>(k + m)}, length));
        s.shard(k + m - 1)[length - 1] ^= 0x10;
        s.shard(0)[2500] ^= 1;
        EXPECT_FALSE(code.check({s.data(), static_cast<std::size_t>(k + m)}, length));
        EXPECT_TRUE(code.check({s.data(), static_cast<std::size_t>(k + m)}, 2500));
        EXPECT_TRUE(code.check({s.data(), static_cast<std::size_t>(k + m)}, 0));
        EXPECT_TRUE(s.guardsIntact());
    }
}

TEST(ErasureCode, BadInputIsAnErrorAndWritesNothing) {
    // Shape limits per kind.
    EXPECT_EQ(statusOf([] { ErasureCode(0, 1); }), VekCodesBadArgument);
    EXPECT_EQ(statusOf([] { ErasureCode(1, 0); }), VekCodesBadArgument);
    EXPECT_EQ(statusOf([] { ErasureCode(1, 1, static_cast<Matrix>(9)); }), VekCodesBadArgument);
    EXPECT_EQ(statusOf([] { ErasureCode(200, 56); }), VekCodesOutOfRange);
    EXPECT_EQ(statusOf([] { ErasureCode(200, 55); }), 0);
    for (Matrix kind : {Matrix::IsalVandermonde, Matrix::IsalCauchy, Matrix::JerasureVandermonde, Matrix::Zfec}) {
        EXPECT_EQ(statusOf([&] { ErasureCode(200, 57, kind); }), VekCodesOutOfRange);
        EXPECT_EQ(statusOf([&] { ErasureCode(200, 56, kind); }), 0);
    }
    EXPECT_EQ(statusOf([] { ErasureCode::fromMatrix(2, 2, std::vector<uint8_t>(3)); }), VekCodesBadArgument);
    EXPECT_EQ(statusOf([] { ErasureCode::fromMatrix(200, 57, std::vector<uint8_t>(200 * 57)); }), VekCodesOutOfRange);

    const ErasureCode code(4, 2);
    std::mt19937 rng(6);
    Stripe s(4, 2, 100, rng);
    auto untouched = [&] { return s.buffer(4).intact() && s.buffer(5).intact() && s.guardsIntact(); };
    auto all = [&] { return std::span<uint8_t* const>(s.all(), 6); };
    std::vector<uint8_t*> p(s.parity(), s.parity() + 2);
    std::vector<const uint8_t*> d(s.data(), s.data() + 4);

    EXPECT_EQ(statusOf([&] { code.encode({d.data(), 3}, p, 100); }), VekCodesBadArgument);
    EXPECT_EQ(statusOf([&] { code.encode(d, {p.data(), 1}, 100); }), VekCodesBadArgument);
    d[2] = nullptr;
    EXPECT_EQ(statusOf([&] { code.encode(d, p, 100); }), VekCodesNullPointer);
    d[2] = s.shard(2);
    p[1] = s.shard(4) + 99;  // parity 1 overlaps parity 0's last byte
    EXPECT_EQ(statusOf([&] { code.encode(d, p, 100); }), VekCodesOverlap);
    p[1] = s.shard(1) + 50;  // parity overlaps a data shard
    EXPECT_EQ(statusOf([&] { code.encode(d, p, 100); }), VekCodesOverlap);
    EXPECT_EQ(statusOf([&] { code.update(1, {s.shard(4) + 10, 50}, std::vector<uint8_t*>{s.shard(4), s.shard(5)}); }), VekCodesOverlap);
    EXPECT_EQ(statusOf([&] { code.update(4, {s.shard(0), 100}, std::vector<uint8_t*>{s.shard(4), s.shard(5)}); }), VekCodesOutOfRange);
    EXPECT_EQ(statusOf([&] { code.update(-1, {s.shard(0), 100}, std::vector<uint8_t*>{s.shard(4), s.shard(5)}); }), VekCodesOutOfRange);
    const std::vector<uint8_t*> parity{s.shard(4), s.shard(5)};
    EXPECT_EQ(statusOf([&] { code.encodePart(3, std::vector<const uint8_t*>{s.shard(0), s.shard(1)}, parity, 100, true); }), VekCodesOutOfRange);
    EXPECT_EQ(statusOf([&] { code.encodePart(0, std::vector<const uint8_t*>{s.shard(4)}, parity, 100, false); }), VekCodesOverlap);
    EXPECT_TRUE(untouched());

    // Reconstruct: the lost shards (4, 5 here, holding canaries) must stay as they are.
    EXPECT_EQ(statusOf([&] { code.reconstruct({s.all(), 5}, std::vector<int>{4}, 100); }), VekCodesBadArgument);
    EXPECT_EQ(statusOf([&] { code.reconstruct(all(), std::vector<int>{4, 6}, 100); }), VekCodesOutOfRange);
    EXPECT_EQ(statusOf([&] { code.reconstruct(all(), std::vector<int>{-1, 4}, 100); }), VekCodesOutOfRange);
    EXPECT_EQ(statusOf([&] { code.reconstruct(all(), std::vector<int>{4, 5, 0}, 100); }), VekCodesTooFewSurvivors);
    std::vector<uint8_t*> overlapping(s.all(), s.all() + 6);
    overlapping[5] = s.shard(3) + 1;  // a lost buffer over a survivor
    EXPECT_EQ(statusOf([&] { code.reconstruct(overlapping, std::vector<int>{5, 4}, 100); }), VekCodesOverlap);
    overlapping[5] = nullptr;
    EXPECT_EQ(statusOf([&] { code.reconstruct(overlapping, std::vector<int>{4}, 100); }), VekCodesNullPointer);
    EXPECT_TRUE(untouched());

    // Errors carry the companion's text.
    try {
        code.reconstruct(all(), std::vector<int>{0, 1, 2}, 100);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.code().message(), vekCodesStatusText(VekCodesTooFewSurvivors));
    }
    EXPECT_STREQ(statusText(StatusDecodeFailure), vekdiStatusText(StatusDecodeFailure));
}

TEST(ErasureCode, ThreadsShareOneCode) {
    const ErasureCode code(10, 4, Matrix::IsalCauchy);
    std::vector<std::thread> threads;
    std::vector<int> ok(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            std::mt19937 rng(static_cast<unsigned>(100 + t));
            for (int round = 0; round < 20; ++round) {
                Stripe s(10, 4, 1000 + static_cast<std::size_t>(t), rng, static_cast<std::size_t>(t));
                code.encode({s.data(), 10}, {s.parity(), 4}, s.length());
                const auto before = s.bytes(round % 10);
                std::fill(s.shard(round % 10), s.shard(round % 10) + s.length(), uint8_t{0});
                code.reconstruct({s.all(), 14}, std::vector<int>{round % 10, 10 + round % 4}, s.length());
                if (s.bytes(round % 10) != before || !code.check({s.data(), 14}, s.length())) return;
            }
            ok[static_cast<std::size_t>(t)] = 1;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(ok, (std::vector<int>{1, 1, 1, 1}));
}

}  // namespace
}  // namespace vekdi
