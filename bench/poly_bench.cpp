// SPDX-License-Identifier: Apache-2.0
// Polynomial operations over GF(256)/0x11D through the exports: sum, product,
// remainder, greatest common divisor and root search, by operand degree.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "gf/field.h"
#include "poly/poly.h"

namespace {

struct Field256 {
    std::vector<uint32_t> storage = std::vector<uint32_t>(540 / 4);
    Field256() { vekdi::gfBuildTables(storage.data(), 8, 0x11D, 2); }
    const VeksGFContext_8u* get() const { return reinterpret_cast<const VeksGFContext_8u*>(storage.data()); }
};

const VeksGFContext_8u* field() {
    static const Field256 f;
    return f.get();
}

// A polynomial object with random non-zero coefficients of the given degree.
class Poly {
public:
    Poly(int maxDegree, int degree) {
        int size = 0;
        veksPolyGFGetSize_8u(maxDegree, &size);
        words_.resize((size_t(size) + 7) / 8);
        veksPolyGFInit_8u(field(), maxDegree, get());
        std::mt19937 gen(unsigned(degree) * 7919u + unsigned(maxDegree));
        std::vector<uint8_t> c(size_t(degree) + 1);
        for (auto& v : c) v = uint8_t(gen() % 255 + 1);
        veksPolyGFSetCoeffs_8u(c.data(), degree, get());
    }
    VeksPolyGF_8u* get() { return reinterpret_cast<VeksPolyGF_8u*>(words_.data()); }

private:
    std::vector<uint64_t> words_;
};

void sum(benchmark::State& state) {
    const int d = int(state.range(0));
    Poly a(d, d), b(d, d - 1), r(d, 0);
    for (auto _ : state) benchmark::DoNotOptimize(veksPolyGFAdd_8u(a.get(), b.get(), r.get()));
    state.SetBytesProcessed(state.iterations() * (d + 1));
}

void product(benchmark::State& state) {
    const int d = int(state.range(0));
    Poly a(d, d), b(d, d), r(2 * d, 0);
    for (auto _ : state) benchmark::DoNotOptimize(veksPolyGFMul_8u(a.get(), b.get(), r.get()));
    state.SetItemsProcessed(state.iterations() * (d + 1) * (d + 1));
}

// Dividend of twice the divisor's degree.
void remainder(benchmark::State& state) {
    const int d = int(state.range(0));
    Poly a(2 * d, 2 * d), b(d, d), r(d, 0);
    for (auto _ : state) benchmark::DoNotOptimize(veksPolyGFMod_8u(a.get(), b.get(), r.get()));
    state.SetItemsProcessed(state.iterations() * (d + 1) * d);
}

void gcd(benchmark::State& state) {
    const int d = int(state.range(0));
    Poly a(d, d), b(d, d - 1), g(d, 0);
    for (auto _ : state) benchmark::DoNotOptimize(veksPolyGFGCD_8u(a.get(), b.get(), g.get()));
}

void roots(benchmark::State& state) {
    const int d = int(state.range(0));
    Poly p(d, d);
    std::vector<uint8_t> out(256);
    int count = 0;
    for (auto _ : state) benchmark::DoNotOptimize(veksPolyGFRoots_8u(p.get(), out.data(), &count));
}

}  // namespace

BENCHMARK(sum)->Arg(16)->Arg(255)->Arg(4096);
BENCHMARK(product)->Arg(16)->Arg(64)->Arg(255);
BENCHMARK(remainder)->Arg(16)->Arg(32)->Arg(128);
BENCHMARK(gcd)->Arg(32)->Arg(255);
BENCHMARK(roots)->Arg(8)->Arg(32);
