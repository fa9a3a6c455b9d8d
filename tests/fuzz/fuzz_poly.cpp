// SPDX-License-Identifier: Apache-2.0
// Polynomial objects of arbitrary capacity at any offset, coefficients
// written raw through the reference the library hands out, then a sequence of
// operations with operands and destinations chosen by the input (aliases
// included), null pointers and wrong identifiers, and allocation failures
// injected into the tests that take working memory. Every result with
// coefficients inside the field is compared with first-principles arithmetic;
// every failing call must leave all objects as they were, and nothing may
// write past an object or leak a block.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tests/poly/poly_support.h"
#include "tests/support/reference_gf.h"
#include "base/allocator.h"
#include "vekdi.h"

namespace {

using vekdi::fuzz::Area;
using namespace vekdi::test;

constexpr int kObjects = 4;

struct FieldChoice {
    int m;
    uint32_t mask;
};
constexpr FieldChoice kFields[] = {{1, 0x3}, {2, 0x7}, {3, 0xB}, {4, 0x13}, {4, 0x19},
                                   {5, 0x25}, {6, 0x43}, {7, 0x83}, {8, 0x11D}, {8, 0x11B}};

struct Poly {
    std::unique_ptr<Area> area;
    int capacity;
    VeksPolyGF_8u* get() { return area->as<VeksPolyGF_8u>(); }
};

struct State {
    RefField ref;
    unsigned order;
    std::array<Poly, kObjects> objects;

