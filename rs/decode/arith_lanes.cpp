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

    // out = v * c, lane by lane: the planes at v's set bits, all bits tested
    // at once so that a product is only a few steps deep.
    void mul(Lanes& out, const Lanes& v) const {
        Lanes acc = {}, bit = {};
        for (int b = 0; b < M; ++b) {
            splat(bit, uint8_t(1u << b));
            acc ^= Lanes((v & bit) == bit) & plane[b];
        }
        out = acc;
    }
};

// ti[v] = v * ci for every element v, lane by lane, for three multipliers
// at once: the table of the elements below 2^(b+1) is the one below 2^b and
// that one again with c * x^b added.
template <int M>
void productTables(Lanes* t1, Lanes* t2, Lanes* t3, const Planes<M>& c1, const Planes<M>& c2, const Planes<M>& c3) {
    t1[0] = t2[0] = t3[0] = Lanes{};
    t1[1] = c1.plane[0];
    t2[1] = c2.plane[0];
    t3[1] = c3.plane[0];
    for (int b = 1; b < M; ++b) {
        const int h = 1 << b;
        const Lanes a1 = c1.plane[b], a2 = c2.plane[b], a3 = c3.plane[b];
        for (int v = 0; v < h; v += 2) {
            t1[h + v] = t1[v] ^ a1;
            t1[h + v + 1] = t1[v + 1] ^ a1;
            t2[h + v] = t2[v] ^ a2;
            t2[h + v + 1] = t2[v + 1] ^ a2;
            t3[h + v] = t3[v] ^ a3;
            t3[h + v + 1] = t3[v + 1] ^ a3;
        }
    }
}

// S_(g+1) ... for g = 0 ... count-1 at once, sixteen points p per pass, by
// Horner's rule four coefficients per step:
//   acc = acc * p^4 + R_i p^3 + R_(i-1) p^2 + R_(i-2) p + R_(i-3),
// the three products by fixed powers of p read from tables of all products.
// R's coefficients are field elements (the exports check them).
template <int M>
void syndromesIn(uint8_t* out, const uint8_t* r, int n, const uint8_t* points, int count, uint8_t reduce) {
    // Coefficients with zeros above n - 1 up to a multiple of four.
    uint8_t c[256 + 4];
    for (int i = 0; i < n; ++i) c[i] = r[i] & uint8_t((1u << M) - 1);
    std::memset(c + n, 0, 4);
    const int top = (n + 3) / 4 * 4 - 1;
    Lanes t1[1 << M], t2[1 << M], t3[1 << M];
    for (int g = 0; g < count; g += 16) {
        Lanes p, p2, p3, p4, acc = {}, coeff = {}, t;
        std::memcpy(&p, points + g, 16);
        const Planes<M> byP(p, reduce);
        byP.mul(p2, p);
        byP.mul(p3, p2);
        const Planes<M> byP2(p2, reduce), byP3(p3, reduce);
        byP2.mul(p4, p2);
        const Planes<M> byP4(p4, reduce);
        productTables(t1, t2, t3, byP, byP2, byP3);
        for (int i = top; i >= 3; i -= 4) {
            byP4.mul(t, acc);
            splat(coeff, c[i - 3]);
            acc = t ^ t3[c[i]] ^ t2[c[i - 1]] ^ t1[c[i - 2]] ^ coeff;
        }
        std::memcpy(out + g, &acc, 16);
    }
}

