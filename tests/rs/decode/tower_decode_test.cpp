// SPDX-License-Identifier: Apache-2.0
// The table-driven decoders against the generic ones: for every built-in
// field, a spread of redundancies and roots, words clean, within and beyond
// the correction capability and every kind of erasure list, both decoders in
// every vector variant the machine runs must give the generic status and the
// generic bytes, without touching a byte past their scratch buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "rs/decode/drivers.h"
#include "rs/decode/arith_tower.h"
#include "rs/decode/berlekamp_massey.h"
#include "simd/tower/tower_arith.h"
#include "simd/tower/tower_records.h"
#include "rs/decode/pipeline.h"
#include "tests/support/rs_code.h"
#include "tests/support/tower_variants.h"

namespace vekdi::test {
namespace {

const bool kLongMode = iterations(0, 1) == 1;
constexpr int kRedundancies[] = {1, 2, 15, 16, 17, 31, 32, 33, 64, 128, 254};

#if defined(__SANITIZE_ADDRESS__) || defined(VEKDI_COVERAGE_BUILD)
constexpr int kSanitizerDivisor = 4;
#else
constexpr int kSanitizerDivisor = 1;
#endif

enum class Kind { Clean, Within, Beyond, Repeated, ErasedErrors, AllErased, Garbage, kCount };

struct Word {
    std::vector<uint8_t> bytes;
    std::vector<int> erasures;
    bool nullList = false;
    int count = 0;  // passed as the erasure count
};

std::vector<int> distinctPositions(int count, std::mt19937& gen) {
    std::vector<int> all(255);
    std::iota(all.begin(), all.end(), 0);
    std::shuffle(all.begin(), all.end(), gen);
    all.resize(size_t(count));
    return all;
}

uint8_t nonzero(std::mt19937& gen) { return uint8_t(std::uniform_int_distribution<int>(1, 255)(gen)); }

// Builds a received word of the given kind from a codeword.
Word makeWord(const RSCode& code, Kind kind, std::mt19937& gen) {
    const int r = code.r();
    Word w{code.randomCodeword(gen), {}, false, 0};
    auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    int nu = 0, s = 0;
    switch (kind) {
        case Kind::Clean: s = uni(0, r); break;
        case Kind::Within: s = uni(0, r); nu = uni(0, (r - s) / 2); break;
        case Kind::Beyond: s = uni(0, r); nu = std::min(254 - s, (r - s) / 2 + uni(1, 3)); break;
        case Kind::Repeated: s = std::max(2, uni(0, r)); nu = uni(0, r / 4); break;
        case Kind::ErasedErrors: s = uni(1, r); nu = uni(0, (r - s) / 2); break;
        case Kind::AllErased: s = r; break;
        case Kind::Garbage: s = uni(0, r); break;
        default: break;
    }
    s = std::min(s, r);
    const auto pos = distinctPositions(std::min(255, nu + s), gen);
    for (int i = 0; i < nu; ++i) w.bytes[size_t(pos[size_t(i)])] ^= nonzero(gen);
    for (int i = 0; i < s && nu + i < 255; ++i) {
        const int p = pos[size_t(nu + i)];
        w.erasures.push_back(p);
        if (uni(0, 1)) w.bytes[size_t(p)] = uint8_t(uni(0, 255));  // sometimes keeps the right byte
    }
    if (kind == Kind::Repeated && w.erasures.size() >= 2) w.erasures.back() = w.erasures.front();
    if (kind == Kind::ErasedErrors && nu > 0) w.erasures.front() = pos[0];  // an error inside the list
    if (kind == Kind::Garbage)
        for (auto& b : w.bytes) b = uint8_t(uni(0, 255));
    w.count = int(w.erasures.size());
    if (w.erasures.empty() && uni(0, 1)) {  // a null list with a meaningless count
        w.nullList = true;
        w.count = uni(-3, 1000);
    }
    return w;
}

using Driver = VekStatus (*)(const int*, int, uint8_t*, const RSDecoder*, uint8_t*);
using TowerDriver = VekStatus (*)(const int*, int, uint8_t*, const RSDecoder*, uint8_t*, const tower::TowerKernels&);

struct Outcome {
    VekStatus status;
    std::vector<uint8_t> bytes;
    bool operator==(const Outcome&) const = default;
};

template <class Run>
Outcome runWith(const Word& w, int bufferSize, int offset, Run&& run) {
    Outcome o{StatusOk, w.bytes};
    GuardedBytes scratch{size_t(bufferSize), size_t(offset)};
    o.status = run(w.nullList ? nullptr : w.erasures.data(), w.count, o.bytes.data(), scratch.data());
    EXPECT_TRUE(scratch.guardsIntact()) << "scratch overrun";
    return o;
}

struct Tally {
    long words = 0, corrected = 0, failures = 0, miscorrections = 0;
};

// Generic against every variant for both decoders; returns the generic BM outcome.
void compareAll(const RSCode& code, const Word& w, Tally* tally, std::mt19937& gen) {
    const RSDecoder h = code.header();
    const int n = 255, k = 255 - code.r();
    const int offset = int(gen() % 16);
    struct Pair {
        Driver generic;
        TowerDriver tower;
        int size;
        VekStatus (*exported)(const int*, int, uint8_t*, const VeksRSDecoder_8u*, uint8_t*);
        const char* name;
    };
    const Pair pairs[] = {{rsDecodeBMGeneric, rsDecodeBMFastWith, bmBufferSize(n, k), ::veksRSDecodeBM_8u, "BM"},
                          {rsDecodeEEGeneric, rsDecodeEEFastWith, eeBufferSize(n, k), ::veksRSDecodeEE_8u, "EE"}};
    for (const Pair& p : pairs) {
        const Outcome ref = runWith(w, p.size, offset, [&](const int* l, int c, uint8_t* cw, uint8_t* buf) {
            return p.generic(l, c, cw, &h, buf);
        });
        for (const tower::TowerKernels* variant : runnableVariants()) {
            // The long mode runs the slow portable reference on every eighth word.
            if (kLongMode && variant == &tower::towerPortable && tally->words % 8 != 0) continue;
            const Outcome got = runWith(w, p.size, offset, [&](const int* l, int c, uint8_t* cw, uint8_t* buf) {
                return p.tower(l, c, cw, &h, buf, *variant);
            });
            ASSERT_EQ(got, ref) << p.name << " " << variant->name << " r=" << code.r() << " key=" << std::hex
                                << code.field()->generatorMask;
        }
        const Outcome exported = runWith(w, p.size, offset, [&](const int* l, int c, uint8_t* cw, uint8_t* buf) {
            return p.exported(l, c, cw, code.decoder(), buf);
        });
        ASSERT_EQ(exported, ref) << p.name << " through the export";
        if (ref.status == StatusOk) {
            if (p.generic == rsDecodeBMGeneric && ref.bytes != w.bytes) ++tally->corrected;
            if (!code.isCodeword(ref.bytes)) ++tally->miscorrections;
        } else {
            if (p.generic == rsDecodeBMGeneric) ++tally->failures;
            EXPECT_EQ(ref.status, StatusDecodeFailure);
        }
    }
    ++tally->words;
}

void runSweep(int wordsPerCase) {
    std::mt19937 gen(2024);
    Tally tally;
    int choice = 0, cell = 0;
    for (const TowerRecord& rec : towerRecords()) {
        for (int r : kRedundancies) {
            // The quick mode takes every third (field, redundancy) cell along the
            // diagonals: each field meets several redundancies and each redundancy
            // ten fields. The long mode takes the whole matrix.
            if (!kLongMode && cell++ % 3 != 0) continue;
            const TestField f(8, rec.key);
            const uint8_t alpha = uint8_t(f.get()->alpha);
            const uint8_t roots[] = {1, alpha, expTable(f.get())[gen() % 255], nonzero(gen)};
            const RSCode code(8, rec.key, 255 - r, roots[choice++ % 4], int(gen() % 16));
            ASSERT_NE(code.decoder(), nullptr);
            const RSDecoder h = code.header();
            ASSERT_TRUE(decoderHasTowerRecord(&h));
            for (int kind = 0; kind < int(Kind::kCount); ++kind) {
                for (int i = 0; i < wordsPerCase; ++i) {
                    const Word w = makeWord(code, Kind(kind), gen);
                    compareAll(code, w, &tally, gen);
                    if (::testing::Test::HasFatalFailure()) return;
                }
            }
        }
    }
    EXPECT_EQ(tally.miscorrections, 0) << "a decoder returned StatusOk with a word that is not a codeword";
    EXPECT_GT(tally.corrected, tally.words / 4);
    EXPECT_GT(tally.failures, tally.words / 20);
    std::printf("words %ld (each through both decoders): BM corrected %ld, failed %ld\n", tally.words, tally.corrected,
                tally.failures);
}

TEST(TowerDecoders, MatchGenericOnEveryFieldRedundancyAndWordKind) {
    runSweep(iterations(2, 450) / kSanitizerDivisor + 1);  // long mode: over 10^6 words
}

// Within the capability every decoder restores the transmitted codeword.
TEST(TowerDecoders, CorrectEverythingWithinCapability) {
    std::mt19937 gen(7);
    for (int r : {2, 16, 17, 32, 33}) {
        const RSCode code(8, 0x11D, 255 - r, 2);
        const RSDecoder h = code.header();
        for (int i = 0; i < iterations(60, 3000) / kSanitizerDivisor; ++i) {
            Word w = makeWord(code, Kind::Within, gen);
            // Recover the codeword the word was made from by decoding generically.
            const Outcome ref = runWith(w, bmBufferSize(255, 255 - r), 0, [&](const int* l, int c, uint8_t* cw, uint8_t* buf) {
                return rsDecodeBMGeneric(l, c, cw, &h, buf);
            });
            ASSERT_EQ(ref.status, StatusOk);
            ASSERT_TRUE(code.isCodeword(ref.bytes));
            for (auto driver : {rsDecodeBMFast, rsDecodeEEFast}) {
                const Outcome got = runWith(w, eeBufferSize(255, 255 - r), 3, [&](const int* l, int c, uint8_t* cw, uint8_t* buf) {
                    return driver(l, c, cw, &h, buf);
                });
                ASSERT_EQ(got, ref);
            }
        }
    }
}

// Contexts at every address offset modulo 16 decode identically.
TEST(TowerDecoders, ContextOffsetsGiveIdenticalResults) {
    std::mt19937 gen(99);
    const RSCode base(8, 0x11D, 255 - 32, 2, 0);
    std::vector<Word> words;
    for (int kind = 0; kind < int(Kind::kCount); ++kind) words.push_back(makeWord(base, Kind(kind), gen));
    std::vector<Outcome> expected;
    for (const Word& w : words)
        expected.push_back(runWith(w, bmBufferSize(255, 223), 0, [&](const int* l, int c, uint8_t* cw, uint8_t* buf) {
            return ::veksRSDecodeBM_8u(l, c, cw, base.decoder(), buf);
        }));
    for (int offset = 1; offset < 16; ++offset) {
        const RSCode code(8, 0x11D, 255 - 32, 2, offset);
        for (size_t i = 0; i < words.size(); ++i) {
            for (auto dec : {::veksRSDecodeBM_8u, ::veksRSDecodeEE_8u}) {
                const Outcome got = runWith(words[i], eeBufferSize(255, 223), offset, [&](const int* l, int c, uint8_t* cw, uint8_t* buf) {
                    return dec(l, c, cw, code.decoder(), buf);
                });
                ASSERT_EQ(got, expected[i]) << offset;
            }
        }
    }
}

// The context's point blocks: Chien blocks are gamma^0 ... gamma^255 in
// order, starting with the block of 1 and ending with lane 15 = 1; the
// syndrome blocks describe the root powers in the tower basis.
TEST(TowerDecoders, InitialisationBuildsThePointBlocks) {
    for (const TowerRecord& rec : towerRecords()) {
        const RSCode code(8, rec.key, 255 - 17, 3, 5);
        const RSDecoder h = code.header();
        ASSERT_EQ(h.tower.toTower, rec.toTower);
        ASSERT_EQ(h.tower.fromTower, rec.fromTower);
        ASSERT_EQ(h.tower.pow, rec.towerPow);
        ASSERT_EQ(h.tower.log, rec.towerLog);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(h.tower.chienBlocks) % 16, 0u);
        EXPECT_EQ(h.tower.chienBlocks, h.rootPowers + 32);
        EXPECT_EQ(h.tower.syndromeBlocks, h.tower.chienBlocks + 1024);
        const uint8_t* first = h.tower.chienBlocks;
        const uint8_t* last = h.tower.chienBlocks + 15 * 64;
        const uint8_t one[4] = {0x00, 0xC0, 0xC0, 0x00};
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(first[16 * row], one[row]);
            EXPECT_EQ(last[16 * row + 15], one[row]);
        }
        // Evaluating x at the blocks gives back the points.
        const uint8_t x[2] = {0, 1};
        uint8_t values[256];
        tower::towerPortable.evalPolyBlocks(values, x, 2, h.tower.chienBlocks, 16);
        for (int i = 0; i < 256; ++i) ASSERT_EQ(values[i], rec.towerPow[i]);
        tower::towerPortable.evalPolyBlocks(values, x, 2, h.tower.syndromeBlocks, 2);
        for (int j = 0; j < 32; ++j) {
            uint8_t image = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (h.rootPowers[j] & (1 << bit)) image ^= rec.toTower[16 * bit];
            ASSERT_EQ(values[j], image) << j;
        }
    }
    // Fields below GF(256) carry no tables.
    const TestField f16(4, 0x13);
    std::vector<uint64_t> store(200);
    auto* ctx = reinterpret_cast<VeksRSDecoder_8u*>(store.data());
    ASSERT_EQ(::veksRSDecodeInit_8u(15, 11, f16.get(), 2, ctx), StatusOk);
    const RSDecoder small = loadDecoderHeader(ctx);
    EXPECT_FALSE(decoderHasTowerRecord(&small));
}

