// SPDX-License-Identifier: Apache-2.0
// vekdi::ReedSolomon (vekdi.hpp) from arbitrary generator masks, lengths
// (shortened codes), first roots, root steps, roots and basis, then arbitrary
// messages, received words and erasure lists (repeats, out of range). Bad
// arguments must throw vekdi::Error and write nothing. Checked on every
// decode: Berlekamp-Massey (on the object) and Euclid (on a copy) agree; a
// success is a codeword of the shortened code (check(), re-encoding its
// message part, and the generator's roots by reference arithmetic) within the
// radius of the received word, with exact reports (erasures deduplicated and
// ascending, errors ascending and disjoint from them, corrected = symbols
// changed); a failure leaves the word as it was; within the capacity the sent
// codeword comes back.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <numeric>
#include <optional>
#include <set>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/reference_gf.h"
#include "vekdi.hpp"

namespace {

using namespace vekdi::test;
using vekdi::Algorithm;
using vekdi::CodeOptions;
using vekdi::DecodeResult;
using vekdi::ReedSolomon;

struct Params {
    int m = 0, n = 0, k = 0;
    CodeOptions options;
    bool valid = false;  // what the interface documents as acceptable
};

Params consumeParams(FuzzedDataProvider& in) {
    Params p;
    p.m = in.ConsumeIntegralInRange(1, 8);
    const auto masks = irreducibleMasks(p.m);
    unsigned mask = masks[in.ConsumeIntegralInRange<size_t>(0, masks.size() - 1)];
    const int pick = in.ConsumeIntegralInRange(0, 31);
    if (pick == 0) mask = in.ConsumeIntegral<unsigned>();
    else if (pick == 1) mask = in.ConsumeIntegralInRange(0u, 0x3FFu);
    else if (pick == 2) mask = 0x187;  // the dual basis' field
    p.options.polynomial = mask;
    p.options.dualBasis = pick == 2 ? in.ConsumeBool() : in.ConsumeIntegralInRange(0, 63) == 0;
    const int degree = mask < 2 ? 0 : std::bit_width(mask) - 1;
    if (degree >= 1 && degree <= 8) p.m = degree;
    const int fullN = (1 << p.m) - 1;

    if (in.ConsumeIntegralInRange(0, 15) != 0) {
        p.n = in.ConsumeIntegralInRange(std::min(2, fullN), fullN);
        p.k = in.ConsumeIntegralInRange(1, std::max(1, p.n - 1));
    } else {
        p.n = in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(-2, 258);
        p.k = in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(-2, 258);
    }
    p.options.fcr = in.ConsumeBool() ? in.ConsumeIntegralInRange(-3, 300) : in.ConsumeIntegral<int>();
    const int stepPick = in.ConsumeIntegralInRange(0, 7);
    p.options.rootStep = stepPick < 3 ? 1 : stepPick < 7 ? in.ConsumeIntegralInRange(-2, 600) : in.ConsumeIntegral<int>();
    p.options.root = in.ConsumeIntegralInRange(0, 3) != 0 ? 0 : in.ConsumeIntegralInRange(-2, (1 << p.m) + 1);

    const bool field = degree >= 2 && degree <= 8 && isIrreducibleBinary(mask);
    p.valid = field && p.k >= 1 && p.k < p.n && p.n <= fullN && p.options.rootStep >= 1 &&
              std::gcd(p.options.rootStep % fullN, fullN) == 1 && p.options.root >= 0 && p.options.root <= fullN &&
              (!p.options.dualBasis || mask == 0x187);
    return p;
}

// The generator's roots in the caller's field, by bit-serial arithmetic from
// first principles: (alpha^step)^(fcr + i), or root * (alpha^step)^i.
struct Roots {
    int m;
    uint32_t mask;
    uint32_t exp[512], log[256];
    std::vector<uint32_t> points;

