// SPDX-License-Identifier: Apache-2.0
// Reed-Solomon codes from arbitrary (m, generator, n, k, root), records and
// scratch buffers at any offset with canaries right after their reported
// sizes, arbitrary messages, received words and erasure lists (duplicates,
// negatives, out of range, null with a junk count), both decoders. Checked:
// encoder output is a systematic codeword; a word within the radius decodes
// to the sent codeword; success only on a codeword within the radius of the
// received word; Berlekamp-Massey and Euclid agree on status and bytes; a
// failed call leaves the word and every record as they were.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/reference_gf.h"
#include "vekdi.h"

namespace {

using vekdi::fuzz::Area;
using namespace vekdi::test;

struct Code {
    int m, n, k;
    uint32_t mask, alpha;
    uint8_t root;
    // Powers of alpha by the bit-serial reference, and their logarithms.
    uint32_t exp[512], log[256];
    uint8_t mul(uint32_t a, uint32_t b) const { return a == 0 || b == 0 ? 0 : uint8_t(exp[log[a] + log[b]]); }
};

void tabulate(Code& c) {
    const uint32_t n = (1u << c.m) - 1;
    uint32_t v = 1;
    for (uint32_t i = 0; i < 2 * n; ++i) {
        c.exp[i] = v;
        if (i < n) c.log[v] = i;
        v = refMul(v, c.alpha, c.mask, c.m);
    }
}

// Byte i is the coefficient of x^(n-1-i); a codeword vanishes at root*alpha^j, j < n - k.
bool isCodeword(const Code& c, const std::vector<uint8_t>& w) {
    uint32_t point = c.root;
    for (int j = 0; j < c.n - c.k; ++j) {
        uint32_t v = 0;
        for (int i = 0; i < c.n; ++i) v = c.mul(v, point) ^ w[size_t(i)];
        if (v != 0) return false;
        point = c.mul(point, c.alpha);
    }
    return true;
}

struct Decoded {
    VekStatus status;
    std::vector<uint8_t> word;
};

// One decode with the word, the scratch buffer (exactly the reported size) and
// the erasure list in guarded areas; checks the failure rules.
Decoded decode(bool euclid, const VeksRSDecoder_8u* dec, Area& decArea, const std::vector<uint8_t>& received,
               const int* erasures, int count, size_t offset) {
    int scratchSize = -1;
    const VekStatus sizeStatus = euclid ? veksRSDecodeEEGetBufferSize_8u(dec, &scratchSize)
                                        : veksRSDecodeBMGetBufferSize_8u(dec, &scratchSize);
    FUZZ_CHECK(sizeStatus == StatusOk && scratchSize > 0);
    Area scratch(size_t(scratchSize), (offset * 7) % 16, 0xC3);
    Area word(received.size(), (offset * 3) % 16);
    std::memcpy(word.data(), received.data(), received.size());
    const auto decBefore = decArea.snapshot();
    const auto wordBefore = word.snapshot();
    const VekStatus st = euclid ? veksRSDecodeEE_8u(erasures, count, word.data(), dec, scratch.data())
                                : veksRSDecodeBM_8u(erasures, count, word.data(), dec, scratch.data());
    FUZZ_CHECK(scratch.canaryIntact() && word.canaryIntact());
    FUZZ_CHECK(decArea.snapshot() == decBefore);
    if (st != StatusOk) FUZZ_CHECK(word.snapshot() == wordBefore);
    return {st, std::vector<uint8_t>(word.data(), word.data() + received.size())};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Code c{};
    c.m = in.ConsumeIntegralInRange(1, 8);
    const auto masks = irreducibleMasks(c.m);
    c.mask = masks[in.ConsumeIntegralInRange<size_t>(0, masks.size() - 1)];
    c.alpha = smallestGenerator(c.mask, c.m);
    const int q = 1 << c.m;
    const size_t offset = in.ConsumeIntegralInRange<size_t>(0, 15);

    int fieldSize = 0;
    FUZZ_CHECK(veksGFGetSize_8u(c.m, &fieldSize) == StatusOk);
    Area fieldArea(size_t(fieldSize), offset);
    std::vector<uint8_t> gen(size_t(c.m) + 1);
    for (int i = 0; i <= c.m; ++i) gen[size_t(i)] = (c.mask >> i) & 1;
    auto* f = fieldArea.as<VeksGFContext_8u>();
    if (veksGFInit_8u(c.m, gen.data(), f) != StatusOk) {
        FUZZ_CHECK(c.m == 1 && c.mask == 2);  // x itself defines no field with alpha of order 1 here
        return 0;
    }

    // Code parameters: mostly valid, sometimes anything.
    const bool anyParams = in.ConsumeIntegralInRange(0, 7) == 0;
    c.n = anyParams ? in.ConsumeIntegral<int>() : q - 1;
    c.k = anyParams ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(1, std::max(1, q - 2));
    c.root = in.ConsumeBool() ? uint8_t(in.ConsumeIntegralInRange(1, q - 1)) : in.ConsumeIntegral<uint8_t>();

    int encSize = -1, decSize = -1;
    const VekStatus encSizeStatus = veksRSEncodeGetSize_8u(c.n, c.k, &encSize);
    const VekStatus decSizeStatus = veksRSDecodeGetSize_8u(c.n, c.k, &decSize);
    FUZZ_CHECK(encSizeStatus == decSizeStatus);
    // Contexts are sized by the query for these parameters, or generously when it refuses them.
    Area encArea(encSizeStatus == StatusOk ? size_t(encSize) : 2048, offset, in.ConsumeIntegral<uint8_t>());
    Area decArea(decSizeStatus == StatusOk ? size_t(decSize) : 4096, (offset + 5) % 16, in.ConsumeIntegral<uint8_t>());
    auto* enc = encArea.as<VeksRSEncoder_8u>();
    auto* dec = decArea.as<VeksRSDecoder_8u>();
    const auto encBefore = encArea.snapshot(), decBefore = decArea.snapshot();
    const VekStatus encStatus = veksRSEncodeInit_8u(c.n, c.k, f, c.root, enc);
    const VekStatus decStatus = veksRSDecodeInit_8u(c.n, c.k, f, c.root, dec);
    FUZZ_CHECK(encArea.canaryIntact() && decArea.canaryIntact());
    FUZZ_CHECK(encStatus == decStatus);
    const bool valid = c.n == q - 1 && c.k >= 1 && c.k < c.n && c.root != 0 && c.root < q;
    if (encStatus != StatusOk) {
        FUZZ_CHECK(encArea.snapshot() == encBefore && decArea.snapshot() == decBefore);
        FUZZ_CHECK(!valid);
        return 0;
    }
    FUZZ_CHECK(valid && encSizeStatus == StatusOk);
    const int n = c.n, k = c.k, r = n - k;

    // Encoding, with the documented aliases: message in the codeword or in the
    // buffer, codeword in the buffer.
    std::vector<uint8_t> message(static_cast<size_t>(k));
    const bool raw = in.ConsumeIntegralInRange(0, 15) == 0;
    for (uint8_t& v : message) v = uint8_t(in.ConsumeIntegral<uint8_t>() & (raw ? 0xFF : q - 1));
    int encBuf = -1;
    FUZZ_CHECK(veksRSEncodeGetBufferSize_8u(enc, &encBuf) == StatusOk && encBuf > 0);
    const int alias = in.ConsumeIntegralInRange(0, 3);
    Area buffer(size_t(std::max(encBuf, n)), (offset + 9) % 16, 0x3C);
    Area out(size_t(n), (offset + 1) % 16);
    uint8_t* msgPtr = message.data();
    uint8_t* cwPtr = out.data();
    if (alias == 1) {
        std::memcpy(out.data(), message.data(), size_t(k));
        msgPtr = out.data();
    } else if (alias == 2) {
        std::memcpy(buffer.data(), message.data(), size_t(k));
        msgPtr = buffer.data();
    } else if (alias == 3) {
        cwPtr = buffer.data();
    }
    const auto encCtxBytes = encArea.snapshot();
    const auto outBefore = out.snapshot();
    const bool inField = std::all_of(message.begin(), message.end(), [q](uint8_t v) { return v < q; });
    const VekStatus encodeStatus = veksRSEncode_8u(msgPtr, cwPtr, enc, buffer.data());
    FUZZ_CHECK(buffer.canaryIntact() && out.canaryIntact() && encArea.snapshot() == encCtxBytes);
    if (!inField) {
        FUZZ_CHECK(encodeStatus == StatusOutOfRange && out.snapshot() == outBefore);
        return 0;
    }
    FUZZ_CHECK(encodeStatus == StatusOk);
    tabulate(c);
    const std::vector<uint8_t> codeword(cwPtr, cwPtr + n);
    FUZZ_CHECK(std::equal(message.begin(), message.end(), codeword.begin()));
    FUZZ_CHECK(isCodeword(c, codeword));

    for (int round = 0; round < 6 && in.remaining_bytes() > 0; ++round) {
        std::vector<uint8_t> received = codeword;
        std::vector<int> list;
        const int* erasures = nullptr;
        int count = 0;
        const int mode = in.ConsumeIntegralInRange(0, 3);
        std::set<int> erased;
        bool withinRadius = false;
        if (mode <= 1) {
            // Errata within the radius at distinct positions: 2 nu + s <= r.
            const int s = in.ConsumeIntegralInRange(0, r);
            const int nu = in.ConsumeIntegralInRange(0, (r - s) / 2);
            std::vector<int> positions(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) positions[size_t(i)] = i;
            for (int i = 0; i < s + nu && i < n; ++i)
                std::swap(positions[size_t(i)], positions[size_t(in.ConsumeIntegralInRange(i, n - 1))]);
            for (int i = 0; i < s; ++i) {
                list.push_back(positions[size_t(i)]);
                received[size_t(positions[size_t(i)])] = uint8_t(in.ConsumeIntegral<uint8_t>() & (q - 1));
            }
            for (int i = s; i < s + nu; ++i)
                received[size_t(positions[size_t(i)])] ^= uint8_t(in.ConsumeIntegralInRange(1, q - 1));
            withinRadius = true;
            erasures = list.data();
            count = s;
            if (s == 0 && in.ConsumeBool()) {
                erasures = nullptr;
                count = in.ConsumeIntegral<int>();  // a null list with a junk count means none
            }
        } else if (mode == 2) {
            // Anything: received bytes and an erasure list straight from the input.
            for (uint8_t& v : received)
                if (in.ConsumeIntegralInRange(0, 3) == 0) v = uint8_t(in.ConsumeIntegral<uint8_t>() & (q - 1));
            const int s = in.ConsumeIntegralInRange(0, r + 2);
            for (int i = 0; i < s; ++i)
                list.push_back(in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, n + 1) : in.ConsumeIntegral<int>());
            erasures = list.data();
            count = in.ConsumeIntegralInRange(0, 7) == 0 ? in.ConsumeIntegralInRange(-3, r + 3) : s;
            count = std::min(count, s);
            if (in.ConsumeIntegralInRange(0, 7) == 0) erasures = nullptr;
        } else {
            // Far from every codeword: many random errors, a few erasures.
            for (uint8_t& v : received) v = uint8_t(in.ConsumeIntegral<uint8_t>() & (q - 1));
            const int s = in.ConsumeIntegralInRange(0, r);
            for (int i = 0; i < s; ++i) list.push_back(in.ConsumeIntegralInRange(0, n - 1));
            erasures = list.data();
            count = s;
        }
        // The list in a guarded area of exactly its length.
        Area listArea(list.size() * sizeof(int), (offset * 4) % 16);
        if (!list.empty()) std::memcpy(listArea.data(), list.data(), list.size() * sizeof(int));
        const int* listPtr = erasures == nullptr ? nullptr : reinterpret_cast<const int*>(listArea.data());
        const bool listValid = listPtr == nullptr || count == 0 ||
                               (count > 0 && count <= r &&
                                std::all_of(list.begin(), list.begin() + count, [n](int p) { return p >= 0 && p < n; }));
        if (listPtr != nullptr && count > 0 && listValid) erased.insert(list.begin(), list.begin() + count);

        const Decoded bm = decode(false, dec, decArea, received, listPtr, count, offset);
        const Decoded ee = decode(true, dec, decArea, received, listPtr, count, offset + 1);
        FUZZ_CHECK(bm.status == ee.status && bm.word == ee.word);
        if (!listValid) {
            FUZZ_CHECK(bm.status == StatusBadArgument);
            continue;
        }
        if (withinRadius) FUZZ_CHECK(bm.status == StatusOk && bm.word == codeword);
        if (bm.status == StatusOk) {
            // A codeword: its parity is what the encoder (checked above) gives for its message part.
            std::vector<uint8_t> again(static_cast<size_t>(n));
            FUZZ_CHECK(veksRSEncode_8u(bm.word.data(), again.data(), enc, buffer.data()) == StatusOk);
            FUZZ_CHECK(again == bm.word);
            int errors = 0;
            for (int i = 0; i < n; ++i) errors += bm.word[size_t(i)] != received[size_t(i)] && !erased.count(i);
            FUZZ_CHECK(2 * errors + int(erased.size()) <= r);
        } else {
            FUZZ_CHECK(bm.status == StatusDecodeFailure);
        }
    }
    return 0;
}