// Forney's step forms a value wherever the derivative is nonzero and reports
// how many it formed; a position where it vanishes is not skipped silently.
TEST(TowerDecodeKernels, ErrorValuesCountOnlyFormablePositions) {
    const RSCode code(8, 0x11D, 255 - 8, 2);
    const RSDecoder h = code.header();
    for (const tower::TowerKernels* k : runnableVariants()) {
        // D(x) = 1 + X2 x vanishes at X2^-1 only; W = 1.
        const uint8_t exps[3] = {10, 20, 30};
        alignas(16) uint8_t dc[16] = {1, h.tower.pow[20]};
        alignas(16) uint8_t wc[16] = {1};
        PolyGF dPoly, wPoly;
        polyWrap(&dPoly, code.field(), dc, 16, 1);
        polyWrap(&wPoly, code.field(), wc, 16, 0);
        alignas(16) uint8_t scratch[7 * 16];
        uint8_t e[3], lg[3];
        ErrataList errata{e, lg, 0};
        EXPECT_EQ(rsErrorValues(TowerArith(&h, *k), &errata, &dPoly, &wPoly, exps, 3, scratch), 2) << k->name;
        ASSERT_EQ(errata.count, 2);
        EXPECT_EQ(errata.exps[0], 10);
        EXPECT_EQ(errata.exps[1], 30);
    }
}

