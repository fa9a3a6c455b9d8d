// SPDX-License-Identifier: Apache-2.0
// Reed-Solomon encoding and decoding of RS(255,223) and RS(255,239) over
// GF(256)/0x11D with root alpha: the exports (active variant), the generic
// decoders and the table-driven decoders in every vector variant. Each
// iteration copies one of 64 prepared received words and decodes it.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_code.h"
#include "rs/decode/drivers.h"
#include "rs/decode/arith_tower.h"
#include "rs/encode/parity_tower.h"
#include "rs/encode/shift_register.h"
#include "simd/tower/kernels.h"

namespace vekdi::bench {
namespace {

struct Case {
    const char* name;
    Errata errata223;
    Errata errata239;
};

// Full load for each code: r/2 errors, r erasures, r/4 errors + r/2 erasures.
constexpr Case kCases[] = {
    {"clean", {0, 0}, {0, 0}},
    {"errors", {16, 0}, {8, 0}},
    {"erasures", {0, 32}, {0, 16}},
    {"mixed", {8, 16}, {4, 8}},
};

using Decode = VekStatus (*)(const int*, int, uint8_t*, const RSDecoder*, uint8_t*, const tower::TowerKernels*);

void runDecode(benchmark::State& state, int k, Errata e, Decode decode, const tower::TowerKernels* variant) {
    BenchCode code(k);
    const auto samples = code.samples(e, 1234);
    const RSDecoder h = code.header();
    uint8_t word[255];
    size_t i = 0;
    for (auto _ : state) {
        const Sample& s = samples[i++ % samples.size()];
        std::memcpy(word, s.word.data(), 255);
        const VekStatus st = decode(s.erasures.data(), int(s.erasures.size()), word, &h, code.decodeBuffer(), variant);
        benchmark::DoNotOptimize(st);
        benchmark::DoNotOptimize(word);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 255);
}

void encode(benchmark::State& state, int k) {
    BenchCode code(k);
    const auto messages = code.messages(99);
    uint8_t word[255];
    size_t i = 0;
    for (auto _ : state) {
        veksRSEncode_8u(messages[i++ % messages.size()].data(), word, code.encoder(), code.encodeBuffer());
        benchmark::DoNotOptimize(word);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * k);
}

// Parity through one variant's kernel (where it has one) or the shift register.
void parity(benchmark::State& state, int k, const tower::TowerKernels* variant) {
    BenchCode code(k);
    const auto messages = code.messages(99);
    uint8_t out[255];
    size_t i = 0;
    for (auto _ : state) {
        rsEncodeParityTower(out, messages[i++ % messages.size()].data(), code.encoder(), *variant);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * k);
}

// Parity through the shift register of machines without a vector parity kernel.
void shiftRegister(benchmark::State& state, int k) {
    BenchCode code(k);
    const auto messages = code.messages(99);
    uint8_t out[255], logs[255];
    size_t i = 0;
    for (auto _ : state) {
        rsShiftRegisterParity(out, logs, messages[i++ % messages.size()].data(), code.encoder());
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * k);
}

void registerAll() {
    for (int k : {223, 239}) {
        const std::string code = "RS(255," + std::to_string(k) + ")/";
        benchmark::RegisterBenchmark((code + "encode").c_str(), encode, k);
        benchmark::RegisterBenchmark((code + "encode/shift register").c_str(), shiftRegister, k);
        for (const tower::TowerKernels* v : tower::towerVariants())
            if (tower::towerSupported(*v) && v->encodeParity != nullptr)
                benchmark::RegisterBenchmark((code + "encode/parity/" + v->name).c_str(), parity, k, v);
        for (const Case& c : kCases) {
            const Errata e = k == 223 ? c.errata223 : c.errata239;
            const std::string base = code + c.name + "/";
            auto add = [&](const std::string& name, Decode d, const tower::TowerKernels* v) {
                benchmark::RegisterBenchmark(name.c_str(), runDecode, k, e, d, v);
            };
            add(base + "BM/generic", [](const int* l, int n, uint8_t* w, const RSDecoder* h, uint8_t* b,
                                        const tower::TowerKernels*) { return rsDecodeBMGeneric(l, n, w, h, b); },
                nullptr);
            add(base + "EE/generic", [](const int* l, int n, uint8_t* w, const RSDecoder* h, uint8_t* b,
                                        const tower::TowerKernels*) { return rsDecodeEEGeneric(l, n, w, h, b); },
                nullptr);
            for (const tower::TowerKernels* v : tower::towerVariants()) {
                if (!tower::towerSupported(*v)) continue;
                add(base + "BM/" + v->name, [](const int* l, int n, uint8_t* w, const RSDecoder* h, uint8_t* b,
                                               const tower::TowerKernels* kv) {
                    return rsDecodeBMFastWith(l, n, w, h, b, *kv);
                }, v);
                add(base + "EE/" + v->name, [](const int* l, int n, uint8_t* w, const RSDecoder* h, uint8_t* b,
                                               const tower::TowerKernels* kv) {
                    return rsDecodeEEFastWith(l, n, w, h, b, *kv);
                }, v);
            }
        }
    }
}

const int kRegistered = (registerAll(), 0);

}  // namespace
}  // namespace vekdi::bench