// Roots of L among alpha^j, j = 1 ... q-1, sixteen consecutive j per pass:
// with j = j0 + lane, L(alpha^j) = sum_i (l_i alpha^(i j0)) (alpha^lane)^i, so
// every pass runs Horner's rule with the same lane multipliers alpha^lane on
// the coefficients l_i alpha^(i j0), formed through the logarithms.
template <int M>
int chienIn(const LaneArith& a, uint8_t* out, const uint8_t* l, int degree, uint8_t reduce) {
    const LogArith& logs = a.logs;
    const unsigned period = logs.period;
    // Lanes past q - 2 are never read, so the first 16 powers (or all q) do.
    alignas(16) uint8_t powers[16] = {};
    std::memcpy(powers, logs.pow, (1u << M) < 16 ? (1u << M) : 16);
    Lanes y;
    std::memcpy(&y, powers, 16);
    const Planes<M> planes(y, reduce);
    unsigned step16 = 16;
    while (step16 >= period) step16 -= period;
    // lg[l_i] (the zero log for l_i = 0), i*j0 and 16*i mod (q-1)
    unsigned logC[256], shift[256], step[256];
    for (unsigned i = 0, e = 0, s = 0; int(i) <= degree; ++i, e = logs.reduce(e + 1), s = logs.reduce(s + step16)) {
        logC[i] = a.lg[l[i]];
        shift[i] = e;
        step[i] = s;
    }
    uint8_t c[256];
    int found = 0;
    for (unsigned j0 = 1; j0 <= period && found < degree; j0 += 16) {
        for (int i = 0; i <= degree; ++i) {
            c[i] = a.ex[logC[i] + shift[i]];
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
int chienFor(const LaneArith& a, uint8_t* out, const PolyGF* l) {
    return chienIn<M>(a, out, l->coeffs, l->degree, uint8_t(a.d->field->generatorMask));
}

}  // namespace

void rsSyndromesLanes(PolyGF* s, const PolyGF* r, const uint8_t* points, int count, const TableLaneKernels* tables) {
    const FieldGF* f = r->field;
    if (tables != nullptr && tableLanesFit(f->m)) {
        tables->syndromes(s->coeffs, r->coeffs, r->degree + 1, logTable(f)[points[0]], count, f);
        s->degree = count;
        polyNormalise(s);
        return;
    }
    alignas(16) uint8_t values[256];
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

int rsChienSearchLanes(const LaneArith& a, uint8_t* out, const PolyGF* l) {
    if (l->degree == 0) return 0;
    if (a.tables != nullptr) return a.tables->roots(out, l->coeffs, l->degree, a.d->field);
    switch (a.d->field->m) {
        case 1: return chienFor<1>(a, out, l);
        case 2: return chienFor<2>(a, out, l);
        case 3: return chienFor<3>(a, out, l);
        case 4: return chienFor<4>(a, out, l);
        case 5: return chienFor<5>(a, out, l);
        case 6: return chienFor<6>(a, out, l);
        case 7: return chienFor<7>(a, out, l);
        default: return chienFor<8>(a, out, l);
    }
}

template <>
void rsBerlekampMassey<LaneArith>(const LaneArith& a, PolyGF* lambda, PolyGF* omega, const PolyGF* syn) {
    const int r = a.d->n - a.d->k;
    if (a.tables != nullptr) {
        a.tables->berlekampMassey(lambda->coeffs, omega->coeffs, lambda->degree, syn->coeffs, r, a.d->field);
        lambda->degree = polyNormalDegree(lambda->coeffs, r);
        omega->degree = polyNormalDegree(omega->coeffs, r);
        return;
    }
    const uint8_t* s = syn->coeffs;  // s[0] = 1
    uint8_t* lam = lambda->coeffs;
    const uint16_t* lg = a.lg;
    uint16_t logS[256];  // lg[s[i]]: every product below has a syndrome factor
    for (int i = 0; i <= r; ++i) logS[i] = lg[s[i]];
    // B in one of two buffers at a pointer that moves down one byte per
    // multiplication by x; a fresh B starts at kBase (room for r + 1 <= 255 shifts).
    constexpr int kBase = 256;
    uint8_t store[2][2 * kBase];
    int current = 0;
    int degree = lambda->degree;
    std::memcpy(store[current] + kBase, lam, size_t(degree + 1));
    uint8_t* b = store[current] + kBase - 1;  // B = x * Gamma
    b[0] = 0;
    int bDegree = degree + 1;
    int length = degree, mark = -1;

    for (int t = degree + 1; t <= r; ++t) {
        uint8_t delta = 0;
        for (int j = 0, top = std::min(degree, t); j <= top; ++j) delta ^= a.ex[lg[lam[j]] + logS[t - j]];
        if (delta != 0) {
            const int candidate = t - mark - 1;
            const bool grow = length < candidate;
            uint8_t* fresh = store[1 - current] + kBase;
            const int savedDegree = degree;
            if (grow) {  // B' = delta^-1 * Lambda, from Lambda before the update
                const uint8_t* e = a.timesTable(a.inverse(delta));
                for (int j = 0; j <= degree; ++j) fresh[j] = e[lg[lam[j]]];
            }
            const uint8_t* e = a.timesTable(delta);  // Lambda += delta * B
            for (int j = 0; j <= bDegree; ++j) lam[j] ^= e[lg[b[j]]];
            degree = polyNormalDegree(lam, std::max(degree, bDegree));
            if (grow) {
                current = 1 - current;
                b = fresh;
                bDegree = savedDegree;
                mark = t - length - 1;
                length = candidate;
            }
        }
        *--b = 0;  // B = x * B
        ++bDegree;
    }
    lambda->degree = degree;

    // omega = syn * lambda mod x^(r+1)
    uint8_t* w = omega->coeffs;
    const int top = std::min(degree + syn->degree, r);
    std::memset(w, 0, size_t(omega->capacity));
    for (int j = 0; j <= degree; ++j) {
        if (lam[j] == 0) continue;
        const uint8_t* e = a.timesTable(lam[j]);
        for (int i = 0, last = std::min(r - j, syn->degree); i <= last; ++i) w[i + j] ^= e[logS[i]];
    }
    omega->degree = polyNormalDegree(w, top);
}

}  // namespace vekdi
