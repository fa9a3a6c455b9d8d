// SPDX-License-Identifier: Apache-2.0
// A full-length Reed-Solomon code over GF(2^m) (GF(256)/0x11D unless told
// otherwise) with alpha = x, root alpha and a fixed set of corrupted words,
// shared by the decoder benchmarks and the peer comparison.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "gf/field.h"
#include "rs/decode/decoder.h"
#include "vekdi.h"

namespace vekdi::bench {

struct Errata {
    int errors;
    int erasures;
};

struct Sample {
    std::vector<uint8_t> word;     // received
    std::vector<int> erasures;     // positions (distinct)
};

class BenchCode {
public:
    static constexpr int kSamples = 64;

    // RS(2^m - 1, k) over GF(2^m) with the given primitive polynomial.
    explicit BenchCode(int k, int m = 8, uint32_t poly = 0x11D) : n_((1 << m) - 1), k_(k), field_(540 / 4 + 1) {
        gfBuildTables(field_.data(), m, poly, 2);
        int size = 0;
        veksRSEncodeGetSize_8u(n_, k, &size);
        enc_.resize(size_t(size) / 8 + 2);
        veksRSEncodeInit_8u(n_, k, field(), 2, encoder());
        veksRSEncodeGetBufferSize_8u(encoder(), &size);
        encBuf_.resize(size_t(size));
        veksRSDecodeGetSize_8u(n_, k, &size);
        dec_.resize(size_t(size) / 8 + 2);
        veksRSDecodeInit_8u(n_, k, field(), 2, decoder());
        int bm = 0, ee = 0;
        veksRSDecodeBMGetBufferSize_8u(decoder(), &bm);
        veksRSDecodeEEGetBufferSize_8u(decoder(), &ee);
        decBuf_.resize(size_t(std::max(bm, ee)));
    }

    int n() const { return n_; }
    int k() const { return k_; }
    const VeksGFContext_8u* field() const { return reinterpret_cast<const VeksGFContext_8u*>(field_.data()); }
    VeksRSEncoder_8u* encoder() { return reinterpret_cast<VeksRSEncoder_8u*>(enc_.data()); }
    VeksRSDecoder_8u* decoder() { return reinterpret_cast<VeksRSDecoder_8u*>(dec_.data()); }
    RSDecoder header() const { return loadDecoderHeader(dec_.data()); }
    uint8_t* encodeBuffer() { return encBuf_.data(); }
    uint8_t* decodeBuffer() { return decBuf_.data(); }

    // kSamples codewords of random messages with the given errata applied.
    std::vector<Sample> samples(Errata e, uint32_t seed) {
        std::mt19937 gen(seed);
        std::vector<Sample> out(kSamples);
        std::vector<uint8_t> message(static_cast<size_t>(k_));
        const unsigned mask = unsigned(n_);  // 2^m - 1
        for (Sample& s : out) {
            for (auto& b : message) b = uint8_t(gen() & mask);
            s.word.resize(size_t(n_));
            veksRSEncode_8u(message.data(), s.word.data(), encoder(), encodeBuffer());
            std::vector<int> pos(static_cast<size_t>(n_));
            std::iota(pos.begin(), pos.end(), 0);
            std::shuffle(pos.begin(), pos.end(), gen);
            for (int i = 0; i < e.errors; ++i) s.word[size_t(pos[size_t(i)])] ^= uint8_t(1 + gen() % mask);
            for (int i = 0; i < e.erasures; ++i) {
                const int p = pos[size_t(e.errors + i)];
                s.word[size_t(p)] = uint8_t(gen() & mask);
                s.erasures.push_back(p);
            }
        }
        return out;
    }

    std::vector<std::vector<uint8_t>> messages(uint32_t seed) const {
        std::mt19937 gen(seed);
        std::vector<std::vector<uint8_t>> out(kSamples, std::vector<uint8_t>(size_t(k_)));
        for (auto& m : out)
            for (auto& b : m) b = uint8_t(gen() & unsigned(n_));
        return out;
    }

private:
    int n_, k_;
    std::vector<uint32_t> field_;
    std::vector<uint64_t> enc_, dec_;
    std::vector<uint8_t> encBuf_, decBuf_;
};

}  // namespace vekdi::bench