// The variants this machine runs that have an optional kernel.
template <class Kernel>
std::vector<const tower::TowerKernels*> runnableWith(Kernel tower::TowerKernels::*kernel) {
    std::vector<const tower::TowerKernels*> out;
    for (const tower::TowerKernels* k : runnableVariants())
        if (k->*kernel != nullptr) out.push_back(k);
    return out;
}

// The syndromes of an error pattern, against the defining sum.
TEST(TowerDecodeKernels, ErrataSyndromesFollowTheDefinition) {
    std::mt19937 gen(5);
    const uint8_t* pow = findTowerRecord(0x11D)->towerPow;
    const auto variants = runnableWith(&tower::TowerKernels::errataSyndromes);
    if (variants.empty()) GTEST_SKIP() << "no variant this machine runs has the errataSyndromes kernel";
    for (const tower::TowerKernels* k : variants) {
        for (int r : {1, 2, 16, 31, 32, 33, 64, 200, 254}) {
            for (int trial = 0; trial < 20; ++trial) {
                const int count = int(gen() % unsigned(std::min(r, 40) + 1));
                const auto pos = distinctPositions(count, gen);
                std::vector<uint8_t> exps(static_cast<size_t>(count)), logs(static_cast<size_t>(count));
                for (int i = 0; i < count; ++i) {
                    exps[size_t(i)] = uint8_t(pos[size_t(i)]);
                    logs[size_t(i)] = uint8_t(gen() % 255);
                }
                const int b = int(gen() % 255);
                std::vector<uint8_t> expected(size_t(r), 0), got(size_t(r) + 8, 0x5A);
                for (int j = 1; j <= r; ++j)
                    for (int i = 0; i < count; ++i)
                        expected[size_t(j - 1)] ^= pow[(logs[size_t(i)] + unsigned(b + j - 1) * exps[size_t(i)]) % 255];
                k->errataSyndromes(got.data(), exps.data(), logs.data(), count, b, r, pow);
                ASSERT_TRUE(std::equal(expected.begin(), expected.end(), got.begin())) << k->name << " r " << r;
                for (size_t i = size_t(r); i < got.size(); ++i) ASSERT_EQ(got[i], 0x5A);
            }
        }
    }
}