    std::vector<uint8_t> snapshot() const {
        std::vector<uint8_t> all;
        for (const Poly& p : objects) {
            const auto s = p.area->snapshot();
            all.insert(all.end(), s.begin(), s.end());
        }
        return all;
    }
    bool canariesIntact() const {
        return std::all_of(objects.begin(), objects.end(), [](const Poly& p) { return p.area->canaryIntact(); });
    }
};

Coeffs coeffsOf(VeksPolyGF_8u* p) {
    uint8_t* c = nullptr;
    int degree = -1;
    FUZZ_CHECK(veksPolyGFGetRef_8u(&c, &degree, nullptr, p) == StatusOk);
    return Coeffs(c, c + degree + 1);
}

bool inField(const Coeffs& c, unsigned order) {
    return std::all_of(c.begin(), c.end(), [order](uint8_t v) { return v < order; });
}

Coeffs refGcd(const RefField& f, Coeffs a, Coeffs b) {
    a = refNormalised(a);
    b = refNormalised(b);
    while (!refIsZero(b)) {
        Coeffs q, r;
        refDivMod(f, a, b, q, r);
        a = b;
        b = refNormalised(r);
    }
    return a;
}

bool divides(const RefField& f, const Coeffs& d, const Coeffs& a) {
    if (refIsZero(d)) return refIsZero(a);
    Coeffs q, r;
    refDivMod(f, a, d, q, r);
    return refIsZero(r);
}

std::vector<uint8_t> refRoots(const RefField& f, const Coeffs& a) {
    std::vector<uint8_t> roots;
    const int n = int(a.size()) - 1;
    for (unsigned j = 1; j < f.order() && int(roots.size()) < n; ++j)
        if (refEval(f, a, uint8_t(j)) == 0) roots.push_back(uint8_t(j));
    return roots;
}

// The operations; each returns the status and checks its own result.
enum Op { kAdd, kSub, kMul, kShl, kShr, kDerive, kValue, kDiv, kMod, kGcd, kRoots, kIrreducible, kPrimitive,
          kCopy, kSetDegree, kSetCoeffs, kOpCount };

struct Call {
    Op op;
    int a, b, c, d;  // object indices
    int shift;
    uint32_t x;
    int assume;
};

// Pointer arguments of a call, in argument order, for the null-pointer mode.
int pointerArgs(Op op) {
    switch (op) {
        case kValue: case kIrreducible: case kPrimitive: return 2;
        case kRoots: return 3;
        case kDiv: return 4;
        case kSetDegree: return 1;
        default: return op == kShl || op == kShr || op == kDerive || op == kCopy || op == kSetCoeffs ? 2 : 3;
    }
}

// Runs the call with pointer `nulled` (or none, -1) replaced by null.
VekStatus run(State& s, const Call& c, int nulled, uint8_t* out, int& count, const uint8_t* setCoeffs) {
    auto obj = [&](int i, int arg) -> VeksPolyGF_8u* { return arg == nulled ? nullptr : s.objects[size_t(i)].get(); };
    uint8_t* outPtr = nulled == 1 ? nullptr : out;
    int* countPtr = &count;
    switch (c.op) {
        case kAdd: return veksPolyGFAdd_8u(obj(c.a, 0), obj(c.b, 1), obj(c.c, 2));
        case kSub: return veksPolyGFSub_8u(obj(c.a, 0), obj(c.b, 1), obj(c.c, 2));
        case kMul: return veksPolyGFMul_8u(obj(c.a, 0), obj(c.b, 1), obj(c.c, 2));
        case kShl: return veksPolyGFShlC_8u(obj(c.a, 0), c.shift, obj(c.c, 1));
        case kShr: return veksPolyGFShrC_8u(obj(c.a, 0), c.shift, obj(c.c, 1));
        case kDerive: return veksPolyGFDerive_8u(obj(c.a, 0), obj(c.c, 1));
        case kValue: return veksPolyGFValue_8u(obj(c.a, 0), uint8_t(c.x), outPtr);
        case kDiv: return veksPolyGFDiv_8u(obj(c.a, 0), obj(c.b, 1), obj(c.c, 2), obj(c.d, 3));
        case kMod: return veksPolyGFMod_8u(obj(c.a, 0), obj(c.b, 1), obj(c.c, 2));
        case kGcd: return veksPolyGFGCD_8u(obj(c.a, 0), obj(c.b, 1), obj(c.c, 2));
        case kRoots: return veksPolyGFRoots_8u(obj(c.a, 0), outPtr, nulled == 2 ? nullptr : countPtr);
        case kIrreducible: return veksPolyGFIrreducible_8u(obj(c.a, 0), nulled == 1 ? nullptr : countPtr);
        case kPrimitive: return veksPolyGFPrimitive_8u(obj(c.a, 0), c.assume, nulled == 1 ? nullptr : countPtr);
        case kCopy: return veksPolyGFCopy_8u(obj(c.a, 0), obj(c.c, 1));
        case kSetDegree: return veksPolyGFSetDegree_8u(c.shift, obj(c.c, 0));
        case kSetCoeffs: return veksPolyGFSetCoeffs_8u(nulled == 0 ? nullptr : setCoeffs, c.shift, obj(c.c, 1));
        default: return StatusOk;
    }
}

// The expected outcome of a call on in-field operands: status and, on
// success, the destination's coefficients (Roots: the roots; Value: the value).
struct Expect {
    VekStatus status = StatusOk;
    bool known = true;  // false: only safety and the failure rules are checked
    VekStatus alsoAllowed = StatusOk;  // a second acceptable status
    Coeffs result;
};

Expect expected(State& s, const Call& c, const std::vector<Coeffs>& in, const uint8_t* setCoeffs) {
    Expect e;
    const RefField& f = s.ref;
    const Coeffs& A = in[size_t(c.a)];
    const Coeffs& B = in[size_t(c.b)];
    const int degA = int(A.size()) - 1, degB = int(B.size()) - 1;
    const int capC = s.objects[size_t(c.c)].capacity;
    auto refuse = [&](VekStatus st) {
        e.status = st;
        return e;
    };
    switch (c.op) {
        case kAdd:
        case kSub:
            if (std::max(degA, degB) >= capC) return refuse(StatusDestinationTooSmall);
            e.result = refNormalised(refAdd(A, B));
            return e;
        case kMul:
            if (c.c == c.a || c.c == c.b) return refuse(StatusBadArgument);
            if (degA + degB >= capC) return refuse(StatusDestinationTooSmall);
            e.result = refNormalised(refMulPoly(f, A, B));
            return e;
        case kShl: {
            if (c.shift < 0) return refuse(StatusNegativeShift);
            if (int64_t(degA) + c.shift >= capC) return refuse(StatusDestinationTooSmall);
            Coeffs r(size_t(c.shift), 0);
            r.insert(r.end(), A.begin(), A.end());
            e.result = refNormalised(r);
            return e;
        }
        case kShr:
            if (c.shift < 0) return refuse(StatusNegativeShift);
            if (int64_t(degA) - c.shift >= capC) return refuse(StatusDestinationTooSmall);
            e.result = degA < c.shift ? Coeffs{0} : refNormalised(Coeffs(A.begin() + c.shift, A.end()));
            return e;
        case kDerive: {
            if (degA > capC) return refuse(StatusDestinationTooSmall);
            Coeffs r{0};
            if (degA > 0) {
                r.assign(size_t(degA), 0);
                for (int j = 0; j < degA; j += 2) r[size_t(j)] = A[size_t(j) + 1];
            }
            e.result = refNormalised(r);
            return e;
        }
        case kValue:
            if (c.x >= s.order) return refuse(StatusOutOfRange);
            e.result = {refEval(f, A, uint8_t(c.x))};
            return e;
        case kDiv:
        case kMod: {
            // Destinations must be distinct from the operands and from each other.
            const bool aliased = c.op == kMod ? (c.c == c.a || c.c == c.b)
                                              : (c.c == c.a || c.c == c.b || c.d == c.a || c.d == c.b || c.c == c.d);
            if (aliased) return refuse(StatusBadArgument);
            const int capR = s.objects[size_t(c.op == kDiv ? c.d : c.c)].capacity;
            if (c.op == kDiv) {
                const int capQ = s.objects[size_t(c.c)].capacity;
                const int quotient = refIsZero(B) ? 0 : std::max(0, degA - refDegree(B));
                if (degA - degB > capQ - 1 || quotient > capQ - 1) return refuse(StatusDestinationTooSmall);
            }
            if (degB >= capR) return refuse(StatusDestinationTooSmall);
            // Results are compared, as values (recorded degrees of some results
            // keep zero top coefficients), for a divisor whose top coefficient
            // is not zero.
            e.known = B.back() != 0;
            if (e.known) {
                Coeffs q, r;
                refDivMod(f, A, B, q, r);
                q = refNormalised(q);
                r = refNormalised(r);
                e.result = c.op == kDiv ? q : r;
                e.result.insert(e.result.end(), 0xEE);  // separator
                if (c.op == kDiv) e.result.insert(e.result.end(), r.begin(), r.end());
            }
            return e;
        }
        case kGcd:
            if (std::min(degA, degB) >= capC) return refuse(StatusDestinationTooSmall);
            // The result's own room (and the working room of 256 coefficients)
            // is checked on the normalised operands.
            e.alsoAllowed = StatusDestinationTooSmall;
            return e;
        case kRoots:
            e.result = refRoots(f, A);
            return e;
        case kIrreducible:
            return e;
        case kPrimitive:
            // 2^n - 1 is factored for degrees up to 32 only.
            if (degA > 32) return refuse(StatusBadArgument);
            return e;
        case kCopy:
            // The destination must hold the normalised source.
            if (refDegree(A) >= capC) return refuse(StatusDestinationTooSmall);
            e.result = refNormalised(A);
            return e;
        case kSetDegree: {
            if (c.shift < 0 || c.shift >= capC) return refuse(StatusBadArgument);
            Coeffs r = in[size_t(c.c)];
            r.resize(size_t(c.shift) + 1, 0);
            e.result = r;
            return e;
        }
        case kSetCoeffs:
            if (c.shift < 0 || c.shift >= capC) return refuse(StatusBadArgument);
            e.result.assign(setCoeffs, setCoeffs + c.shift + 1);
            return e;
        default:
            return e;
    }
}

void checkResult(State& s, const Call& c, const std::vector<Coeffs>& before, const Expect& e, const uint8_t* out,
                 int count) {
    const RefField& f = s.ref;
    const Coeffs& A = before[size_t(c.a)];
    const Coeffs& B = before[size_t(c.b)];
    switch (c.op) {
        case kValue:
            FUZZ_CHECK(out[0] == e.result[0]);
            return;
        case kRoots:
            FUZZ_CHECK(count == int(e.result.size()) && std::equal(e.result.begin(), e.result.end(), out));
            return;
        case kDiv:
        case kMod:
            if (e.known) {
                Coeffs got = refNormalised(coeffsOf(s.objects[size_t(c.c)].get()));
                got.push_back(0xEE);
                if (c.op == kDiv) {
                    const Coeffs r = refNormalised(coeffsOf(s.objects[size_t(c.d)].get()));
                    got.insert(got.end(), r.begin(), r.end());
                }
                if (got != e.result) {
                    auto show = [](const char* what, const Coeffs& v) {
                        std::fprintf(stderr, "%s:", what);
                        for (uint8_t x : v) std::fprintf(stderr, " %02x", x);
                        std::fprintf(stderr, "\n");
                    };
                    std::fprintf(stderr, "order %u, operation %d\n", s.order, int(c.op));
                    show("A", A);
                    show("B", B);
                    show("library", got);
                    show("reference", e.result);
                }
                FUZZ_CHECK(got == e.result);
            }
            return;
        case kGcd: {
            const Coeffs g = refNormalised(coeffsOf(s.objects[size_t(c.c)].get()));
            if (refDegree(A) > 255 || refDegree(B) > 255) return;
            FUZZ_CHECK(divides(f, g, refNormalised(A)) && divides(f, g, refNormalised(B)));
            FUZZ_CHECK(refDegree(g) == refDegree(refGcd(f, A, B)));
            return;
        }
        case kIrreducible: {
            FUZZ_CHECK(count == 0 || count == 1);
            const int n = int(A.size()) - 1;
            if (refDegree(A) != n || n == 0) return;  // leading zeros or a constant: no claim here
            const bool hasRoot = A[0] == 0 || !refRoots(f, A).empty();
            // Degree 1 is irreducible; degrees 2 and 3 exactly when there is no root.
            if (n == 1) FUZZ_CHECK(count == 1);
            if (n >= 2) FUZZ_CHECK(count == 0 || !hasRoot);
            if (n == 2 || n == 3) FUZZ_CHECK(count == (hasRoot ? 0 : 1));
            return;
        }
        case kPrimitive: {
            FUZZ_CHECK(count == 0 || count == 1);
            if (c.assume != 1) {
                int irreducible = -1;
                FUZZ_CHECK(veksPolyGFIrreducible_8u(s.objects[size_t(c.a)].get(), &irreducible) == StatusOk);
                if (irreducible == 0) FUZZ_CHECK(count == 0);
            }
            return;
        }
        default:
            FUZZ_CHECK(coeffsOf(s.objects[size_t(c.c)].get()) == e.result);
            return;
    }
}

void step(State& s, FuzzedDataProvider& in) {
    Call c{};
    c.op = Op(in.ConsumeIntegralInRange(0, int(kOpCount) - 1));
    c.a = in.ConsumeIntegralInRange(0, kObjects - 1);
    c.b = in.ConsumeIntegralInRange(0, kObjects - 1);
    c.c = in.ConsumeIntegralInRange(0, kObjects - 1);
    c.d = in.ConsumeIntegralInRange(0, kObjects - 1);
    c.shift = in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 40) : in.ConsumeIntegral<int>();
    c.x = in.ConsumeIntegral<uint8_t>();
    c.assume = in.ConsumeIntegralInRange(0, 2);
    const int mode = in.ConsumeIntegralInRange(0, 15);  // 0: a null pointer, 1: a wrong identifier, 2: no memory
    const long failAt = mode == 2 ? in.ConsumeIntegralInRange(1, 4) : 0;

