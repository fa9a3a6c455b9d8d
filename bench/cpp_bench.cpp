// SPDX-License-Identifier: Apache-2.0
// The C++ interface (vekdi.hpp) on RS(255,223) and the shortened RS(204,188)
// over GF(256)/0x11D, and on the CCSDS code: encode, and decode of clean and
// damaged words (16 errors, or 8 errors and 16 erasures for 255/223). The
// same words through the C decoder give the cost of the layer: its codeword
// test, the symbol maps and the reports. Each iteration copies one of 64
// prepared words and decodes it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "vekdi.hpp"

namespace vekdi::bench {
namespace {

struct Words {
    std::vector<std::vector<uint8_t>> messages, received;
    std::vector<std::vector<int>> erasures;
};

Words prepare(const ReedSolomon& rs, int errors, int erasures) {
    std::mt19937 gen(1234);
    Words w;
    for (int i = 0; i < 64; ++i) {
        std::vector<uint8_t> message(size_t(rs.k()));
        for (auto& b : message) b = uint8_t(gen());
        auto word = rs.encode(message);
        std::vector<int> pos(size_t(rs.n()));
        for (int p = 0; p < rs.n(); ++p) pos[size_t(p)] = p;
        std::shuffle(pos.begin(), pos.end(), gen);
        for (int e = 0; e < errors; ++e) word[size_t(pos[size_t(e)])] ^= uint8_t(1 + gen() % 255u);
        w.erasures.emplace_back(pos.begin() + errors, pos.begin() + errors + erasures);
        for (int p : w.erasures.back()) word[size_t(p)] = 0;
        w.messages.push_back(message);
        w.received.push_back(word);
    }
    return w;
}

void encodeCpp(benchmark::State& state, int n, int k, CodeOptions options) {
    const ReedSolomon rs(n, k, options);
    const Words w = prepare(rs, 0, 0);
    std::vector<uint8_t> word(static_cast<size_t>(n));
    size_t i = 0;
    for (auto _ : state) {
        rs.encode(w.messages[i++ % 64], word);
        benchmark::DoNotOptimize(word.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * k);
}

void decodeCpp(benchmark::State& state, int n, int k, CodeOptions options, int errors, int erasures) {
    const ReedSolomon rs(n, k, options);
    const Words w = prepare(rs, errors, erasures);
    std::vector<uint8_t> word(static_cast<size_t>(n));
    size_t i = 0;
    for (auto _ : state) {
        const size_t s = i++ % 64;
        std::memcpy(word.data(), w.received[s].data(), size_t(n));
        const DecodeResult r = rs.decode(word, w.erasures[s]);
        if (!r) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(word.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * n);
}

// The C decoder alone on the same full-length words (RS(255,223), root alpha).
void decodeC(benchmark::State& state, int errors, int erasures) {
    const ReedSolomon rs(255, 223);
    const Words w = prepare(rs, errors, erasures);
    int size = 0;
    veksRSDecodeGetSize_8u(255, 223, &size);
    std::vector<uint8_t> decoder(static_cast<size_t>(size));
    auto* d = reinterpret_cast<VeksRSDecoder_8u*>(decoder.data());
    veksRSDecodeInit_8u(255, 223, rs.field().native(), rs.field().alpha(), d);
    veksRSDecodeBMGetBufferSize_8u(d, &size);
    std::vector<uint8_t> buffer(static_cast<size_t>(size));
    uint8_t word[255];
    size_t i = 0;
    for (auto _ : state) {
        const size_t s = i++ % 64;
        std::memcpy(word, w.received[s].data(), 255);
        const VekStatus st = veksRSDecodeBM_8u(w.erasures[s].data(), int(w.erasures[s].size()), word, d, buffer.data());
        benchmark::DoNotOptimize(st);
        benchmark::DoNotOptimize(word);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 255);
}

BENCHMARK_CAPTURE(encodeCpp, rs255_223, 255, 223, CodeOptions{});
BENCHMARK_CAPTURE(encodeCpp, rs204_188, 204, 188, CodeOptions{});
BENCHMARK_CAPTURE(encodeCpp, ccsds, 255, 223, CodeOptions::ccsds());
BENCHMARK_CAPTURE(decodeCpp, rs255_223_clean, 255, 223, CodeOptions{}, 0, 0);
BENCHMARK_CAPTURE(decodeC, rs255_223_clean, 0, 0);
BENCHMARK_CAPTURE(decodeCpp, rs255_223_errors, 255, 223, CodeOptions{}, 16, 0);
BENCHMARK_CAPTURE(decodeC, rs255_223_errors, 16, 0);
BENCHMARK_CAPTURE(decodeCpp, rs255_223_mixed, 255, 223, CodeOptions{}, 8, 16);
BENCHMARK_CAPTURE(decodeC, rs255_223_mixed, 8, 16);
BENCHMARK_CAPTURE(decodeCpp, rs204_188_errors, 204, 188, CodeOptions{}, 8, 0);
BENCHMARK_CAPTURE(decodeCpp, ccsds_clean, 255, 223, CodeOptions::ccsds(), 0, 0);
BENCHMARK_CAPTURE(decodeCpp, ccsds_errors, 255, 223, CodeOptions::ccsds(), 16, 0);

}  // namespace
}  // namespace vekdi::bench