// A variant's whole-iteration Berlekamp-Massey (locator and evaluator)
// against the step-by-step one on the same kernels: syndromes of a few errors (discrepancies that vanish
// early) and of garbage, erasure locators of every degree, every redundancy
// the kernel takes and one past it.
TEST(TowerDecodeKernels, WholeBerlekampMasseyFollowsTheSteps) {
    std::mt19937 gen(9);
    const auto variants = runnableWith(&tower::TowerKernels::berlekampMassey);
    if (variants.empty()) GTEST_SKIP() << "no variant this machine runs has the berlekampMassey kernel";
    for (const tower::TowerKernels* k : variants) {
        tower::TowerKernels steps = *k;
        steps.berlekampMassey = nullptr;
        for (int r : {1, 2, 3, 15, 16, 17, 31, 32, 33, 47, 61, 62, 63}) {
            const RSCode code(8, 0x11D, 255 - r, 2);
            const RSDecoder h = code.header();
            for (int trial = 0; trial < 60; ++trial) {
                alignas(16) uint8_t syn[272] = {1}, lam[2][272] = {}, omega[2][272] = {};
                const int terms = trial % 4 == 3 ? -1 : trial % 4 + int(gen() % unsigned(r / 2 + 1));
                for (int j = 1; j <= r; ++j) syn[j] = terms < 0 ? uint8_t(gen()) : 0;
                for (int e = 0; e < terms; ++e) {  // S_j += Y X^j
                    const uint8_t x = nonzero(gen);
                    uint8_t v = nonzero(gen);
                    for (int j = 1; j <= r; ++j) syn[j] ^= v = tower::towerMul(v, x);
                }
                const int gammaDegree = int(gen() % unsigned(r + 1));
                lam[0][0] = 1;
                for (int j = 1; j <= gammaDegree; ++j) lam[0][j] = uint8_t(gen());
                lam[0][gammaDegree] |= 1;
                std::memcpy(lam[1], lam[0], sizeof lam[0]);
                PolyGF s, whole, stepped, w[2];
                polyWrap(&s, code.field(), syn, r16(r + 1), r);
                polyWrap(&whole, code.field(), lam[0], r16(r + 1), gammaDegree);
                polyWrap(&stepped, code.field(), lam[1], r16(r + 1), gammaDegree);
                for (int i = 0; i < 2; ++i) polyWrap(&w[i], code.field(), omega[i], r16(r + 1), 0);
                rsBerlekampMassey(TowerArith(&h, *k), &whole, &w[0], &s);
                rsBerlekampMassey(TowerArith(&h, steps), &stepped, &w[1], &s);
                const std::string where = std::string(k->name) + " r " + std::to_string(r) + " trial " + std::to_string(trial);
                ASSERT_EQ(whole.degree, stepped.degree) << where;
                ASSERT_EQ(w[0].degree, w[1].degree) << where;
                ASSERT_TRUE(std::equal(lam[0], lam[0] + 272, lam[1])) << where;
                ASSERT_TRUE(std::equal(omega[0], omega[0] + 272, omega[1])) << where;
            }
        }
    }
}