    std::vector<Coeffs> before;
    for (Poly& p : s.objects) before.push_back(coeffsOf(p.get()));
    const bool contract =
        std::all_of(before.begin(), before.end(), [&](const Coeffs& v) { return inField(v, s.order); });
    std::vector<uint8_t> setCoeffs(size_t(std::clamp(c.shift, 0, 400)) + 1);
    for (uint8_t& v : setCoeffs) v = uint8_t(in.ConsumeIntegral<uint8_t>() & (s.order - 1));

    // Outputs in a guarded area: the roots get exactly min(degree, order - 1) bytes.
    const int degA = int(before[size_t(c.a)].size()) - 1;
    const size_t outRoom = c.op == kRoots ? size_t(std::clamp(degA, 0, int(s.order) - 1)) : 1;
    Area out(outRoom, 0, 0x5E);
    int count = -7;

    int nulled = -1;
    uint8_t* flipped = nullptr;
    if (mode == 0) nulled = in.ConsumeIntegralInRange(0, pointerArgs(c.op) - 1);
    if (mode == 1) {
        flipped = s.objects[size_t(c.op == kSetDegree || c.op == kSetCoeffs ? c.c : c.a)].area->data();
        *flipped ^= 0x40;
    }
    const auto snap = s.snapshot();
    const auto outSnap = out.snapshot();
    const long liveBefore = vekcoreLiveBlocks();
    if (failAt) vekcoreFailRequest(failAt);
    const VekStatus st = run(s, c, nulled, out.data(), count, setCoeffs.data());
    vekcoreFailRequest(0);
    FUZZ_CHECK(vekcoreLiveBlocks() == liveBefore);
    FUZZ_CHECK(s.canariesIntact() && out.canaryIntact());
    if (mode == 0) FUZZ_CHECK(st == StatusNullPointer);
    if (mode == 1) FUZZ_CHECK(st == StatusContextMismatch);
    if (st == StatusNoMemory) FUZZ_CHECK(mode == 2 && (c.op == kIrreducible || c.op == kPrimitive));
    if (st != StatusOk) {
        FUZZ_CHECK(s.snapshot() == snap && out.snapshot() == outSnap);
        FUZZ_CHECK(count == -7 || (st == StatusNoMemory && c.op == kPrimitive));
    }
    if (flipped) *flipped ^= 0x40;
    if (mode <= 1 || st == StatusNoMemory || !contract) return;

