// SPDX-License-Identifier: Apache-2.0
// Every record works wherever the caller places it: field context, polynomial
// objects, encoder and decoder contexts (and the scratch buffers) at each byte
// offset 0 ... 15 from a 64-byte boundary give the same results as at offset 0.
// Run under the sanitizer build, misaligned header reads are reported.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "vekdi.h"

namespace {

// Room for `size` bytes at `offset` past a 64-byte boundary.
class PlacedBytes {
public:
    PlacedBytes(size_t size, size_t offset) : storage_(size + offset + 64) {
        const auto base = reinterpret_cast<uintptr_t>(storage_.data());
        at_ = storage_.data() + ((64 - base % 64) % 64) + offset;
    }
    uint8_t* data() { return at_; }
    template <typename T>
    T* as() {
        return reinterpret_cast<T*>(at_);
    }

private:
    std::vector<uint8_t> storage_;
    uint8_t* at_;
};

// Everything one placement computes, compared between offsets.
struct Results {
    std::vector<uint8_t> fieldBytes;
    std::vector<uint8_t> elements;
    std::vector<uint8_t> polys;
    std::vector<uint8_t> words;
    std::vector<int> flags;
};

void appendPoly(Results& out, const VeksPolyGF_8u* p) {
    uint8_t* coeffs = nullptr;
    int degree = -1;
    ASSERT_EQ(veksPolyGFGetRef_8u(&coeffs, &degree, nullptr, p), StatusOk);
    out.flags.push_back(degree);
    out.polys.insert(out.polys.end(), coeffs, coeffs + degree + 1);
}

// A field GF(2^m) by the given generator, used by every other record at the
// same offset.
Results runAt(size_t offset, int m, const std::vector<uint8_t>& generator) {
    Results out;
    int size = 0;
    EXPECT_EQ(veksGFGetSize_8u(m, &size), StatusOk);
    PlacedBytes fieldBytes(size_t(size), offset);
    auto* f = fieldBytes.as<VeksGFContext_8u>();
    EXPECT_EQ(veksGFInit_8u(m, generator.data(), f), StatusOk);
    out.fieldBytes.assign(fieldBytes.data(), fieldBytes.data() + size);
    const unsigned q = 1u << m;

    for (unsigned a = 0; a < q; a += 3) {
        for (unsigned b = 1; b < q; b += 7) {
            uint8_t r[6] = {};
            out.flags.push_back(veksGFMul_8u(uint8_t(a), uint8_t(b), &r[0], f));
            out.flags.push_back(veksGFDiv_8u(uint8_t(a), uint8_t(b), &r[1], f));
            out.flags.push_back(veksGFAdd_8u(uint8_t(a), uint8_t(b), &r[2], f));
            out.flags.push_back(veksGFPow_8u(uint8_t(a), int(b) - 9, &r[3], f));
            out.flags.push_back(veksGFInv_8u(uint8_t(b), &r[4], f));
            out.flags.push_back(veksGFLogAlpha_8u(uint8_t(b), &r[5], f));
            out.elements.insert(out.elements.end(), r, r + 6);
        }
        uint8_t e = 0, neg = 0;
        out.flags.push_back(veksGFExpAlpha_8u(uint8_t(a), &e, f));
        out.flags.push_back(veksGFNeg_8u(uint8_t(a), &neg, f));
        out.elements.push_back(e);
        out.elements.push_back(neg);
    }

    // Polynomial objects, each at the same offset in its own buffer.
    const int maxDegree = 12;
    EXPECT_EQ(veksPolyGFGetSize_8u(maxDegree, &size), StatusOk);
    std::vector<PlacedBytes> objects;
    for (int i = 0; i < 5; ++i) objects.emplace_back(size_t(size), offset);
    VeksPolyGF_8u* p[5];
    for (int i = 0; i < 5; ++i) {
        p[i] = objects[size_t(i)].as<VeksPolyGF_8u>();
        EXPECT_EQ(veksPolyGFInit_8u(f, maxDegree, p[i]), StatusOk);
    }
    const uint8_t a[] = {3, 0, 1, 5, 1, 2, 1};
    const uint8_t b[] = {1, 1, 0, 1};
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(a, 6, p[0]), StatusOk);
    EXPECT_EQ(veksPolyGFSetCoeffs_8u(b, 3, p[1]), StatusOk);
    EXPECT_EQ(veksPolyGFMul_8u(p[0], p[1], p[2]), StatusOk);
    appendPoly(out, p[2]);
    EXPECT_EQ(veksPolyGFDiv_8u(p[2], p[0], p[3], p[4]), StatusOk);
    appendPoly(out, p[3]);
    appendPoly(out, p[4]);
    EXPECT_EQ(veksPolyGFMod_8u(p[0], p[1], p[4]), StatusOk);
    appendPoly(out, p[4]);
    EXPECT_EQ(veksPolyGFGCD_8u(p[2], p[0], p[3]), StatusOk);
    appendPoly(out, p[3]);
    EXPECT_EQ(veksPolyGFAdd_8u(p[0], p[1], p[3]), StatusOk);
    appendPoly(out, p[3]);
    EXPECT_EQ(veksPolyGFShlC_8u(p[1], 4, p[3]), StatusOk);
    EXPECT_EQ(veksPolyGFShrC_8u(p[3], 2, p[3]), StatusOk);
    appendPoly(out, p[3]);
    EXPECT_EQ(veksPolyGFDerive_8u(p[0], p[3]), StatusOk);
    appendPoly(out, p[3]);
    EXPECT_EQ(veksPolyGFCopy_8u(p[2], p[3]), StatusOk);
    EXPECT_EQ(veksPolyGFSetDegree_8u(maxDegree, p[3]), StatusOk);
    appendPoly(out, p[3]);
    uint8_t value = 0, roots[12] = {};
    int count = -1, irreducible = -1, primitive = -1;
    EXPECT_EQ(veksPolyGFValue_8u(p[2], 2, &value), StatusOk);
    EXPECT_EQ(veksPolyGFRoots_8u(p[2], roots, &count), StatusOk);
    EXPECT_EQ(veksPolyGFIrreducible_8u(p[1], &irreducible), StatusOk);
    EXPECT_EQ(veksPolyGFPrimitive_8u(p[1], 0, &primitive), StatusOk);
    out.elements.push_back(value);
    out.elements.insert(out.elements.end(), roots, roots + (count > 0 ? count : 0));
    out.flags.insert(out.flags.end(), {count, irreducible, primitive});

