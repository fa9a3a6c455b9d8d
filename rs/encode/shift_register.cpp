// SPDX-License-Identifier: Apache-2.0
// Two shift registers with the same output. Up to 32 parity bytes the
// register lives in four 64-bit words and moves one byte per message byte;
// the products of the feedback with every generator coefficient come from a
// table of all feedback values, built per call by linearity (the entry of
// f is the XOR of the entries of f's bits), so a step is a shift, a load
// and an XOR. Longer registers use logarithm tables one coefficient at a time.
#include "rs/encode/shift_register.h"

#include <bit>
#include <cstring>

#include "gf/field.h"

namespace vekdi {
namespace {

constexpr uint8_t kNoLog = 0xFF;  // marks a zero coefficient; no valid logarithm is 255

// Register order: entry i belongs to x^(r-1-i), so logs[i] = log g_(r-1-i).
void generatorLogs(uint8_t* logs, const PolyGF* g, int r) {
    const uint8_t* lg = logTable(g->field);
    for (int i = 0; i < r; ++i) {
        const uint8_t c = g->coeffs[r - 1 - i];
        logs[i] = c == 0 ? kNoLog : lg[c];
    }
}

void logRegister(uint8_t* reg, const uint8_t* message, int k, const uint8_t* gLogs, int r, const FieldGF* f) {
    const LogArith logs = fieldLogs(f);
    std::memset(reg, 0, size_t(r));
    for (int i = 0; i < k; ++i) {
        const uint8_t feedback = message[i] ^ reg[0];
        if (feedback == 0) {
            std::memmove(reg, reg + 1, size_t(r - 1));
            reg[r - 1] = 0;
            continue;
        }
        const unsigned lf = logs.log[feedback];
        for (int j = 0; j < r; ++j) {
            const uint8_t next = j + 1 < r ? reg[j + 1] : 0;
            const uint8_t term = gLogs[j] != kNoLog ? logs.pow[logs.reduce(lf + gLogs[j])] : 0;
            reg[j] = next ^ term;
        }
    }
}

constexpr int kWordRegister = 32;

// v * x in every byte of w (bytes below 2^m): a shift and, for the bytes
// that carry out of bit m - 1, the low bits of the field polynomial.
uint64_t timesX(uint64_t w, const FieldGF* f) {
    const uint64_t ones = 0x0101010101010101ull;
    const uint64_t top = (w >> (f->m - 1)) & ones;
    return ((w & ~(top << (f->m - 1))) << 1) ^ (top * (f->generatorMask & (f->order - 1)));
}

// products[v] = v * (g_(r-1), ..., g_0, 0 ...) as W words, byte j in word
// j / 8 at bit 8 * (j % 8). Entry 1 holds the coefficients, entry 2^(b+1)
// is x times entry 2^b, and every other entry the XOR of its bits' entries.
template <int W>
struct FeedbackProducts {
    uint64_t w[256][W];

    FeedbackProducts(const PolyGF* g, int r) {
        const FieldGF* f = g->field;
        uint8_t bytes[8 * W] = {};
        for (int j = 0; j < r; ++j) bytes[j] = g->coeffs[r - 1 - j];
        std::memset(w[0], 0, sizeof w[0]);
        std::memcpy(w[1], bytes, sizeof bytes);
        for (unsigned bit = 2; bit < f->order; bit <<= 1)
            for (int i = 0; i < W; ++i) w[bit][i] = timesX(w[bit / 2][i], f);
        for (unsigned v = 3; v < f->order; ++v) {
            const unsigned low = v & (0u - v);
            if (low == v) continue;
            for (int i = 0; i < W; ++i) w[v][i] = w[v ^ low][i] ^ w[low][i];
        }
    }
};

// Bytes move towards byte 0 (the highest power); byte r is always 0, so the
// register's top byte takes 0 from above.
template <int W>
void wordRegister(uint8_t* reg, const uint8_t* message, int k, int r, const PolyGF* g) {
    const FeedbackProducts<W> t(g, r);
    uint64_t a[W] = {};
    // The next feedback needs only byte 0 of the product just looked up,
    // which keeps the word updates off the chain from step to step.
    unsigned feedback = k > 0 ? message[0] : 0;
    for (int i = 0; i < k; ++i) {
        const uint64_t* p = t.w[feedback];
        const unsigned next = i + 1 < k ? message[i + 1] : 0;
        feedback = next ^ uint8_t(a[0] >> 8) ^ uint8_t(p[0]);
        for (int j = 0; j + 1 < W; ++j) a[j] = ((a[j] >> 8) | (a[j + 1] << 56)) ^ p[j];
        a[W - 1] = (a[W - 1] >> 8) ^ p[W - 1];
    }
    std::memcpy(reg, a, size_t(r));
}

}  // namespace

void rsShiftRegisterParity(uint8_t* reg, uint8_t* logs, const uint8_t* message, const RSEncoder* e) {
    const int r = e->n - e->k;
    if (std::endian::native == std::endian::little && r <= kWordRegister) {
        switch ((r + 7) / 8) {
        case 1: wordRegister<1>(reg, message, e->k, r, e->generator); return;
        case 2: wordRegister<2>(reg, message, e->k, r, e->generator); return;
        case 3: wordRegister<3>(reg, message, e->k, r, e->generator); return;
        default: wordRegister<4>(reg, message, e->k, r, e->generator); return;
        }
    }
    generatorLogs(logs, e->generator, r);
    logRegister(reg, message, e->k, logs, r, e->field);
}

}  // namespace vekdi