// A variant's root finder against the scan of its values: locators with
// planted roots (all of them distinct positions, up to 255) and random
// polynomials with few or no roots.
TEST(TowerDecodeKernels, ChienRootsListTheZerosOfTheValues) {
    std::mt19937 gen(11);
    const RSCode code(8, 0x11D, 1, 2);
    const RSDecoder h = code.header();
    const auto variants = runnableWith(&tower::TowerKernels::chienRoots);
    if (variants.empty()) GTEST_SKIP() << "no variant this machine runs has the chienRoots kernel";
    for (const tower::TowerKernels* k : variants) {
        tower::TowerKernels scan = *k;
        scan.chienRoots = nullptr;
        for (int degree : {1, 2, 8, 16, 33, 64, 200, 254}) {
            for (int trial = 0; trial < 10; ++trial) {
                alignas(16) uint8_t coeffs[272] = {1};
                if (trial % 2 == 0) {
                    const auto pos = distinctPositions(degree, gen);
                    for (int i = 0; i < degree; ++i) k->mulLinear(coeffs, i + 1, h.tower.pow[pos[size_t(i)]]);
                } else {
                    for (int i = 1; i <= degree; ++i) coeffs[i] = uint8_t(gen());
                    coeffs[degree] |= 1;
                }
                PolyGF l;
                polyWrap(&l, code.field(), coeffs, 272, degree);
                uint8_t got[256], expected[256];
                const int n = rsChienSearchFast(got, &l, h.tower.chienBlocks, h.tower.pow[1], *k);
                ASSERT_EQ(n, rsChienSearchFast(expected, &l, h.tower.chienBlocks, h.tower.pow[1], scan)) << k->name;
                ASSERT_TRUE(std::equal(got, got + n, expected)) << k->name << " degree " << degree;
                if (trial % 2 == 0) {
                    ASSERT_EQ(n, degree);
                }
            }
        }
    }
}

