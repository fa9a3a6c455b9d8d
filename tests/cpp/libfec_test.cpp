// SPDX-License-Identifier: Apache-2.0
// The C++ interface against libfec on the same inputs: libfec's parameters
// (symsize, gfpoly, fcr, prim, nroots, pad) map onto CodeOptions and (n, k),
// and the CCSDS code matches encode_rs_ccsds / decode_rs_ccsds byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tests/support/code_reference.h"
#include "tests/support/fields.h"
#include "vekdi.hpp"

extern "C" {
#include <fec.h>
}

namespace vekdi::test {
namespace {

struct FecCode {
    int symsize, gfpoly, fcr, prim, nroots, pad;
};

TEST(CppLibfec, SameCodewordsAndCorrectionsForLibfecParameters) {
    std::mt19937& gen = rng();
    for (const FecCode& p : {FecCode{4, 0x13, 0, 1, 6, 3}, FecCode{6, 0x43, 1, 5, 10, 20}, FecCode{8, 0x11D, 1, 1, 32, 51},
                             FecCode{8, 0x11D, 0, 7, 16, 100}, FecCode{8, 0x187, 112, 11, 32, 0}}) {
        const int full = (1 << p.symsize) - 1, n = full - p.pad, k = n - p.nroots;
        std::unique_ptr<void, void (*)(void*)> fec(init_rs_char(p.symsize, p.gfpoly, p.fcr, p.prim, p.nroots, p.pad),
                                                   free_rs_char);
        ASSERT_NE(fec, nullptr);
        const ReedSolomon rs(n, k, CodeOptions{unsigned(p.gfpoly), p.fcr, p.prim});
        for (int i = 0; i < 30; ++i) {
            auto message = randomSymbols(k, full + 1, gen);
            auto ours = rs.encode(message);
            std::vector<uint8_t> theirs(static_cast<size_t>(n));
            std::copy(message.begin(), message.end(), theirs.begin());
            encode_rs_char(fec.get(), theirs.data(), theirs.data() + k);
            ASSERT_EQ(ours, theirs) << "gfpoly " << p.gfpoly << " prim " << p.prim;

            const auto original = ours;
            const int s = int(gen() % unsigned(p.nroots + 1));
            const int nu = int(gen() % unsigned((p.nroots - s) / 2 + 2));  // sometimes one beyond
            const Damage d = damage(ours, full + 1, nu, s, gen);
            theirs = ours;
            std::vector<int> list = d.erasures;
            list.resize(size_t(n));
            const int fecCount = decode_rs_char(fec.get(), theirs.data(), list.data(), s);
            const DecodeResult result = rs.decode(ours, d.erasures);
            if (2 * nu + s <= p.nroots) {
                ASSERT_TRUE(result);
                ASSERT_GE(fecCount, 0);
                ASSERT_EQ(ours, original);
                ASSERT_EQ(theirs, original);
            } else if (result && fecCount >= 0) {
                ASSERT_EQ(ours, theirs);
            }
        }
    }
}

TEST(CppLibfec, CcsdsMatchesByteForByte) {
    std::mt19937& gen = rng();
    for (int n : {255, 204, 160, 33}) {
        const int pad = 255 - n, k = n - 32;
        const ReedSolomon rs(n, k, CodeOptions::ccsds());
        for (int i = 0; i < 40; ++i) {
            auto ours = rs.encode(randomSymbols(k, 256, gen));
            std::vector<uint8_t> theirs = ours;
            encode_rs_ccsds(theirs.data(), theirs.data() + k, pad);
            ASSERT_EQ(ours, theirs) << "n " << n;

            const auto original = ours;
            const int s = int(gen() % 33u);
            const int nu = (32 - s) / 2 + (i % 4 == 3 ? 1 : 0);
            const Damage d = damage(ours, 256, nu, s, gen);
            theirs = ours;
            std::vector<int> list = d.erasures;
            list.resize(size_t(n));
            const int fecCount = decode_rs_ccsds(theirs.data(), list.data(), s, pad);
            const DecodeResult result = rs.decode(ours, d.erasures, Algorithm::Euclid);
            if (2 * nu + s <= 32) {
                ASSERT_TRUE(result);
                ASSERT_GE(fecCount, 0);
                ASSERT_EQ(ours, original);
                ASSERT_EQ(theirs, original);
            } else if (result && fecCount >= 0) {
                ASSERT_EQ(ours, theirs);
            }
        }
    }
}

}  // namespace
}  // namespace vekdi::test
