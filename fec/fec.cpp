// SPDX-License-Identifier: Apache-2.0
// libvekdi-fec: libfec's Reed-Solomon interface (include/vekdi/fec.h) over
// the codes of vekdi-codes (vekdi_codes_rs.h).
//
// What a libfec program sees, besides the parity and the corrected words:
// - the parameters libfec accepts: symsize 1 ... 8 here, fcr and prim below
//   2^symsize (prim above 0), nroots below 2^symsize - 1, at least one data
//   symbol after the pad; gfpoly's bits above x^symsize are ignored and its
//   x^symsize term is implied, as libfec's field tables do;
// - a decode returns the number of symbols it changed and lists their
//   positions in the order libfec's root search visits them: the symbol of
//   the full-length word at index (i * prim^-1 - 1) mod NN for i = 1 ... NN;
//   without erasures the list may be null, and then nothing is listed.
#include <vekdi/fec.h>
#include <vekdi_codes.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <numeric>

namespace {

struct FecCode {
    VekRsCode* code = nullptr;  // null when nroots == 0
    int symsize = 0, nroots = 0, pad = 0, n = 0, k = 0;
    uint8_t rank[255] = {};     // each block position's place in libfec's root search
};

// True when x has order 2^m - 1 modulo the polynomial `mask` (degree m).
bool primitive(unsigned mask, int m) {
    const unsigned period = (1u << m) - 1;
    unsigned x = 1;
    for (unsigned i = 1; i <= period; ++i) {
        x <<= 1;
        if (x >> m) x ^= mask;
        if (x == 1) return i == period;
    }
    return false;
}

FecCode* create(int symsize, int gfpoly, int fcr, int prim, int nroots, int pad, bool dualBasis) {
    if (symsize < 1 || symsize > 8) return nullptr;
    const int nn = (1 << symsize) - 1;
    if (fcr < 0 || fcr > nn || prim < 1 || prim > nn || nroots < 0 || nroots >= nn || pad < 0 ||
        pad >= nn - nroots)
        return nullptr;
    const unsigned mask = (1u << symsize) | (static_cast<unsigned>(gfpoly) & static_cast<unsigned>(nn));
    if (!primitive(mask, symsize) || std::gcd(prim, nn) != 1) return nullptr;

    FecCode* c = new (std::nothrow) FecCode();
    if (c == nullptr) return nullptr;
    c->symsize = symsize;
    c->nroots = nroots;
    c->pad = pad;
    c->n = nn - pad;
    c->k = c->n - nroots;
    if (nroots > 0) {
        const VekRsCodeOptions options{mask, fcr, prim, 0, dualBasis ? 1 : 0};
        if (vekRsCodeCreate(c->n, c->k, &options, &c->code) != VekCodesOk) {
            delete c;
            return nullptr;
        }
    }
    int iprim = 1;
    while ((iprim * prim) % nn != 1 % nn) ++iprim;
    int listed = 0;
    for (int i = 1; i <= nn; ++i) {
        const int index = static_cast<int>((static_cast<long>(i) * iprim - 1) % nn);
        if (index >= pad) c->rank[index - pad] = static_cast<uint8_t>(listed++);
    }
    return c;
}

void destroy(void* rs) {
    FecCode* c = static_cast<FecCode*>(rs);
    if (c == nullptr) return;
    vekRsCodeDestroy(c->code);
    delete c;
}

void parity(const FecCode* c, const uint8_t* data, uint8_t* out) {
    if (c != nullptr && c->code != nullptr) vekRsParity(c->code, data, out);
}

int decode(const FecCode* c, uint8_t* data, int* erasPos, int noEras) {
    if (c == nullptr || data == nullptr || noEras < 0 || noEras > c->nroots || (noEras > 0 && erasPos == nullptr))
        return -1;
    for (int i = 0; i < noEras; ++i)
        if (erasPos[i] < 0 || erasPos[i] >= c->n) return -1;
    if (c->code == nullptr) return 0;  // no parity: every word is a codeword
    uint8_t erased[255];
    for (int i = 0; i < noEras; ++i) erased[i] = data[erasPos[i]];
    VekRsReport report;
    if (vekRsDecode(c->code, data, erasPos, noEras, VekRsBerlekampMassey, &report) != VekCodesOk) return -1;
    if (report.corrected == 0) return 0;
    // The changed positions: the errors found, and the erasures whose symbol
    // changed (each once), then in libfec's order.
    uint8_t changed[255];
    int count = 0;
    for (int i = 0; i < report.errorCount; ++i) changed[count++] = report.errorPositions[i];
    for (int i = 0; i < noEras; ++i) {
        const int p = erasPos[i];
        if (data[p] == erased[i]) continue;
        bool seen = false;
        for (int j = report.errorCount; j < count && !seen; ++j) seen = changed[j] == p;
        if (!seen) changed[count++] = static_cast<uint8_t>(p);
    }
    // A caller without erasures may pass no list: then nothing is listed.
    // Insertion by rank: at most nroots entries, usually a few.
    for (int i = 0; erasPos != nullptr && i < count; ++i) {
        const uint8_t p = changed[i];
        int j = i;
        for (; j > 0 && c->rank[erasPos[j - 1]] > c->rank[p]; --j) erasPos[j] = erasPos[j - 1];
        erasPos[j] = p;
    }
    return count;
}

// The fixed CCSDS codes, one per pad, made on first use.
FecCode* ccsds(int pad, bool dualBasis) {
    static std::array<std::atomic<FecCode*>, 223> codes[2];
    if (pad < 0 || pad >= 223) return nullptr;
    std::atomic<FecCode*>& slot = codes[dualBasis ? 1 : 0][static_cast<std::size_t>(pad)];
    FecCode* c = slot.load(std::memory_order_acquire);
    if (c != nullptr) return c;
    FecCode* made = create(8, 0x187, 112, 11, 32, pad, dualBasis);
    if (made == nullptr) return nullptr;
    if (slot.compare_exchange_strong(c, made, std::memory_order_acq_rel)) return made;
    destroy(made);
    return c;
}

}  // namespace

