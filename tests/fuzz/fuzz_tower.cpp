// SPDX-License-Identifier: Apache-2.0
// White-box: every tower-kernel variant this machine runs against the
// portable one, on the same inputs. Each primitive is called within its
// documented preconditions with outputs in guarded areas; then whole decodes
// of a GF(256) code (Berlekamp-Massey and Euclid) run through each variant's
// table-driven driver and through the generic driver, and the parity
// kernels are compared with the shift register. Outputs must be identical.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "rs/decode/decoder.h"
#include "rs/decode/drivers.h"
#include "rs/encode/encoder.h"
#include "rs/encode/parity_tower.h"
#include "rs/encode/shift_register.h"
#include "simd/tower/tower_records.h"
#include "simd/tower/kernels.h"
#include "simd/tower/tower_arith.h"
#include "tests/fuzz/fuzz_support.h"
#include "vekdi.h"

namespace {

using vekdi::fuzz::Area;
using vekdi::tower::TowerKernels;

std::vector<const TowerKernels*> runnable() {
    std::vector<const TowerKernels*> out;
    for (const TowerKernels* k : vekdi::tower::towerVariants())
        if (vekdi::tower::towerSupported(*k)) out.push_back(k);
    return out;
}

int groups(int len) { return (len + 15) / 16 * 16; }

// Runs `op` for the portable variant and for every other one into guarded
// areas of `size` bytes that start out equal; demands equal bytes.
void sameAsPortable(size_t size, uint8_t fill, const std::function<void(const TowerKernels&, uint8_t*)>& op) {
    Area expect(size, 0, fill);
    op(vekdi::tower::towerPortable, expect.data());
    FUZZ_CHECK(expect.canaryIntact());
    for (const TowerKernels* k : runnable()) {
        Area got(size, 0, fill);
        op(*k, got.data());
        FUZZ_CHECK(got.canaryIntact());
        FUZZ_CHECK(std::equal(expect.data(), expect.data() + size, got.data()));
    }
}

// Bytes from the input, zero-padded to `size`, in a 64-byte-aligned area.
struct Input {
    Area area;
    Input(FuzzedDataProvider& in, size_t size, size_t used) : area(size, 0) {
        const auto bytes = in.ConsumeBytes<uint8_t>(used);
        std::copy(bytes.begin(), bytes.end(), area.data());
    }
    const uint8_t* data() { return area.data(); }
};

void primitives(FuzzedDataProvider& in) {
    const int len = in.ConsumeIntegralInRange(1, 300);
    const int g = groups(len);
    const uint8_t c = in.ConsumeIntegral<uint8_t>();
    Input a(in, size_t(g) + 16, size_t(g));
    Input b(in, size_t(g) + 16, size_t(g));
    Input matrix(in, 128, 128);

    sameAsPortable(size_t(g), 0x11, [&](const TowerKernels& k, uint8_t* out) { k.convert(out, a.data(), len, matrix.data()); });
    sameAsPortable(4 * size_t(g), 0x22, [&](const TowerKernels& k, uint8_t* out) { k.expandPoints(out, a.data(), len); });
    sameAsPortable(1, 0, [&](const TowerKernels& k, uint8_t* out) { *out = k.dot(a.data(), b.data(), len); });
    sameAsPortable(size_t(g), 0x33, [&](const TowerKernels& k, uint8_t* out) { k.mulConst(out, a.data(), len, c); });
    sameAsPortable(size_t(g), 0x44, [&](const TowerKernels& k, uint8_t* out) {
        std::copy(b.data(), b.data() + g, out);
        k.mulAddConst(out, a.data(), len, c);
    });

    // Product: a zero past aLen within its last group.
    const int aLen = in.ConsumeIntegralInRange(1, 200), sLen = in.ConsumeIntegralInRange(1, 100);
    Area pa(size_t(groups(aLen)) + 16, 0);
    std::copy(a.data(), a.data() + std::min(aLen, g), pa.data());
    sameAsPortable(size_t(groups(aLen + sLen - 1)), 0x55,
                   [&](const TowerKernels& k, uint8_t* out) { k.polyMul(out, pa.data(), aLen, b.data(), sLen); });

    // p(x)(1 + c x): coefficients above the degree zero within the groups.
    const int pLen = in.ConsumeIntegralInRange(1, 250);
    sameAsPortable(size_t(groups(pLen + 1)), 0, [&](const TowerKernels& k, uint8_t* out) {
        std::copy(a.data(), a.data() + std::min(pLen, g), out);
        k.mulLinear(out, pLen, c);
    });

    // Evaluation at point blocks: arbitrary points, and a geometric sequence.
    const int count = in.ConsumeIntegralInRange(1, 255);
    const int blocks = in.ConsumeIntegralInRange(1, 16);
    Area coeffs(size_t(count), 0);
    for (int i = 0; i < count; ++i) coeffs.data()[i] = a.data()[i % g] ^ uint8_t(i);
    Area points(16 * size_t(blocks), 0), pointBlocks(64 * size_t(blocks), 0);
    const uint8_t start = in.ConsumeIntegral<uint8_t>(), ratio = in.ConsumeIntegral<uint8_t>();
    uint8_t p = start;
    for (int i = 0; i < 16 * blocks; ++i, p = vekdi::tower::towerMul(p, ratio)) points.data()[i] = p;
    vekdi::tower::towerPortable.expandPoints(pointBlocks.data(), points.data(), 16 * blocks);
    sameAsPortable(16, 0, [&](const TowerKernels& k, uint8_t* out) {
        k.evalPoly16(out, coeffs.data(), count, pointBlocks.data());
    });
    sameAsPortable(16 * size_t(blocks), 0, [&](const TowerKernels& k, uint8_t* out) {
        k.evalPolyBlocks(out, coeffs.data(), count, pointBlocks.data(), blocks);
    });
    sameAsPortable(16 * size_t(blocks), 0, [&](const TowerKernels& k, uint8_t* out) {
        k.evalGeometric(out, coeffs.data(), count, pointBlocks.data(), blocks, ratio);
    });

    // Syndromes of an error pattern, against the defining sum.
    const int r = in.ConsumeIntegralInRange(1, 254), errata = in.ConsumeIntegralInRange(0, 40), base = in.ConsumeIntegralInRange(0, 254);
    const uint8_t* pow = vekdi::towerRecords()[size_t(in.ConsumeIntegralInRange(0, vekdi::kTowerRecordCount - 1))].towerPow;
    std::vector<uint8_t> exps(size_t(errata) + 1), logs(size_t(errata) + 1);
    for (int i = 0; i < errata; ++i) {
        exps[size_t(i)] = uint8_t(in.ConsumeIntegralInRange(0, 254));
        logs[size_t(i)] = uint8_t(in.ConsumeIntegralInRange(0, 254));
    }
    std::vector<uint8_t> expected(size_t(r), 0);
    for (int j = 1; j <= r; ++j)
        for (int i = 0; i < errata; ++i)
            expected[size_t(j - 1)] ^= pow[(logs[size_t(i)] + unsigned(base + j - 1) * exps[size_t(i)]) % 255];
    for (const TowerKernels* k : runnable()) {
        if (k->errataSyndromes == nullptr) continue;
        Area out(size_t(r), 0);
        k->errataSyndromes(out.data(), exps.data(), logs.data(), errata, base, r, pow);
        FUZZ_CHECK(out.canaryIntact() && std::equal(expected.begin(), expected.end(), out.data()));
    }
}

// A GF(256) code with a built-in record; parity and decodes through every variant.
void code(FuzzedDataProvider& in) {
    const vekdi::TowerRecord& rec =
        vekdi::towerRecords()[size_t(in.ConsumeIntegralInRange(0, vekdi::kTowerRecordCount - 1))];
    uint8_t gen[9];
    for (int i = 0; i <= 8; ++i) gen[i] = (rec.key >> i) & 1;
    const int n = 255, r = in.ConsumeIntegralInRange(1, 254), k = n - r;
    const uint8_t root = uint8_t(in.ConsumeIntegralInRange(1, 255));
    int size = 0;
    veksGFGetSize_8u(8, &size);
    Area field(size_t(size), 0);
    FUZZ_CHECK(veksGFInit_8u(8, gen, field.as<VeksGFContext_8u>()) == StatusOk);
    veksRSEncodeGetSize_8u(n, k, &size);
    Area enc(size_t(size), 0);
    veksRSDecodeGetSize_8u(n, k, &size);
    Area dec(size_t(size), 0);
    FUZZ_CHECK(veksRSEncodeInit_8u(n, k, field.as<VeksGFContext_8u>(), root, enc.as<VeksRSEncoder_8u>()) == StatusOk);
    FUZZ_CHECK(veksRSDecodeInit_8u(n, k, field.as<VeksGFContext_8u>(), root, dec.as<VeksRSDecoder_8u>()) == StatusOk);
    const auto* encoder = enc.as<vekdi::RSEncoder>();

    std::vector<uint8_t> message(static_cast<size_t>(k));
    for (uint8_t& v : message) v = in.ConsumeIntegral<uint8_t>();
    std::vector<uint8_t> parity(size_t(r) + 16, 0x5A), logs(size_t(r) + 16, 0);
    vekdi::rsShiftRegisterParity(parity.data(), logs.data(), message.data(), encoder);
    for (const TowerKernels* kv : runnable()) {
        Area tower(size_t(r), 0);
        if (vekdi::rsEncodeParityTower(tower.data(), message.data(), encoder, *kv))
            FUZZ_CHECK(tower.canaryIntact() && std::equal(tower.data(), tower.data() + r, parity.begin()));
    }

    std::vector<uint8_t> word(message);
    word.insert(word.end(), parity.begin(), parity.begin() + r);
    const int changes = in.ConsumeIntegralInRange(0, r);
    for (int i = 0; i < changes; ++i) word[size_t(in.ConsumeIntegralInRange(0, n - 1))] = in.ConsumeIntegral<uint8_t>();
    std::vector<int> erasures(size_t(in.ConsumeIntegralInRange(0, r)));
    for (int& p : erasures) p = in.ConsumeIntegralInRange(0, n - 1);  // duplicates allowed

    const vekdi::RSDecoder header = vekdi::loadDecoderHeader(dec.data());
    const int scratchSize = std::max(vekdi::bmBufferSize(n, k), vekdi::eeBufferSize(n, k));
    for (bool euclid : {false, true}) {
        auto run = [&](auto&& driver) {
            std::vector<uint8_t> w = word;
            Area scratch(size_t(scratchSize), 0, 0xC3);
            const VekStatus st = driver(erasures.data(), int(erasures.size()), w.data(), &header, scratch.data());
            FUZZ_CHECK(scratch.canaryIntact());
            w.push_back(uint8_t(st));
            return w;
        };
        const auto expect = run(euclid ? vekdi::rsDecodeEEGeneric : vekdi::rsDecodeBMGeneric);
        for (const TowerKernels* kv : runnable()) {
            const auto got = run([&](const int* e, int c, uint8_t* w, const vekdi::RSDecoder* d, uint8_t* b) {
                return euclid ? vekdi::rsDecodeEEFastWith(e, c, w, d, b, *kv) : vekdi::rsDecodeBMFastWith(e, c, w, d, b, *kv);
            });
            FUZZ_CHECK(got == expect);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        primitives(in);
    else
        code(in);
    return 0;
}
