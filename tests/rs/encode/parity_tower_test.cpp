// SPDX-License-Identifier: Apache-2.0
// The vector parity kernel against an independent long-division encoder, for
// every built-in field, a spread of redundancies and roots, and through the
// encode export.
#include <gtest/gtest.h>

#include <numeric>

#include "rs/encode/parity_tower.h"
#include "simd/tower/tower_records.h"
#include "rs/encode/shift_register.h"
#include "tests/support/rs_code.h"
#include "tests/support/tower_variants.h"

namespace vekdi::test {
namespace {

struct Encoder {
    std::vector<uint64_t> store;
    RSEncoder* get() { return reinterpret_cast<RSEncoder*>(store.data()); }
    Encoder(const FieldGF* f, int k, uint8_t root) : store(size_t(encoderContextSize(255, k)) / 8 + 2) {
        EXPECT_EQ(::veksRSEncodeInit_8u(255, k, f, root, get()), StatusOk);
    }
};

std::vector<std::vector<uint8_t>> messages(int k, std::mt19937& gen) {
    std::vector<std::vector<uint8_t>> out;
    out.emplace_back(size_t(k), 0);
    out.emplace_back(size_t(k), 0xFF);
    out.emplace_back(size_t(k), 0);
    out.back().front() = 1;
    out.emplace_back(size_t(k), 0);
    out.back().back() = 0x80;
    for (int i = 0; i < 3; ++i) {
        out.emplace_back(size_t(k));
        for (auto& b : out.back()) b = uint8_t(gen());
    }
    return out;
}

TEST(TowerEncoder, ParityMatchesLongDivisionForEveryField) {
    std::mt19937 gen(31);
    int checked = 0;
    std::vector<int> everyR(254);
    std::iota(everyR.begin(), everyR.end(), 1);
    const std::vector<int> someR = {1, 2, 7, 15, 16, 17, 31, 32, 33, 64, 65, 97, 128, 200, 254};
    for (const TowerRecord& rec : towerRecords()) {
        // Every redundancy for the common field, a spread for the others.
        for (int r : rec.key == 0x11D ? everyR : someR) {
            const uint8_t root = uint8_t(1 + gen() % 255);
            const RSCode code(8, rec.key, 255 - r, root);
            Encoder enc(code.field(), 255 - r, root);
            for (const auto& m : messages(255 - r, gen)) {
                const auto expected = code.referenceEncode(m);
                for (const tower::TowerKernels* k : runnableVariants()) {
                    std::vector<uint8_t> parity(size_t(r) + 16, 0x5A);
                    const bool byKernel = rsEncodeParityTower(parity.data(), m.data(), enc.get(), *k);
                    ASSERT_EQ(byKernel, k->encodeParity != nullptr) << k->name;
                    if (byKernel) {
                        ASSERT_TRUE(std::equal(parity.begin(), parity.begin() + r, expected.begin() + (255 - r)))
                            << k->name << " key " << rec.key << " r " << r;
                        ++checked;
                    }
                    for (size_t i = size_t(byKernel ? r : 0); i < parity.size(); ++i) ASSERT_EQ(parity[i], 0x5A);
                }
                // The shift register every other machine uses gives the same parity.
                std::vector<uint8_t> reg(size_t(r) + 16, 0x5A);
                std::vector<uint8_t> logs(size_t(r), 0);
                rsShiftRegisterParity(reg.data(), logs.data(), m.data(), enc.get());
                ASSERT_TRUE(std::equal(reg.begin(), reg.begin() + r, expected.begin() + (255 - r))) << r;
                for (size_t i = size_t(r); i < reg.size(); ++i) ASSERT_EQ(reg[i], 0x5A);
                std::vector<uint8_t> word(255);
                std::vector<uint8_t> buffer(255 + size_t(r));
                ASSERT_EQ(::veksRSEncode_8u(m.data(), word.data(), enc.get(), buffer.data()), StatusOk);
                ASSERT_EQ(word, expected);
            }
        }
    }
    bool anyKernel = false;
    for (const tower::TowerKernels* k : runnableVariants()) anyKernel |= k->encodeParity != nullptr;
    EXPECT_TRUE(!anyKernel || checked > 0);
}

TEST(TowerEncoder, FieldsWithoutRecordsKeepTheShiftRegister) {
    const TestField f(4, 0x13);
    std::vector<uint64_t> store(16);
    auto* e = reinterpret_cast<RSEncoder*>(store.data());
    ASSERT_EQ(::veksRSEncodeInit_8u(15, 11, f.get(), 2, e), StatusOk);
    const uint8_t message[11] = {1, 2, 3};
    uint8_t parity[4] = {7, 7, 7, 7};
    for (const tower::TowerKernels* k : runnableVariants()) {
        EXPECT_FALSE(rsEncodeParityTower(parity, message, e, *k));
        EXPECT_EQ(parity[0], 7);
    }
}

}  // namespace
}  // namespace vekdi::test