    Roots(const Params& p) : m(p.m), mask(p.options.polynomial) {
        const uint32_t fullN = (1u << m) - 1, alpha = smallestGenerator(mask, m);
        uint32_t v = 1;
        for (uint32_t i = 0; i < 2 * fullN; ++i) {
            exp[i] = v;
            if (i < fullN) log[v] = i;
            v = refMul(v, alpha, mask, m);
        }
        const uint32_t step = uint32_t(p.options.rootStep) % fullN;
        const uint32_t fcr = uint32_t(((int64_t(p.options.fcr) % fullN) + fullN) % fullN);
        uint32_t point = p.options.root != 0 ? uint32_t(p.options.root) : exp[(step * fcr) % fullN];
        for (int i = 0; i < p.n - p.k; ++i) {
            points.push_back(point);
            point = mul(point, exp[step]);
        }
    }
    uint32_t mul(uint32_t a, uint32_t b) const { return a == 0 || b == 0 ? 0 : exp[log[a] + log[b]]; }
    // Byte i is the coefficient of x^(n-1-i) (leading padding zeros add nothing).
    bool vanish(const std::vector<uint8_t>& w) const {
        for (uint32_t point : points) {
            uint32_t v = 0;
            for (uint8_t s : w) v = mul(v, point) ^ s;
            if (v != 0) return false;
        }
        return true;
    }
};

struct Outcome {
    bool threw = false;
    DecodeResult result;
    std::vector<uint8_t> word;
};

Outcome decode(const ReedSolomon& rs, const std::vector<uint8_t>& received, const std::vector<int>& list, Algorithm a) {
    Outcome o;
    o.word = received;
    try {
        o.result = rs.decode(o.word, list, a);
    } catch (const vekdi::Error&) {
        o.threw = true;
        FUZZ_CHECK(o.word == received);
    }
    return o;
}

bool same(const Outcome& a, const Outcome& b) {
    return a.threw == b.threw && a.word == b.word && a.result.status == b.result.status &&
           a.result.corrected == b.result.corrected && a.result.errorPositions == b.result.errorPositions &&
           a.result.erasurePositions == b.result.erasurePositions;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const Params p = consumeParams(in);
    std::optional<ReedSolomon> code;
    try {
        code.emplace(p.n, p.k, p.options);
    } catch (const vekdi::Error&) {
        FUZZ_CHECK(!p.valid);
        return 0;
    }
    FUZZ_CHECK(p.valid);
    const ReedSolomon& rs = *code;
    const ReedSolomon copy = rs;
    const int n = p.n, k = p.k, r = n - k, q = 1 << p.m;
    FUZZ_CHECK(rs.n() == n && rs.k() == k && rs.parityCount() == r && copy.n() == n && copy.k() == k);
    const Roots roots(p);
    const bool plain = !p.options.dualBasis;  // symbols are field elements as they are

    std::vector<uint8_t> message(static_cast<size_t>(k));
    const bool raw = in.ConsumeIntegralInRange(0, 15) == 0;
    for (uint8_t& v : message) v = uint8_t(in.ConsumeIntegral<uint8_t>() & (raw ? 0xFF : q - 1));
    std::vector<uint8_t> codeword(static_cast<size_t>(n), 0x5A);
    try {
        rs.encode(message, codeword);
    } catch (const vekdi::Error&) {
        FUZZ_CHECK(std::any_of(message.begin(), message.end(), [q](uint8_t v) { return v >= q; }));
        FUZZ_CHECK(std::all_of(codeword.begin(), codeword.end(), [](uint8_t v) { return v == 0x5A; }));
        return 0;
    }
    FUZZ_CHECK(std::equal(message.begin(), message.end(), codeword.begin()));
    FUZZ_CHECK(rs.check(codeword) && (!plain || roots.vanish(codeword)));
    FUZZ_CHECK(copy.encode(message) == codeword);

    for (int round = 0; round < 4 && in.remaining_bytes() > 0; ++round) {
        std::vector<uint8_t> received = codeword;
        std::vector<int> list;
        std::set<int> errors;  // injected, within the capacity
        const int mode = in.ConsumeIntegralInRange(0, 3);
        if (mode <= 1) {
            // Errata within the capacity at distinct positions (2 errors + erasures <= r);
            // the list repeats some erasures, in any order.
            const int s = in.ConsumeIntegralInRange(0, r);
            const int nu = in.ConsumeIntegralInRange(0, (r - s) / 2);
            std::vector<int> positions(static_cast<size_t>(n));
            std::iota(positions.begin(), positions.end(), 0);
            for (int i = 0; i < s + nu; ++i)
                std::swap(positions[size_t(i)], positions[size_t(in.ConsumeIntegralInRange(i, n - 1))]);
            for (int i = 0; i < s; ++i) {
                list.push_back(positions[size_t(i)]);
                received[size_t(positions[size_t(i)])] = uint8_t(in.ConsumeIntegral<uint8_t>() & (q - 1));
            }
            for (int i = s; i < s + nu; ++i) {
                errors.insert(positions[size_t(i)]);
                received[size_t(positions[size_t(i)])] ^= uint8_t(in.ConsumeIntegralInRange(1, q - 1));
            }
            for (int extra = in.ConsumeIntegralInRange(0, 3); extra > 0 && s > 0; --extra)
                list.insert(list.begin() + in.ConsumeIntegralInRange<long>(0, long(list.size())),
                            list[in.ConsumeIntegralInRange<size_t>(0, size_t(s) - 1)]);
        } else if (mode == 2) {
            // Anything: bytes (rarely outside the field) and a list straight from the input.
            const bool rawWord = in.ConsumeIntegralInRange(0, 15) == 0;
            for (uint8_t& v : received)
                if (in.ConsumeIntegralInRange(0, 3) == 0)
                    v = uint8_t(in.ConsumeIntegral<uint8_t>() & (rawWord ? 0xFF : q - 1));
            for (int i = in.ConsumeIntegralInRange(0, r + 3); i > 0; --i)
                list.push_back(in.ConsumeIntegralInRange(0, 15) != 0 ? in.ConsumeIntegralInRange(-2, n + 1)
                                                                     : in.ConsumeIntegral<int>());
        } else {
            // Far from every codeword: random symbols, a few erasures.
            for (uint8_t& v : received) v = uint8_t(in.ConsumeIntegral<uint8_t>() & (q - 1));
            for (int i = in.ConsumeIntegralInRange(0, r); i > 0; --i) list.push_back(in.ConsumeIntegralInRange(0, n - 1));
        }
        const bool badList = std::any_of(list.begin(), list.end(), [n](int v) { return v < 0 || v >= n; });
        const bool badWord = std::any_of(received.begin(), received.end(), [q](uint8_t v) { return v >= q; });

        const Outcome bm = decode(rs, received, list, Algorithm::BerlekampMassey);
        const Outcome ee = decode(copy, received, list, Algorithm::Euclid);
        FUZZ_CHECK(same(bm, ee));
        FUZZ_CHECK(bm.threw == (badList || badWord));
        if (bm.threw) continue;

        const std::set<int> erased(list.begin(), list.end());
        const DecodeResult& res = bm.result;
        FUZZ_CHECK(res.erasurePositions == std::vector<int>(erased.begin(), erased.end()));
        if (mode <= 1) FUZZ_CHECK(res && bm.word == codeword);
        if (!res) {
            FUZZ_CHECK(res.status == vekdi::makeErrorCode(StatusDecodeFailure));
            FUZZ_CHECK(bm.word == received && res.errorPositions.empty() && res.corrected == 0);
        } else {
            const std::vector<uint8_t>& w = bm.word;
            FUZZ_CHECK(rs.check(w) && (!plain || roots.vanish(w)));
            // Re-encoding the message part gives the word back: nothing lives in the padding.
            FUZZ_CHECK(rs.encode(std::vector<uint8_t>(w.begin(), w.begin() + k)) == w);
            std::vector<int> changedOutside;
            int changed = 0;
            for (int i = 0; i < n; ++i)
                if (w[size_t(i)] != received[size_t(i)]) {
                    ++changed;
                    if (!erased.count(i)) changedOutside.push_back(i);
                }
            FUZZ_CHECK(res.corrected == changed && res.errorPositions == changedOutside);
            FUZZ_CHECK(2 * int(changedOutside.size()) + int(erased.size()) <= r);
            if (mode <= 1) FUZZ_CHECK(res.errorPositions == std::vector<int>(errors.begin(), errors.end()));
        }

        if (list.empty()) {
            // The same word in a batch, after a clean one: the same outcome.
            std::vector<uint8_t> batch = codeword;
            batch.insert(batch.end(), received.begin(), received.end());
            const vekdi::DecodeSummary summary = copy.decodeBlocks(batch, Algorithm::Euclid);
            FUZZ_CHECK(summary.words == 2 && summary.correctedSymbols == size_t(res.corrected));
            FUZZ_CHECK(summary.failedWords == (res ? std::vector<size_t>{} : std::vector<size_t>{1}));
            FUZZ_CHECK(std::equal(bm.word.begin(), bm.word.end(), batch.begin() + n));
        }
    }
    return 0;
}
