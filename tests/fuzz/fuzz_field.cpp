// SPDX-License-Identifier: Apache-2.0
// Field contexts from arbitrary m and generator bytes, placed at any offset,
// then element operations with arbitrary arguments (garbage above the low
// byte included), each checked against bit-serial reference arithmetic.
// A failing call must leave the result byte and the context as they were.
#include <cstdint>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/reference_gf.h"
#include "vekdi.h"

namespace {

using vekdi::fuzz::Area;
using vekdi::fuzz::asSlotSignature;
using vekdi::fuzz::slotArgument;
using namespace vekdi::test;

using Binary32 = VekStatus (*)(uint32_t, uint32_t, uint8_t*, const VeksGFContext_8u*);
using Unary32 = VekStatus (*)(uint32_t, uint8_t*, const VeksGFContext_8u*);
using Pow32 = VekStatus (*)(uint32_t, int, uint8_t*, const VeksGFContext_8u*);

struct Field {
    int m;
    uint32_t mask, alpha, order;
};

// The generator's coefficients as the initialiser must judge them.
bool acceptableGenerator(int m, const std::vector<uint8_t>& coeffs, uint32_t& mask) {
    mask = 0;
    for (int i = 0; i <= m; ++i) {
        if (coeffs[size_t(i)] > 1) return false;
        mask |= uint32_t(coeffs[size_t(i)]) << i;
    }
    return coeffs[size_t(m)] == 1 && (mask & 1) && isIrreducibleBinary(mask);
}

// Verifies the context bytes against first principles.
void checkContext(const uint8_t* ctx, const Field& f) {
    uint32_t header[7];
    std::memcpy(header, ctx, sizeof header);
    FUZZ_CHECK(header[0] == 0x434D416E && header[1] == uint32_t(f.m) && header[2] == f.order);
    FUZZ_CHECK(header[3] == f.mask && header[4] == f.alpha && header[5] == 28 && header[6] == 28 + f.order);
    const uint8_t* exp = ctx + 28;
    const uint8_t* log = exp + f.order;
    for (uint32_t i = 0; i < f.order; ++i) FUZZ_CHECK(exp[i] == refPow(f.alpha, i % (f.order - 1), f.mask, f.m));
    for (uint32_t i = 0; i + 1 < f.order; ++i) FUZZ_CHECK(log[exp[i]] == i);
    FUZZ_CHECK(log[0] == 255);
}

// One element operation chosen by the input, with its expected status and value.
VEKDI_SLOT_CALLS void elementOperation(FuzzedDataProvider& in, const VeksGFContext_8u* ctx, const Field& f) {
    const int op = in.ConsumeIntegralInRange(0, 9);
    const uint32_t a32 = slotArgument(in), b32 = slotArgument(in);
    const uint32_t a = a32 & 0xFF, b = b32 & 0xFF;
    const int e = in.ConsumeIntegral<int>();
    const uint8_t before = in.ConsumeIntegral<uint8_t>();
    uint8_t r = before;
    const bool aIn = a < f.order, bIn = b < f.order;
    const uint32_t n = f.order - 1;
    VekStatus st = 0, want = StatusOk;
    uint32_t value = 0;
    switch (op) {
        case 0:
        case 1:
            st = asSlotSignature<Binary32>(op == 0 ? &veksGFAdd_8u : &veksGFSub_8u)(a32, b32, &r, ctx);
            want = aIn && bIn ? StatusOk : StatusOutOfRange;
            value = a ^ b;
            break;
        case 2:
            st = asSlotSignature<Binary32>(&veksGFMul_8u)(a32, b32, &r, ctx);
            want = aIn && bIn ? StatusOk : StatusOutOfRange;
            value = refMul(a, b, f.mask, f.m);
            break;
        case 3:
            st = asSlotSignature<Binary32>(&veksGFDiv_8u)(a32, b32, &r, ctx);
            want = !(aIn && bIn) ? StatusOutOfRange : b == 0 ? StatusDivideByZero : StatusOk;
            if (want == StatusOk) FUZZ_CHECK(st != StatusOk || refMul(r, b, f.mask, f.m) == a);
            value = r;
            break;
        case 4:
            st = asSlotSignature<Unary32>(&veksGFInv_8u)(a32, &r, ctx);
            want = !aIn ? StatusOutOfRange : a == 0 ? StatusDivideByZero : StatusOk;
            if (want == StatusOk) FUZZ_CHECK(st != StatusOk || refMul(r, a, f.mask, f.m) == 1);
            value = r;
            break;
        case 5: {
            st = asSlotSignature<Pow32>(&veksGFPow_8u)(a32, e, &r, ctx);
            want = aIn ? StatusOk : StatusOutOfRange;
            const int64_t reduced = ((int64_t(e) % n) + n) % n;
            value = a == 0 ? 0 : refPow(a, uint64_t(reduced), f.mask, f.m);
            break;
        }
        case 6:
            st = asSlotSignature<Unary32>(&veksGFExpAlpha_8u)(a32, &r, ctx);
            want = aIn ? StatusOk : StatusOutOfRange;
            value = refPow(f.alpha, a % n, f.mask, f.m);
            break;
        case 7:
            st = asSlotSignature<Unary32>(&veksGFLogAlpha_8u)(a32, &r, ctx);
            want = !aIn ? StatusOutOfRange : a == 0 ? StatusBadArgument : StatusOk;
            if (want == StatusOk) FUZZ_CHECK(st != StatusOk || (r < n && refPow(f.alpha, r, f.mask, f.m) == a));
            value = r;
            break;
        case 8:
            st = asSlotSignature<Unary32>(&veksGFNeg_8u)(a32, &r, ctx);
            want = aIn ? StatusOk : StatusOutOfRange;
            value = a;
            break;
        default: {
            // Null pointers come first, whatever else is wrong.
            uint8_t* out = in.ConsumeBool() ? &r : nullptr;
            st = asSlotSignature<Binary32>(&veksGFMul_8u)(a32, b32, out, in.ConsumeBool() ? ctx : nullptr);
            FUZZ_CHECK(st == StatusNullPointer || (out != nullptr && st == (aIn && bIn ? StatusOk : StatusOutOfRange)));
            if (st != StatusOk) FUZZ_CHECK(r == before);
            return;
        }
    }
    FUZZ_CHECK(st == want);
    if (st == StatusOk)
        FUZZ_CHECK(r == value);
    else
        FUZZ_CHECK(r == before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int m = in.ConsumeBool() ? in.ConsumeIntegralInRange(1, 8) : in.ConsumeIntegral<int>();
    const size_t offset = in.ConsumeIntegralInRange<size_t>(0, 15);
    const uint8_t fill = in.ConsumeIntegral<uint8_t>();

    int ctxSize = -1;
    const VekStatus sizeStatus = veksGFGetSize_8u(m, &ctxSize);
    if (m < 1 || m > 8) {
        FUZZ_CHECK(sizeStatus == StatusOutOfRange && ctxSize == -1);
        std::vector<uint8_t> coeffs = in.ConsumeBytes<uint8_t>(16);
        coeffs.resize(16);
        Area ctx(600, offset, fill);
        const auto before = ctx.snapshot();
        FUZZ_CHECK(veksGFInit_8u(m, coeffs.data(), ctx.as<VeksGFContext_8u>()) != StatusOk);
        FUZZ_CHECK(ctx.snapshot() == before);
        return 0;
    }
    FUZZ_CHECK(sizeStatus == StatusOk && ctxSize == 28 + (2 << m));

    std::vector<uint8_t> coeffs = in.ConsumeBytes<uint8_t>(size_t(m) + 1);
    coeffs.resize(size_t(m) + 1);
    // Mostly well-formed generators, so the element operations get their turn.
    if (in.ConsumeBool())
        for (uint8_t& c : coeffs) c &= 1;
    Area ctx(size_t(ctxSize), offset, fill);
    auto* f = ctx.as<VeksGFContext_8u>();
    const auto before = ctx.snapshot();
    const VekStatus st = veksGFInit_8u(m, in.ConsumeIntegralInRange(0, 15) == 0 ? nullptr : coeffs.data(), f);
    FUZZ_CHECK(ctx.canaryIntact());
    uint32_t mask = 0;
    if (st != StatusOk) {
        FUZZ_CHECK(ctx.snapshot() == before);
        // A well-formed generator is refused only when the call had no coefficients.
        FUZZ_CHECK(!acceptableGenerator(m, coeffs, mask) || st == StatusNullPointer);
        return 0;
    }
    FUZZ_CHECK(acceptableGenerator(m, coeffs, mask) || (m == 1 && mask == 2 && coeffs[1] == 1));
    const Field field{m, mask, smallestGenerator(mask, m), 1u << m};
    checkContext(ctx.data(), field);

    const auto contextBytes = ctx.snapshot();
    while (in.remaining_bytes() > 0) elementOperation(in, f, field);
    FUZZ_CHECK(ctx.snapshot() == contextBytes);

    // A context whose identifier is wrong is refused before the elements are looked at.
    ctx.data()[in.ConsumeIntegralInRange(0, 3)] ^= uint8_t(1 + in.ConsumeIntegralInRange(0, 254));
    uint8_t r = 0x5C;
    FUZZ_CHECK(veksGFMul_8u(1, 1, &r, f) == StatusContextMismatch && r == 0x5C);
    return 0;
}
