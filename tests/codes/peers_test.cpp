// SPDX-License-Identifier: Apache-2.0
// The built-in matrices against the libraries they are named after (Debian's
// ISA-L, Jerasure and zfec), matrices and encoded parity; and ISA-L's
// Vandermonde matrix at (32, 8), whose singular survivor sets must be errors.
// CI checks every shape with k + m <= 32 and a fixed sample above; the long
// mode sweeps every shape up to the limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/erasure_stripe.h"
#include "vekdi.hpp"

extern "C" {
#include <isa-l/erasure_code.h>
#include <jerasure.h>
#include <jerasure/reed_sol.h>
}

namespace vekdi {
namespace {

std::vector<std::pair<int, int>> shapes(int limit) {
    std::vector<std::pair<int, int>> out;
#if defined(VEKDI_LONG_TESTS)
    const int sweep = limit;
#else
    const int sweep = 32;
#endif
    for (int n = 2; n <= sweep; ++n)
        for (int k = 1; k < n; ++k) out.emplace_back(k, n - k);
#if !defined(VEKDI_LONG_TESTS)
    for (auto s : {std::pair{40, 8}, {64, 16}, {100, 28}, {128, 128}, {200, 55}, {1, 254}, {254, 1}, {250, 5}})
        if (s.first + s.second <= limit) out.push_back(s);
    if (limit == 256) out.push_back({255, 1}), out.push_back({128, 127}), out.push_back({1, 255});
#endif
    return out;
}

std::vector<uint8_t> matrixOf(int k, int m, Matrix kind) {
    const ErasureCode code(k, m, kind);
    return {code.parityMatrix().begin(), code.parityMatrix().end()};
}

TEST(Peers, IsalMatrices) {
    for (auto [k, m] : shapes(256)) {
        std::vector<uint8_t> a(static_cast<std::size_t>(k + m) * k);
        gf_gen_rs_matrix(a.data(), k + m, k);
        ASSERT_EQ(matrixOf(k, m, Matrix::IsalVandermonde), std::vector<uint8_t>(a.begin() + k * k, a.end()))
            << "(" << k << "," << m << ")";
        gf_gen_cauchy1_matrix(a.data(), k + m, k);
        ASSERT_EQ(matrixOf(k, m, Matrix::IsalCauchy), std::vector<uint8_t>(a.begin() + k * k, a.end()))
            << "(" << k << "," << m << ")";
    }
}

TEST(Peers, JerasureMatrices) {
    for (auto [k, m] : shapes(256)) {
        int* j = reed_sol_vandermonde_coding_matrix(k, m, 8);
        ASSERT_NE(j, nullptr);
        std::vector<uint8_t> want(j, j + k * m);
        std::free(j);
        ASSERT_EQ(matrixOf(k, m, Matrix::JerasureVandermonde), want) << "(" << k << "," << m << ")";
    }
}

// zfec's parity shares of the unit blocks e_0 ... e_(k-1) are its matrix rows.
TEST(Peers, ZfecMatrices) {
    const char* python = std::getenv("VEKDI_ZFEC_PYTHON");
    if (python == nullptr || *python == '\0') GTEST_SKIP() << "no Python with zfec";
    const auto list = shapes(256);
    std::ostringstream script;
    script << "import zfec\nfor k, n in [";
    for (auto [k, m] : list) script << "(" << k << "," << k + m << "),";
    script << "]:\n    blocks = [bytes(1 if i == j else 0 for i in range(k)) for j in range(k)]\n"
              "    print(' '.join(s.hex() for s in zfec.Encoder(k, n).encode(blocks, list(range(k, n)))))\n";
    const std::string path = ::testing::TempDir() + "vekdi_zfec_matrices.py";
    {
        std::FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(script.str().c_str(), f);
        std::fclose(f);
    }
    std::FILE* p = ::popen((std::string(python) + " " + path).c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[65536];
    for (std::size_t got; (got = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, got);
    ASSERT_EQ(::pclose(p), 0);
    std::istringstream lines(out);
    for (auto [k, m] : list) {
        std::string line;
        ASSERT_TRUE(std::getline(lines, line)) << "(" << k << "," << m << ")";
        std::vector<uint8_t> want;
        for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
            if (line[i] == ' ') ++i;
            want.push_back(static_cast<uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)));
        }
        ASSERT_EQ(matrixOf(k, m, Matrix::Zfec), want) << "(" << k << "," << m << ")";
    }
}

// The parity bytes themselves, through each peer's own encoder.
TEST(Peers, EncodedParity) {
    std::mt19937 rng(9);
    for (auto [k, m] : {std::pair{4, 2}, {10, 4}, {32, 8}, {17, 13}}) {
        const std::size_t length = 4096 + 64;  // Jerasure wants a multiple of the machine word
        test::Stripe s(k, m, length, rng, 0);
        std::vector<std::vector<uint8_t>> peer(static_cast<std::size_t>(m), std::vector<uint8_t>(length));
        std::vector<uint8_t*> peerPtr;
        for (auto& v : peer) peerPtr.push_back(v.data());
        std::vector<uint8_t*> data(s.all(), s.all() + k);

        for (Matrix kind : {Matrix::IsalVandermonde, Matrix::IsalCauchy}) {
            const ErasureCode code(k, m, kind);
            code.encode({s.data(), static_cast<std::size_t>(k)}, {s.parity(), static_cast<std::size_t>(m)}, length);
            std::vector<uint8_t> a(static_cast<std::size_t>(k + m) * k), tables(static_cast<std::size_t>(32 * k * m));
            if (kind == Matrix::IsalVandermonde)
                gf_gen_rs_matrix(a.data(), k + m, k);
            else
                gf_gen_cauchy1_matrix(a.data(), k + m, k);
            ec_init_tables(k, m, a.data() + k * k, tables.data());
            ec_encode_data(static_cast<int>(length), k, m, tables.data(), data.data(), peerPtr.data());
            for (int r = 0; r < m; ++r) ASSERT_EQ(s.bytes(k + r), peer[static_cast<std::size_t>(r)]);
        }
        const ErasureCode code(k, m, Matrix::JerasureVandermonde);
        code.encode({s.data(), static_cast<std::size_t>(k)}, {s.parity(), static_cast<std::size_t>(m)}, length);
        int* matrix = reed_sol_vandermonde_coding_matrix(k, m, 8);
        // Jerasure wants its buffers 16-byte aligned with each other: copies from malloc.
        std::vector<std::vector<uint8_t>> copies;
        for (int j = 0; j < k; ++j) copies.push_back(s.bytes(j));
        std::vector<char*> jd, jc;
        for (auto& v : copies) jd.push_back(reinterpret_cast<char*>(v.data()));
        for (auto& v : peer) jc.push_back(reinterpret_cast<char*>(v.data()));
        jerasure_matrix_encode(k, m, 8, matrix, jd.data(), jc.data(), static_cast<int>(length));
        std::free(matrix);
        for (int r = 0; r < m; ++r) ASSERT_EQ(s.bytes(k + r), peer[static_cast<std::size_t>(r)]);
    }
}

// ISA-L's Vandermonde matrix is not MDS at (32, 8): losing eight shards can
// leave 32 survivors whose rows ISA-L itself cannot invert. Those sets are an
// error here with nothing written; the others rebuild.
TEST(Peers, IsalVandermondeSingularSurvivorSets) {
    const int k = 32, m = 8;
    const ErasureCode code(k, m, Matrix::IsalVandermonde);
    std::vector<uint8_t> a(static_cast<std::size_t>(k + m) * k);
    gf_gen_rs_matrix(a.data(), k + m, k);
    std::mt19937 rng(2026);
    test::Stripe s(k, m, 100, rng);
    code.encode({s.data(), std::size_t{k}}, {s.parity(), std::size_t{m}}, 100);
    std::vector<std::vector<uint8_t>> good;
    for (int i = 0; i < k + m; ++i) good.push_back(s.bytes(i));
    int singular = 0, rebuilt = 0;
    std::vector<int> order(k + m);
    for (int i = 0; i < k + m; ++i) order[static_cast<std::size_t>(i)] = i;
    for (int trial = 0; trial < 4000 && (singular < 3 || rebuilt < 3); ++trial) {
        std::shuffle(order.begin(), order.end(), rng);
        std::vector<int> lost(order.begin(), order.begin() + m);
        std::vector<bool> isLost(k + m, false);
        for (int i : lost) isLost[static_cast<std::size_t>(i)] = true;
        std::vector<uint8_t> sub, inv(static_cast<std::size_t>(k) * k);
        for (int i = 0; i < k + m; ++i)
            if (!isLost[static_cast<std::size_t>(i)]) sub.insert(sub.end(), a.begin() + i * k, a.begin() + (i + 1) * k);
        const bool isalInverts = gf_invert_matrix(sub.data(), inv.data(), k) == 0;
        if (!isalInverts && singular >= 3) continue;
        for (int i : lost) std::fill(s.shard(i), s.shard(i) + 100, uint8_t{0xEE});
        int status = 0;
        try {
            code.reconstruct({s.all(), std::size_t{k + m}}, lost, 100);
        } catch (const Error& e) {
            status = e.status();
        }
        if (isalInverts) {
            ASSERT_EQ(status, 0);
            for (int i = 0; i < k + m; ++i) ASSERT_EQ(s.bytes(i), good[static_cast<std::size_t>(i)]);
            ++rebuilt;
        } else {
            ASSERT_EQ(status, VekCodesSingular);
            for (int i : lost) ASSERT_TRUE(std::all_of(s.shard(i), s.shard(i) + 100, [](uint8_t b) { return b == 0xEE; }));
            for (int i : lost) std::copy(good[static_cast<std::size_t>(i)].begin(), good[static_cast<std::size_t>(i)].end(), s.shard(i));
            ++singular;
        }
    }
    EXPECT_GE(singular, 1) << "no singular survivor set found";
    EXPECT_GE(rebuilt, 3);
}

}  // namespace
}  // namespace vekdi
