// SPDX-License-Identifier: Apache-2.0
// Both decoders: restoration within the capability, agreement and soundness
// beyond it, placement of the context, concurrency.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "rs/decode/arith_lanes.h"
#include "rs/decode/drivers.h"
#include "rs/decode/euclid.h"
#include "rs/decode/pipeline.h"
#include "tests/support/guarded_bytes.h"
#include "tests/support/rs_code.h"
#include "tests/support/reference_gf.h"

namespace vekdi::test {
namespace {

uint8_t alphaPower(int m, uint32_t mask, int e) {
    TestField f(m, mask);
    uint32_t v = 1;
    for (int i = 0; i < e; ++i) v = gfMulTable(f, v, f.get()->alpha);
    return uint8_t(v);
}

// Both decoders on copies of `word`; both must restore `original`.
void expectRestored(const RSCode& code, const std::vector<uint8_t>& original, const std::vector<uint8_t>& word,
                    const std::vector<int>& erasures, const char* what) {
    auto bm = word, ee = word;
    ASSERT_EQ(code.decodeBM(bm, erasures), StatusOk) << what;
    ASSERT_EQ(code.decodeEE(ee, erasures), StatusOk) << what;
    ASSERT_EQ(bm, original) << what;
    ASSERT_EQ(ee, original) << what;
}

TEST(RSDecode, CleanCodewordsComeBackUntouched) {
    std::mt19937& gen = rng();
    for (auto [m, mask] : {std::pair{3, 0xBu}, {4, 0x13u}, {6, 0x43u}, {8, 0x11Du}, {8, 0x11Bu}}) {
        const int n = (1 << m) - 1;
        for (int k : {1, n / 2, n - 1}) {
            RSCode code(m, mask, k, alphaPower(m, mask, 1));
            const auto word = code.encode(code.randomMessage(gen));
            expectRestored(code, word, word, {}, "no erasures");
            const std::vector<int> list = code.r() >= 2 ? std::vector<int>{0, n - 1} : std::vector<int>{n - 1};
            expectRestored(code, word, word, list, "erasure list ignored");
        }
    }
}

// Every (nu, s) with 2 nu + s <= r, errors and erasures anywhere (data and
// parity), erased bytes garbage or kept.
void sweepCapability(const RSCode& code, int patterns, std::mt19937& gen) {
    const int r = code.r();
    for (int s = 0; s <= r; ++s) {
        for (int nu = 0; 2 * nu + s <= r; ++nu) {
            for (int i = 0; i < patterns; ++i) {
                const auto original = code.encode(code.randomMessage(gen));
                auto word = original;
                const Errata e = corrupt(word, code.order(), nu, s, gen);
                expectRestored(code, original, word, e.erasures, "within capability");
                if (::testing::Test::HasFatalFailure()) {
                    ADD_FAILURE() << "n=" << code.n() << " k=" << code.k() << " root=" << int(code.root())
                                  << " nu=" << nu << " s=" << s;
                    return;
                }
            }
        }
    }
}

TEST(RSDecode, SmallFieldsRestoreEveryCorrectablePattern) {
    std::mt19937& gen = rng();
    const int patterns = iterations(12, 60);
    for (int m : {2, 3, 4}) {
        const int n = (1 << m) - 1;
        for (uint32_t mask : irreducibleMasks(m)) {
            for (int b : {0, 1, n - 2}) {
                const uint8_t root = alphaPower(m, mask, b);
                for (int k = 1; k < n; ++k) {
                    RSCode code(m, mask, k, root);
                    sweepCapability(code, patterns, gen);
                    if (HasFailure()) return;
                }
            }
        }
    }
}

TEST(RSDecode, LargeFieldsRestoreRandomCorrectablePatterns) {
    std::mt19937& gen = rng();
    const int words = iterations(400, 4000);
    struct Case {
        int m;
        uint32_t mask;
        int k, b;
    };
    const Case cases[] = {{8, 0x11D, 223, 1}, {8, 0x11D, 239, 0}, {8, 0x11B, 200, 120}, {8, 0x1F5, 251, 7},
                          {8, 0x12B, 127, 1}, {7, 0x89, 99, 5},   {6, 0x43, 41, 3},     {5, 0x25, 20, 30}};
    for (const Case& c : cases) {
        RSCode code(c.m, c.mask, c.k, alphaPower(c.m, c.mask, c.b));
        const int r = code.r();
        for (int i = 0; i < words; ++i) {
            const int s = int(gen() % unsigned(r + 1));
            const int nu = int(gen() % unsigned((r - s) / 2 + 1));
            const auto original = code.encode(code.randomMessage(gen));
            auto word = original;
            const Errata e = corrupt(word, code.order(), nu, s, gen);
            expectRestored(code, original, word, e.erasures, "random pattern");
            if (HasFatalFailure()) return;
        }
        // The extreme patterns: all erasures, all errors, first and last byte.
        for (int i = 0; i < 20; ++i) {
            const auto original = code.encode(code.randomMessage(gen));
            auto word = original;
            const Errata e = corrupt(word, code.order(), 0, r, gen);
            expectRestored(code, original, word, e.erasures, "r erasures");
            word = original;
            corrupt(word, code.order(), r / 2, 0, gen);
            expectRestored(code, original, word, {}, "r/2 errors");
        }
        auto original = code.encode(code.randomMessage(gen));
        auto word = original;
        word.front() ^= 1;
        word.back() ^= 0x11 & (code.order() - 1);
        expectRestored(code, original, word, {}, "first and last byte");
    }
}

// Number of positions outside the erasures where two words differ.
int errorsOutside(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, const std::vector<int>& erasures) {
    int count = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && std::find(erasures.begin(), erasures.end(), int(i)) == erasures.end()) ++count;
    return count;
}

TEST(RSDecode, BeyondCapabilityBothDecodersAgreeAndNeverLie) {
    std::mt19937& gen = rng();
    const int words = iterations(20000, 100000);
    struct Case {
        int m;
        uint32_t mask;
        int k, b;
    };
    const Case cases[] = {{3, 0xB, 3, 1}, {4, 0x13, 9, 0}, {4, 0x19, 5, 3}, {5, 0x25, 21, 1},
                          {6, 0x43, 51, 2}, {8, 0x11D, 239, 1}, {8, 0x11B, 247, 0}};
    int ok = 0, failed = 0;
    for (const Case& c : cases) {
        RSCode code(c.m, c.mask, c.k, alphaPower(c.m, c.mask, c.b));
        const int r = code.r();
        for (int i = 0; i < words / int(std::size(cases)); ++i) {
            const auto original = code.encode(code.randomMessage(gen));
            auto word = original;
            const int s = int(gen() % unsigned(r + 1));
            const int nu = (r - s) / 2 + 1 + int(gen() % 3);  // one to three errors too many
            if (nu + s > code.n()) continue;
            const Errata e = corrupt(word, code.order(), nu, s, gen);
            auto bm = word, ee = word;
            const VekStatus sb = code.decodeBM(bm, e.erasures);
            const VekStatus se = code.decodeEE(ee, e.erasures);
            ASSERT_EQ(sb, se) << "i=" << i << " m=" << c.m;
            ASSERT_EQ(bm, ee) << "i=" << i << " m=" << c.m;
            if (sb == StatusOk) {
                ++ok;
                ASSERT_TRUE(code.isCodeword(bm));
                ASSERT_LE(2 * errorsOutside(bm, word, e.erasures) + s, r);
            } else {
                ASSERT_EQ(sb, StatusDecodeFailure);
                ASSERT_EQ(bm, word);
                ++failed;
            }
        }
    }
    // Small codes miscorrect often; both outcomes must have been exercised.
    EXPECT_GT(ok, 0);
    EXPECT_GT(failed, 0);
}

// The lane drivers (what the exports run without a tower record; up to
// GF(16) the whole decode in one call first), with the table kernels this
// machine has and with the bit planes alone, against the
// plain logarithm-table drivers, on every generator of every field from
// GF(4) to GF(256) (x generating or not), short, middling and long
// redundancies, roots alpha^b for random b: words within and beyond the
// capability, with an erasure listed twice and pure garbage must give the
// same status and bytes, with nothing written past the scratch buffer.
TEST(RSDecode, LaneDriversMatchTheLogTableDrivers) {
    std::mt19937& gen = rng();
    const int words = iterations(6, 60);
    using Driver = VekStatus (*)(const int*, int, uint8_t*, const RSDecoder*, uint8_t*);
    using LaneDriver = VekStatus (*)(const int*, int, uint8_t*, const RSDecoder*, uint8_t*, const TableLaneKernels*);
    struct Pair {
        LaneDriver lanes;
        Driver reference;
        int (*size)(int, int);
    };
    const Pair pairs[] = {
        {[](const int* l, int c, uint8_t* w, const RSDecoder* d, uint8_t* b, const TableLaneKernels* t) {
             return rsDecodeWith<BerlekampMassey>(LaneArith(d, t), l, c, w, b);
         },
         rsDecodeBMGeneric, bmBufferSize},
        {[](const int* l, int c, uint8_t* w, const RSDecoder* d, uint8_t* b, const TableLaneKernels* t) {
             return rsDecodeWith<Euclid>(LaneArith(d, t), l, c, w, b);
         },
         rsDecodeEEGeneric, eeBufferSize},
        {[](const int* l, int c, uint8_t* w, const RSDecoder* d, uint8_t* b, const TableLaneKernels* t) {
             VekStatus st;  // the whole decode in one call where it takes the code
             if (rsDecodeWholeLanes(&st, l, c, w, d, t)) return st;
             return rsDecodeWith<BerlekampMassey>(LaneArith(d, t), l, c, w, b);
         },
         rsDecodeEEGeneric, bmBufferSize}};
    const TableLaneKernels* kernels[] = {nullptr, tableLaneKernels()};
    for (int m = 2; m <= 8; ++m) {
        const int n = (1 << m) - 1;
        for (uint32_t mask : irreducibleMasks(m)) {
            for (int r : {1, 2, std::min(8, n - 1), n / 2 + 1, n - 1}) {
                RSCode code(m, mask, n - r, alphaPower(m, mask, int(gen() % unsigned(n))));
                const RSDecoder h = code.header();
                for (int i = 0; i < 4 * words; ++i) {
                    auto word = code.randomCodeword(gen);
                    const int s = int(gen() % unsigned(r + 1));
                    const int kind = i % 4;  // within, beyond, repeated erasure, garbage
                    const int nu = std::min(n - s, (r - s) / 2 + (kind == 1 ? 1 + int(gen() % 3) : 0));
                    Errata e = corrupt(word, code.order(), kind == 0 ? int(gen() % unsigned(nu + 1)) : nu, s, gen);
                    if (kind == 2 && s >= 2) e.erasures.back() = e.erasures.front();
                    if (kind == 3)
                        for (auto& b : word) b = uint8_t(gen() % unsigned(code.order()));
                    for (const Pair& p : pairs) {
                        const size_t size = size_t(p.size(n, n - r));
                        GuardedBytes bufB(size, gen() % 16);
                        auto b = word;
                        const VekStatus sb = p.reference(e.erasures.data(), s, b.data(), &h, bufB.data());
                        for (const TableLaneKernels* t : kernels) {
                            GuardedBytes bufA(size, gen() % 16);
                            auto a = word;
                            const VekStatus sa = p.lanes(e.erasures.data(), s, a.data(), &h, bufA.data(), t);
                            ASSERT_EQ(sa, sb) << "m=" << m << " mask=" << mask << " r=" << r << " kind=" << kind
                                              << " tables=" << (t != nullptr);
                            ASSERT_EQ(a, b) << "m=" << m << " mask=" << mask << " r=" << r << " kind=" << kind
                                            << " tables=" << (t != nullptr);
                            ASSERT_TRUE(bufA.guardsIntact());
                        }
                    }
                }
            }
        }
    }
}

// The whole decode against both logarithm-table drivers on every received
// word of every RS(3, k) over GF(4), every root, every erasure list of up to
// r positions (repeats included).
TEST(RSDecode, WholeDecodeMatchesOnEveryGF4Word) {
    const TableLaneKernels* t = tableLaneKernels();
    if (t == nullptr) GTEST_SKIP() << "no table kernels on this machine";
    for (int k : {1, 2}) {
        for (int root = 1; root < 4; ++root) {
            RSCode code(2, 0x7, k, uint8_t(root));
            const RSDecoder h = code.header();
            std::vector<std::vector<int>> lists = {{}};
            for (size_t i = 0; i < lists.size(); ++i)
                if (int(lists[i].size()) < code.r())
                    for (int p = 0; p < 3; ++p) {
                        lists.push_back(lists[i]);
                        lists.back().push_back(p);
                    }
            std::vector<uint8_t> buffer(size_t(eeBufferSize(3, k)));
            for (int word = 0; word < 64; ++word) {
                for (const auto& list : lists) {
                    const std::vector<uint8_t> received = {uint8_t(word & 3), uint8_t(word >> 2 & 3),
                                                           uint8_t(word >> 4)};
                    auto whole = received, bm = received, ee = received;
                    const int count = int(list.size());
                    VekStatus st = StatusOk;
                    ASSERT_TRUE(rsDecodeWholeLanes(&st, list.data(), count, whole.data(), &h, t));
                    ASSERT_EQ(st, rsDecodeBMGeneric(list.data(), count, bm.data(), &h, buffer.data()));
                    ASSERT_EQ(st, rsDecodeEEGeneric(list.data(), count, ee.data(), &h, buffer.data()));
                    ASSERT_EQ(whole, bm) << "k=" << k << " root=" << root << " word=" << word;
                    ASSERT_EQ(whole, ee);
                }
            }
        }
    }
}

TEST(RSDecode, RepeatedErasureIsADecodeFailure) {
    RSCode code(8, 0x11D, 223, 2);
    const auto original = code.encode(code.randomMessage(rng()));
    auto word = original;
    word[10] ^= 0x44;
    word[50] ^= 0x01;
    const std::vector<int> list = {10, 50, 10};
    auto bm = word, ee = word;
    EXPECT_EQ(code.decodeBM(bm, list), StatusDecodeFailure);
    EXPECT_EQ(code.decodeEE(ee, list), StatusDecodeFailure);
    EXPECT_EQ(bm, word);
    EXPECT_EQ(ee, word);
    // A clean word with the same list is still fine (syndromes zero first).
    auto clean = original;
    EXPECT_EQ(code.decodeBM(clean, list), StatusOk);
    EXPECT_EQ(clean, original);
}

TEST(RSDecode, ContextAtEveryAddressOffsetGivesSameResults) {
    TestField f(8, 0x11D);
    const int n = 255, k = 235;
    RSCode ref(8, 0x11D, k, 2);
    int size = 0;
    ASSERT_EQ(veksRSDecodeGetSize_8u(n, k, &size), StatusOk);
    std::mt19937 gen(7);
    std::vector<std::vector<uint8_t>> words;
    std::vector<std::vector<int>> lists;
    for (int i = 0; i < 8; ++i) {
        words.push_back(ref.encode(ref.randomMessage(gen)));
        lists.push_back(corrupt(words.back(), 256, i % 6, (i * 3) % 9, gen).erasures);
    }
    words.push_back(words[0]);  // beyond capability
    corrupt(words.back(), 256, 14, 0, gen);
    lists.emplace_back();
    int bmSize = 0, eeSize = 0;
    ASSERT_EQ(veksRSDecodeBMGetBufferSize_8u(ref.decoder(), &bmSize), StatusOk);
    ASSERT_EQ(veksRSDecodeEEGetBufferSize_8u(ref.decoder(), &eeSize), StatusOk);
    for (int offset = 0; offset < 16; ++offset) {
        std::vector<uint8_t> mem(static_cast<size_t>(size + 32));
        uint8_t* base = mem.data() + (16 - reinterpret_cast<uintptr_t>(mem.data()) % 16) + offset;
        auto* dec = reinterpret_cast<VeksRSDecoder_8u*>(base);
        ASSERT_EQ(veksRSDecodeInit_8u(n, k, f, 2, dec), StatusOk);
        for (size_t w = 0; w < words.size(); ++w) {
            auto expectBM = words[w], expectEE = words[w], gotBM = words[w], gotEE = words[w];
            const int* list = lists[w].empty() ? nullptr : lists[w].data();
            const int count = int(lists[w].size());
            std::vector<uint8_t> buffer(static_cast<size_t>(std::max(bmSize, eeSize)));
            const VekStatus rb = veksRSDecodeBM_8u(list, count, expectBM.data(), ref.decoder(), buffer.data());
            const VekStatus re = veksRSDecodeEE_8u(list, count, expectEE.data(), ref.decoder(), buffer.data());
            EXPECT_EQ(veksRSDecodeBM_8u(list, count, gotBM.data(), dec, buffer.data() + offset % 3), rb);
            EXPECT_EQ(veksRSDecodeEE_8u(list, count, gotEE.data(), dec, buffer.data() + offset % 3), re);
            EXPECT_EQ(gotBM, expectBM) << offset;
            EXPECT_EQ(gotEE, expectEE) << offset;
        }
    }
}

TEST(RSDecode, ThreadsSharingContextsMatchOneThread) {
    RSCode code(8, 0x11B, 223, 3);
    struct Job {
        std::vector<uint8_t> message, word;
        std::vector<int> erasures;
        VekStatus bm = StatusOk, ee = StatusOk;
        std::vector<uint8_t> encoded, bmOut, eeOut;
    };
    std::mt19937 gen(99);
    const int jobsPerThread = iterations(40, 400), threads = 8;
    std::vector<Job> jobs(size_t(jobsPerThread * threads));
    for (Job& j : jobs) {
        j.message = code.randomMessage(gen);
        j.word = code.encode(j.message);
        const int nu = int(gen() % 20), s = int(gen() % 8);
        j.erasures = corrupt(j.word, 256, nu, s, gen).erasures;
    }
    auto run = [&](Job& j, std::vector<uint8_t>& encBuf, std::vector<uint8_t>& decBuf) {
        j.encoded.assign(255, 0);
        veksRSEncode_8u(j.message.data(), j.encoded.data(), code.encoder(), encBuf.data());
        j.bmOut = j.word;
        j.eeOut = j.word;
        const int* list = j.erasures.empty() ? nullptr : j.erasures.data();
        j.bm = veksRSDecodeBM_8u(list, int(j.erasures.size()), j.bmOut.data(), code.decoder(), decBuf.data());
        j.ee = veksRSDecodeEE_8u(list, int(j.erasures.size()), j.eeOut.data(), code.decoder(), decBuf.data());
    };
    std::vector<Job> single = jobs;
    {
        std::vector<uint8_t> encBuf(287), decBuf(700);
        for (Job& j : single) run(j, encBuf, decBuf);
    }
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            std::vector<uint8_t> encBuf(287), decBuf(700);
            for (int i = t; i < int(jobs.size()); i += threads) run(jobs[size_t(i)], encBuf, decBuf);
        });
    }
    for (auto& th : pool) th.join();
    int corrected = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        ASSERT_EQ(jobs[i].encoded, single[i].encoded);
        ASSERT_EQ(jobs[i].bm, single[i].bm);
        ASSERT_EQ(jobs[i].ee, single[i].ee);
        ASSERT_EQ(jobs[i].bmOut, single[i].bmOut);
        ASSERT_EQ(jobs[i].eeOut, single[i].eeOut);
        corrected += jobs[i].bm == StatusOk;
    }
    EXPECT_GT(corrected, 0);
}

}  // namespace
}  // namespace vekdi::test
