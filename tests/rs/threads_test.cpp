// SPDX-License-Identifier: Apache-2.0
// Contexts shared by many threads from a cold start: the first use of the
// kernel dispatch, encoder and decoder initialisation, both decoders on shared
// contexts (table-driven and generic fields) and polynomial products with
// shared operands all race here. Built into its own program so nothing has
// warmed up before the threads start; run under ThreadSanitizer by the tsan
// preset.
#include <gtest/gtest.h>

#include <latch>
#include <random>
#include <thread>
#include <vector>

#include "tests/support/rs_code.h"
#include "vekdi.h"

namespace vekdi::test {
namespace {

struct Work {
    std::vector<uint8_t> codeword, received;
    std::vector<int> erasures;
};

// Words within the radius of known codewords, prepared before the threads start.
std::vector<Work> prepare(const RSCode& code, int count, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<Work> out(static_cast<size_t>(count));
    for (Work& w : out) {
        w.codeword = code.encode(code.randomMessage(gen));
        w.received = w.codeword;
        const int s = int(gen() % unsigned(code.r() / 2 + 1));
        const int nu = int(gen() % unsigned((code.r() - s) / 2 + 1));
        w.erasures = corrupt(w.received, code.order(), nu, s, gen).erasures;
    }
    return out;
}

TEST(Threads, ColdStartSharedContextsDecodeAndMultiply) {
    // GF(256)/0x11D takes the table-driven path, GF(32)/0x25 the generic one.
    RSCode wide(8, 0x11D, 239, 1), narrow(5, 0x25, 25, 2);
    const auto wideWork = prepare(wide, 24, 1), narrowWork = prepare(narrow, 24, 2);
    const int threads = 8;
    std::latch start(threads);
    std::vector<int> failures(size_t(threads), 0);
    std::vector<std::vector<uint8_t>> products(static_cast<size_t>(threads));

    // Shared read-only polynomial operands over the wide field.
    int size = 0;
    ASSERT_EQ(veksPolyGFGetSize_8u(40, &size), StatusOk);
    std::vector<uint64_t> aStore(size_t(size) / 8 + 1), bStore(size_t(size) / 8 + 1);
    auto* a = reinterpret_cast<VeksPolyGF_8u*>(aStore.data());
    auto* b = reinterpret_cast<VeksPolyGF_8u*>(bStore.data());
    ASSERT_EQ(veksPolyGFInit_8u(wide.field(), 40, a), StatusOk);
    ASSERT_EQ(veksPolyGFInit_8u(wide.field(), 40, b), StatusOk);
    std::vector<uint8_t> ca(21), cb(20);
    for (size_t i = 0; i < ca.size(); ++i) ca[i] = uint8_t(i * 13 + 1);
    for (size_t i = 0; i < cb.size(); ++i) cb[i] = uint8_t(i * 7 + 5);
    ASSERT_EQ(veksPolyGFSetCoeffs_8u(ca.data(), 20, a), StatusOk);
    ASSERT_EQ(veksPolyGFSetCoeffs_8u(cb.data(), 19, b), StatusOk);

    auto decodeAll = [](const VeksRSDecoder_8u* dec, const std::vector<Work>& work) {
        int bad = 0;
        std::vector<uint8_t> buffer(2048);
        for (const Work& w : work) {
            for (bool euclid : {false, true}) {
                std::vector<uint8_t> word = w.received;
                const int* list = w.erasures.empty() ? nullptr : w.erasures.data();
                const int count = int(w.erasures.size());
                const VekStatus st = euclid ? veksRSDecodeEE_8u(list, count, word.data(), dec, buffer.data())
                                            : veksRSDecodeBM_8u(list, count, word.data(), dec, buffer.data());
                bad += st != StatusOk || word != w.codeword;
            }
        }
        return bad;
    };

    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            start.arrive_and_wait();
            // Each thread also initialises its own decoder for the shared field.
            int decSize = 0;
            veksRSDecodeGetSize_8u(255, 239, &decSize);
            std::vector<uint64_t> own(size_t(decSize) / 8 + 1);
            auto* ownDec = reinterpret_cast<VeksRSDecoder_8u*>(own.data());
            int& bad = failures[size_t(t)];
            bad += veksRSDecodeInit_8u(255, 239, wide.field(), 1, ownDec) != StatusOk;
            bad += decodeAll(t % 2 ? ownDec : wide.decoder(), wideWork);
            bad += decodeAll(narrow.decoder(), narrowWork);
            std::vector<uint64_t> rStore(size_t(size) / 8 + 1);
            auto* r = reinterpret_cast<VeksPolyGF_8u*>(rStore.data());
            bad += veksPolyGFInit_8u(wide.field(), 40, r) != StatusOk;
            bad += veksPolyGFMul_8u(a, b, r) != StatusOk;
            uint8_t* coeffs = nullptr;
            int degree = 0;
            veksPolyGFGetRef_8u(&coeffs, &degree, nullptr, r);
            products[size_t(t)].assign(coeffs, coeffs + degree + 1);
        });
    }
    for (auto& th : pool) th.join();
    for (int t = 0; t < threads; ++t) {
        EXPECT_EQ(failures[size_t(t)], 0) << "thread " << t;
        EXPECT_EQ(products[size_t(t)], products[0]);
    }
    EXPECT_EQ(products[0].size(), 40u);  // degree 20 + 19
}

}  // namespace
}  // namespace vekdi::test