    // Encoder and decoder contexts, scratch buffers at the same offset.
    const int n = int(q) - 1, k = n - 6;
    int encSize = 0, decSize = 0, encBuf = 0, bmBuf = 0, eeBuf = 0;
    EXPECT_EQ(veksRSEncodeGetSize_8u(n, k, &encSize), StatusOk);
    EXPECT_EQ(veksRSDecodeGetSize_8u(n, k, &decSize), StatusOk);
    PlacedBytes encBytes(size_t(encSize), offset), decBytes(size_t(decSize), offset);
    auto* enc = encBytes.as<VeksRSEncoder_8u>();
    auto* dec = decBytes.as<VeksRSDecoder_8u>();
    EXPECT_EQ(veksRSEncodeInit_8u(n, k, f, 2, enc), StatusOk);
    EXPECT_EQ(veksRSDecodeInit_8u(n, k, f, 2, dec), StatusOk);
    EXPECT_EQ(veksRSEncodeGetBufferSize_8u(enc, &encBuf), StatusOk);
    EXPECT_EQ(veksRSDecodeBMGetBufferSize_8u(dec, &bmBuf), StatusOk);
    EXPECT_EQ(veksRSDecodeEEGetBufferSize_8u(dec, &eeBuf), StatusOk);
    PlacedBytes encScratch(size_t(encBuf), offset), bmScratch(size_t(bmBuf), offset), eeScratch(size_t(eeBuf), offset);
    std::vector<uint8_t> message(static_cast<size_t>(k)), codeword(static_cast<size_t>(n));
    for (int i = 0; i < k; ++i) message[size_t(i)] = uint8_t((i * 29 + 7) & (q - 1));
    EXPECT_EQ(veksRSEncode_8u(message.data(), codeword.data(), enc, encScratch.data()), StatusOk);
    out.words.insert(out.words.end(), codeword.begin(), codeword.end());
    std::vector<uint8_t> received = codeword;
    received[1] ^= 1;
    received[size_t(n) - 2] ^= uint8_t(q - 1);
    received[size_t(n) / 2] = 0;
    const int erasures[] = {n / 2, 0};
    std::vector<uint8_t> viaBM = received, viaEE = received;
    EXPECT_EQ(veksRSDecodeBM_8u(erasures, 2, viaBM.data(), dec, bmScratch.data()), StatusOk);
    EXPECT_EQ(veksRSDecodeEE_8u(erasures, 2, viaEE.data(), dec, eeScratch.data()), StatusOk);
    EXPECT_EQ(viaBM, codeword);
    EXPECT_EQ(viaEE, codeword);
    return out;
}

void expectSameAtEveryOffset(int m, const std::vector<uint8_t>& generator) {
    const Results reference = runAt(0, m, generator);
    for (size_t offset = 1; offset < 16; ++offset) {
        SCOPED_TRACE(offset);
        const Results r = runAt(offset, m, generator);
        EXPECT_EQ(r.fieldBytes, reference.fieldBytes);
        EXPECT_EQ(r.elements, reference.elements);
        EXPECT_EQ(r.polys, reference.polys);
        EXPECT_EQ(r.words, reference.words);
        EXPECT_EQ(r.flags, reference.flags);
    }
}

// GF(256)/0x11D takes the table-driven decode path, GF(32)/0x25 the generic one.
TEST(RecordPlacement, EveryRecordWorksAtEveryOffset) {
    expectSameAtEveryOffset(8, {1, 0, 1, 1, 1, 0, 0, 0, 1});
    expectSameAtEveryOffset(5, {1, 0, 1, 0, 0, 1});
}

}  // namespace
