// SPDX-License-Identifier: Apache-2.0
// Element operations through the exported entry points, GF(256)/0x11D.
#include <benchmark/benchmark.h>

#include <vector>

#include "gf/field.h"

namespace {

struct Field256 {
    std::vector<uint32_t> storage = std::vector<uint32_t>(540 / 4);
    Field256() { vekdi::gfBuildTables(storage.data(), 8, 0x11D, 2); }
    const VeksGFContext_8u* get() const { return reinterpret_cast<const VeksGFContext_8u*>(storage.data()); }
};

const Field256& field() {
    static const Field256 f;
    return f;
}

template <VekStatus (*Op)(uint8_t, uint8_t, uint8_t*, const VeksGFContext_8u*)>
void binaryOp(benchmark::State& state) {
    const VeksGFContext_8u* f = field().get();
    uint8_t acc = 1;
    uint8_t b = 3;
    for (auto _ : state) {
        uint8_t r;
        Op(acc, b, &r, f);
        acc = r | 1;
        b = uint8_t(b + 7) | 1;
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(state.iterations());
}

void inverse(benchmark::State& state) {
    const VeksGFContext_8u* f = field().get();
    uint8_t a = 1;
    for (auto _ : state) {
        uint8_t r;
        veksGFInv_8u(a, &r, f);
        a = uint8_t(r + 1) | 1;
        benchmark::DoNotOptimize(a);
    }
    state.SetItemsProcessed(state.iterations());
}

void power(benchmark::State& state) {
    const VeksGFContext_8u* f = field().get();
    uint8_t a = 3;
    int e = -100000;
    for (auto _ : state) {
        uint8_t r;
        veksGFPow_8u(a, e, &r, f);
        a = r | 1;
        e += 12345;
        benchmark::DoNotOptimize(a);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(binaryOp<veksGFMul_8u>)->Name("GFMul");
BENCHMARK(binaryOp<veksGFDiv_8u>)->Name("GFDiv");
BENCHMARK(binaryOp<veksGFAdd_8u>)->Name("GFAdd");
BENCHMARK(inverse)->Name("GFInv");
BENCHMARK(power)->Name("GFPow");

}  // namespace