    const Expect e = expected(s, c, before, setCoeffs.data());
    if (st != e.status && st == e.alsoAllowed) return;
    if (st != e.status)
        std::fprintf(stderr, "operation %d on objects %d %d %d %d (shift %d): status %d, expected %d\n", int(c.op), c.a,
                     c.b, c.c, c.d, c.shift, int(st), int(e.status));
    FUZZ_CHECK(st == e.status);
    if (st == StatusOk) checkResult(s, c, before, e, out.data(), count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const FieldChoice fc = in.PickValueInArray(kFields);
    TestField reference(fc.m, fc.mask);
    int ctxSize = 0;
    FUZZ_CHECK(veksGFGetSize_8u(fc.m, &ctxSize) == StatusOk);
    Area ctx(size_t(ctxSize), in.ConsumeIntegralInRange<size_t>(0, 15));
    std::vector<uint8_t> gen(size_t(fc.m) + 1);
    for (int i = 0; i <= fc.m; ++i) gen[size_t(i)] = (fc.mask >> i) & 1;
    FUZZ_CHECK(veksGFInit_8u(fc.m, gen.data(), ctx.as<VeksGFContext_8u>()) == StatusOk);

    State s{RefField(reference), 1u << fc.m, {}};
    for (Poly& p : s.objects) {
        p.capacity = 1 + (in.ConsumeIntegralInRange(0, 7) == 0 ? in.ConsumeIntegralInRange(0, 299)
                                                                : in.ConsumeIntegralInRange(0, 24));
        int objSize = 0;
        FUZZ_CHECK(veksPolyGFGetSize_8u(p.capacity - 1, &objSize) == StatusOk);
        p.area = std::make_unique<Area>(size_t(objSize), in.ConsumeIntegralInRange<size_t>(0, 15),
                                        in.ConsumeIntegral<uint8_t>());
        FUZZ_CHECK(veksPolyGFInit_8u(ctx.as<VeksGFContext_8u>(), p.capacity - 1, p.get()) == StatusOk);
        // Coefficients written raw, the degree set below the capacity.
        uint8_t* coeffs = nullptr;
        FUZZ_CHECK(veksPolyGFGetRef_8u(&coeffs, nullptr, nullptr, p.get()) == StatusOk);
        const int degree = in.ConsumeIntegralInRange(0, p.capacity - 1);
        const bool raw = in.ConsumeIntegralInRange(0, 15) == 0;
        for (int i = 0; i <= degree; ++i) {
            const uint8_t v = in.ConsumeIntegral<uint8_t>();
            coeffs[i] = raw ? v : uint8_t(v & (s.order - 1));
        }
        FUZZ_CHECK(veksPolyGFSetDegree_8u(degree, p.get()) == StatusOk);
    }
    while (in.remaining_bytes() > 0) step(s, in);
    return 0;
}
