// SPDX-License-Identifier: Apache-2.0
#include "rs/decode/arith_lanes.h"

#include <algorithm>
#include <cstring>

#include "gf/field.h"
#include "rs/decode/decoder.h"

namespace vekdi {
namespace {

// Sixteen field elements, one per byte lane: SSE2 or NEON where the target
// has them, byte loops elsewhere. Lanes are passed by reference only, so no
// function's calling convention depends on the target's vector registers.
typedef uint8_t Lanes __attribute__((vector_size(16)));
typedef int8_t SignedLanes __attribute__((vector_size(16)));

inline void splat(Lanes& v, uint8_t x) { v = Lanes{x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x}; }

// One bit per lane (bit 8i + 7 for lane i of each half) set exactly where the
// lane is zero.
inline uint64_t zeroLanes(uint64_t v) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    return ~(((v & kLow7) + kLow7) | v | kLow7);
}

// Products by sixteen fixed elements c (one per lane) in GF(2^M):
// plane[b] = c * x^b, built by repeated multiplication by x.
template <int M>
struct Planes {
    Lanes plane[M];

    // `reduce` is the generator's low byte: x^M = reduce in the field (the
    // bit x^M of the shifted value, where M < 8, is cleared by it as well).
    Planes(const Lanes& c, uint8_t reduce) {
        Lanes red = {}, zero = {};
        splat(red, reduce);
        plane[0] = c;
        for (int b = 1; b < M; ++b) {
            const Lanes& p = plane[b - 1];
            const Lanes top = Lanes((SignedLanes)(p << (7 - (M - 1))) < (SignedLanes)zero);
            plane[b] = (p + p) ^ (top & red);
        }
    }

    // out = v * c, lane by lane: from the top bit of v down, each bit moved
    // into the sign position selects its plane.
    void mul(Lanes& out, const Lanes& v) const {
        const Lanes zero = {};
        Lanes w = v << (8 - M), acc = {};
        for (int b = M - 1; b >= 0; --b) {
            acc ^= Lanes((SignedLanes)w < (SignedLanes)zero) & plane[b];
            w += w;
        }
        out = acc;
    }
};

// S_(g+1) ... for g = 0 ... count-1 at once, sixteen points per pass, by
// Horner's rule over R's coefficients from the top.
template <int M>
void syndromesIn(uint8_t* out, const uint8_t* r, int n, const uint8_t* points, int count, uint8_t reduce) {
    for (int g = 0; g < count; g += 16) {
        Lanes c;
        std::memcpy(&c, points + g, 16);
        const Planes<M> planes(c, reduce);
        Lanes acc = {}, next, coeff = {};
        for (int i = n - 1; i >= 0; --i) {
            planes.mul(next, acc);
            splat(coeff, r[i]);
            acc = next ^ coeff;
        }
        std::memcpy(out + g, &acc, 16);
    }
}

// Roots of L among alpha^j, j = 1 ... q-1, sixteen consecutive j per pass:
// with j = j0 + lane, L(alpha^j) = sum_i (l_i alpha^(i j0)) (alpha^lane)^i, so
// every pass runs Horner's rule with the same lane multipliers alpha^lane on
// the coefficients l_i alpha^(i j0), formed through the logarithms.
template <int M>
int chienIn(uint8_t* out, const uint8_t* l, int degree, const LogArith& logs, uint8_t reduce) {
    const unsigned period = logs.period;
    alignas(16) uint8_t powers[16];
    for (unsigned lane = 0, e = 0; lane < 16; ++lane, e = logs.reduce(e + 1)) powers[lane] = logs.pow[e];
    Lanes y;
    std::memcpy(&y, powers, 16);
    const Planes<M> planes(y, reduce);
    const unsigned step16 = 16 % period;
    unsigned logC[256], shift[256], step[256];  // log l_i, i*j0 and 16*i mod (q-1)
    for (unsigned i = 0, e = 0, s = 0; int(i) <= degree; ++i, e = logs.reduce(e + 1), s = logs.reduce(s + step16)) {
        logC[i] = l[i] == 0 ? 0 : logs.log[l[i]];
        shift[i] = e;
        step[i] = s;
    }
    uint8_t c[256];
    int found = 0;
    for (unsigned j0 = 1; j0 <= period && found < degree; j0 += 16) {
        for (int i = 0; i <= degree; ++i) {
            c[i] = l[i] == 0 ? 0 : logs.pow[logs.reduce(logC[i] + shift[i])];
            shift[i] = logs.reduce(shift[i] + step[i]);
        }
        Lanes acc = {}, next, coeff = {};
        splat(acc, c[degree]);
        for (int i = degree - 1; i >= 0; --i) {
            planes.mul(next, acc);
            splat(coeff, c[i]);
            acc = next ^ coeff;
        }
        uint64_t half[2];
        std::memcpy(half, &acc, 16);
        const unsigned lanes = std::min(16u, period + 1 - j0);  // j0 + lane <= q - 1
        for (int h = 0; h < 2 && found < degree; ++h) {
            const int valid = std::min(8, int(lanes) - 8 * h);
            if (valid <= 0) break;
            uint64_t zeros = zeroLanes(half[h]);
            if (valid < 8) zeros &= (uint64_t(1) << (8 * valid)) - 1;
            for (; zeros != 0 && found < degree; zeros &= zeros - 1)
                out[found++] = uint8_t(period - (j0 + 8 * h + unsigned(__builtin_ctzll(zeros)) / 8));
        }
    }
    return found;
}

template <int M>
void syndromesFor(const FieldGF* f, uint8_t* out, const PolyGF* r, const uint8_t* points, int count) {
    syndromesIn<M>(out, r->coeffs, r->degree + 1, points, count, uint8_t(f->generatorMask));
}

template <int M>
int chienFor(const FieldGF* f, uint8_t* out, const PolyGF* l) {
    return chienIn<M>(out, l->coeffs, l->degree, fieldLogs(f), uint8_t(f->generatorMask));
}

}  // namespace

void rsSyndromesLanes(PolyGF* s, const PolyGF* r, const uint8_t* points, int count) {
    alignas(16) uint8_t values[256];
    const FieldGF* f = r->field;
    switch (f->m) {
        case 1: syndromesFor<1>(f, values, r, points, count); break;
        case 2: syndromesFor<2>(f, values, r, points, count); break;
        case 3: syndromesFor<3>(f, values, r, points, count); break;
        case 4: syndromesFor<4>(f, values, r, points, count); break;
        case 5: syndromesFor<5>(f, values, r, points, count); break;
        case 6: syndromesFor<6>(f, values, r, points, count); break;
        case 7: syndromesFor<7>(f, values, r, points, count); break;
        default: syndromesFor<8>(f, values, r, points, count); break;
    }
    s->coeffs[0] = 1;
    std::memcpy(s->coeffs + 1, values, size_t(count));
    s->degree = count;
    polyNormalise(s);
}

int rsChienSearchLanes(uint8_t* out, const PolyGF* l) {
    if (l->degree == 0) return 0;
    const FieldGF* f = l->field;
    switch (f->m) {
        case 1: return chienFor<1>(f, out, l);
        case 2: return chienFor<2>(f, out, l);
        case 3: return chienFor<3>(f, out, l);
        case 4: return chienFor<4>(f, out, l);
        case 5: return chienFor<5>(f, out, l);
        case 6: return chienFor<6>(f, out, l);
        case 7: return chienFor<7>(f, out, l);
        default: return chienFor<8>(f, out, l);
    }
}

}  // namespace vekdi