extern "C" {

void* init_rs_char(int symsize, int gfpoly, int fcr, int prim, int nroots, int pad) {
    return create(symsize, gfpoly, fcr, prim, nroots, pad, false);
}
void free_rs_char(void* rs) { destroy(rs); }
void encode_rs_char(void* rs, unsigned char* data, unsigned char* parityOut) {
    parity(static_cast<const FecCode*>(rs), data, parityOut);
}
int decode_rs_char(void* rs, unsigned char* data, int* eras_pos, int no_eras) {
    return decode(static_cast<const FecCode*>(rs), data, eras_pos, no_eras);
}

void* init_rs_int(int symsize, int gfpoly, int fcr, int prim, int nroots, int pad) {
    return create(symsize, gfpoly, fcr, prim, nroots, pad, false);
}
void free_rs_int(void* rs) { destroy(rs); }
void encode_rs_int(void* rs, unsigned int* data, unsigned int* parityOut) {
    const FecCode* c = static_cast<const FecCode*>(rs);
    if (c == nullptr || c->code == nullptr || data == nullptr || parityOut == nullptr) return;
    uint8_t message[255], out[255];
    const unsigned symbolMask = (1u << c->symsize) - 1;
    for (int i = 0; i < c->k; ++i) message[i] = static_cast<uint8_t>(data[i] & symbolMask);
    parity(c, message, out);
    for (int i = 0; i < c->nroots; ++i) parityOut[i] = out[i];
}
int decode_rs_int(void* rs, unsigned int* data, int* eras_pos, int no_eras) {
    const FecCode* c = static_cast<const FecCode*>(rs);
    if (c == nullptr || data == nullptr) return -1;
    uint8_t word[255];
    for (int i = 0; i < c->n; ++i) {
        if (data[i] >> c->symsize) return -1;
        word[i] = static_cast<uint8_t>(data[i]);
    }
    const int changed = decode(c, word, eras_pos, no_eras);
    if (changed > 0)
        for (int i = 0; i < c->n; ++i) data[i] = word[i];
    return changed;
}

void encode_rs_8(unsigned char* data, unsigned char* parityOut, int pad) { parity(ccsds(pad, false), data, parityOut); }
int decode_rs_8(unsigned char* data, int* eras_pos, int no_eras, int pad) {
    return decode(ccsds(pad, false), data, eras_pos, no_eras);
}
void encode_rs_ccsds(unsigned char* data, unsigned char* parityOut, int pad) {
    parity(ccsds(pad, true), data, parityOut);
}
int decode_rs_ccsds(unsigned char* data, int* eras_pos, int no_eras, int pad) {
    return decode(ccsds(pad, true), data, eras_pos, no_eras);
}

}  // extern "C"