// A variant's syndromes straight from the word against the received word's
// syndromes by the portable kernels: both generators with built-in tables,
// redundancies with and without a partial last block, any root, random and
// all-ones words (exactly 255 bytes on the heap: the sanitizer build sees
// any read past them), with the context's basis change and with a matrix
// that differs from lane to lane.
TEST(TowerDecodeKernels, WordSyndromesMatchTheReceivedWordsSyndromes) {
    std::mt19937 gen(17);
    alignas(16) uint8_t random[128];
    for (auto& v : random) v = uint8_t(gen());
    const auto variants = runnableWith(&tower::TowerKernels::wordSyndromes);
    if (variants.empty()) GTEST_SKIP() << "no variant this machine runs has the wordSyndromes kernel";
    for (const tower::TowerKernels* k : variants) {
        for (uint32_t mask : {0x11Du, 0x11Bu}) {
            for (int r : {1, 4, 5, 16, 31, 32, 33, 64, 200, 254}) {
                const RSCode code(8, mask, 255 - r, uint8_t(1 + gen() % 255));
                for (int trial = 0; trial < 4; ++trial) {
                    RSDecoder h = code.header();
                    if (trial == 2) h.tower.toTower = random;
                    std::vector<uint8_t> word(255);
                    for (auto& b : word) b = trial == 3 ? 0xFF : uint8_t(gen());
                    alignas(16) uint8_t area[256], own[288], expected[288] = {};
                    PolyGF received, syn;
                    polyWrap(&received, code.field(), area, 256, 254);
                    polyWrap(&syn, code.field(), expected, 288, 0);
                    const TowerArith portable(&h, tower::towerPortable);
                    rsReceive(portable, received.coeffs, word.data(), 255);
                    portable.syndromes(&syn, &received);
                    polyWrap(&syn, code.field(), own, 288, 0);
                    std::memset(own, 0, sizeof own);
                    ASSERT_TRUE(TowerArith(&h, *k).wordSyndromes(&syn, word.data()));
                    ASSERT_TRUE(std::equal(own, own + r + 1, expected)) << k->name << " r " << r << " trial " << trial;
                }
            }
        }
    }
}

// A variant's reversed conversion against a reversal and its conversion,
// for a basis change (the same matrix in every lane) and a matrix that is
// not, at lengths around the vector width.
TEST(TowerDecodeKernels, ConvertReversedIsReversalThenConversion) {
    std::mt19937 gen(13);
    alignas(16) uint8_t random[128];
    for (auto& v : random) v = uint8_t(gen());
    const auto variants = runnableWith(&tower::TowerKernels::convertReversed);
    if (variants.empty()) GTEST_SKIP() << "no variant this machine runs has the convertReversed kernel";
    for (const tower::TowerKernels* k : variants) {
        for (const uint8_t* matrix : {findTowerRecord(0x11D)->toTower, static_cast<const uint8_t*>(random)}) {
            for (int len : {1, 15, 31, 32, 33, 64, 100, 255}) {
                std::vector<uint8_t> in(static_cast<size_t>(len));
                for (auto& v : in) v = uint8_t(gen());
                alignas(16) uint8_t got[272], expected[272];
                std::memset(got, 0x5A, sizeof got);
                std::memset(expected, 0x5A, sizeof expected);
                std::reverse_copy(in.begin(), in.end(), expected);
                std::memset(expected + len, 0, size_t(r16(len) - len));
                k->convert(expected, expected, len, matrix);
                k->convertReversed(got, in.data(), len, matrix);
                ASSERT_TRUE(std::equal(got, got + sizeof got, expected)) << k->name << " length " << len;
            }
        }
    }
}

}  // namespace
}  // namespace vekdi::test
