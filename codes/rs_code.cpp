// SPDX-License-Identifier: Apache-2.0
// Reed-Solomon codes of every shape behind the C functions of
// vekdi_codes_rs.h.
//
// Encoding runs here, in the caller's field, over the code's own length: a
// shift register of n - k bytes fed by one table row per message symbol, so
// a short shortened code costs its k symbols only. Decoding goes through the
// full-length decoder of vekdi.h: the shortened word is padded with zeros,
// and a root step other than 1 (and the dual basis) is carried over to an
// isomorphic field in which the roots are consecutive powers of alpha.
#include "codes/rs_code.h"

#include <vekdi.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <numeric>

namespace vekdi::codes {

namespace {

constexpr uint32_t kMagic = 0x52534344u;  // "RSCD"

// GF(2^m) from a generator mask: the record vekdi.h needs, and log / exp
// tables for the arithmetic done here.
int32_t makeField(unsigned mask, Field& f) {
    const int m = mask < 2 ? 0 : std::bit_width(mask) - 1;
    if (m < 1 || m > 8) return VekCodesBadField;
    int size = 0;
    if (veksGFGetSize_8u(m, &size) != StatusOk || size < 0 || static_cast<std::size_t>(size) > sizeof f.record)
        return VekCodesBadField;
    uint8_t coeffs[9];
    for (int i = 0; i <= m; ++i) coeffs[i] = static_cast<uint8_t>((mask >> i) & 1u);
    if (veksGFInit_8u(m, coeffs, f.native()) != StatusOk) return VekCodesBadField;
    f.m = m;
    f.order = 1 << m;
    const int period = f.order - 1;
    for (int e = 0; e < period; ++e) {
        uint8_t v = 0;
        veksGFExpAlpha_8u(static_cast<uint8_t>(e), &v, f.native());
        f.exp[e] = f.exp[e + period] = v;
        f.log[v] = e;
    }
    f.log[0] = -1;
    return VekCodesOk;
}

uint8_t trace(const Field& f, uint8_t z) {
    uint8_t sum = z, square = z;
    for (int i = 1; i < f.m; ++i) {
        square = f.mul(square, square);
        sum ^= square;
    }
    return sum;
}

}  // namespace

bool symbolsValid(const Field& f, const uint8_t* bytes, std::size_t count) {
    if (f.m == 8) return true;
    // Eight bytes at a time; the last eight overlap the ones before.
    const uint64_t high = (0xFFu << f.m & 0xFFu) * 0x0101010101010101ull;
    if (count < 8) {
        uint8_t any = 0;
        for (std::size_t i = 0; i < count; ++i) any |= bytes[i];
        return (any & high) == 0;
    }
    uint64_t any = 0, chunk;
    for (std::size_t i = 0; i + 8 <= count; i += 8) {
        std::memcpy(&chunk, bytes + i, 8);
        any |= chunk;
    }
    std::memcpy(&chunk, bytes + count - 8, 8);
    return ((any | chunk) & high) == 0;
}

bool overlaps(const void* a, std::size_t aLength, const void* b, std::size_t bLength) {
    const auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
    return aLength != 0 && bLength != 0 && x < y + bLength && y < x + aLength;
}

uint8_t Field::mul(uint8_t a, uint8_t b) const {
    return (a == 0 || b == 0) ? 0 : exp[log[a] + log[b]];
}

int32_t Code::build(int n_, int k_, const VekRsCodeOptions& o) {
    options = o;
    if (const int32_t s = makeField(o.polynomial, field); s != VekCodesOk) return s;
    fullN = field.order - 1;
    if (k_ < 1 || k_ >= n_ || n_ > fullN) return VekCodesOutOfRange;
    n = n_;
    k = k_;
    r = n - k;
    pad = fullN - n;
    if (o.rootStep < 1 || std::gcd(o.rootStep % fullN, fullN) != 1) return VekCodesBadArgument;
    if (o.root < 0 || o.root >= field.order) return VekCodesOutOfRange;
    if (o.dualBasis != 0 && (o.dualBasis != 1 || o.polynomial != 0x187)) return VekCodesBadArgument;
    const int step = o.rootStep % fullN;
    const int betaLog = step % fullN;  // alpha^step
    const uint8_t beta = field.exp[betaLog];
    const int fcrReduced = static_cast<int>(((static_cast<long long>(o.fcr) * step) % fullN + fullN) % fullN);
    const uint8_t firstRoot = o.root != 0 ? static_cast<uint8_t>(o.root) : field.exp[fcrReduced];

    // The caller's symbols as elements of the field: the identity, or the
    // dual basis (bit 7 - j of a symbol is the trace of z * alpha^(117 j)).
    for (int z = 0; z < field.order; ++z) fromSymbol[z] = toSymbol[z] = static_cast<uint8_t>(z);
    if (o.dualBasis) {
        for (int z = 0; z < 256; ++z) {
            unsigned dual = 0;
            uint8_t basis = 1;
            for (int j = 0; j < 8; ++j) {
                dual |= static_cast<unsigned>(trace(field, field.mul(static_cast<uint8_t>(z), basis)) & 1u) << (7 - j);
                basis = field.mul(basis, field.exp[117]);
            }
            fromSymbol[dual] = static_cast<uint8_t>(z);
            toSymbol[z] = static_cast<uint8_t>(dual);
        }
    }

    // The generator, monic, lowest degree first, then the encoder's rows:
    // row f holds f * g_(r-1), ..., f * g_0.
    uint8_t g[256] = {1};
    uint8_t rootValue = firstRoot;
    for (int i = 0; i < r; ++i) {
        for (int j = i + 1; j > 0; --j) g[j] = static_cast<uint8_t>(g[j - 1] ^ field.mul(g[j], rootValue));
        g[0] = field.mul(g[0], rootValue);
        rootValue = field.mul(rootValue, beta);
    }
    std::memcpy(generator, g, static_cast<std::size_t>(r) + 1);
    // The table costs about one step per message symbol and parity word
    // (eight parity bytes at a time up to r = 8, one byte at a time above);
    // vekdi.h's encoder costs the full length 2^m - 1 but runs whole vectors
    // at a time, except for four parity bytes or fewer. Short codes and
    // small parities take the table.
    tableEncode = r <= 4 || (r <= 8 && k <= 128) || k * r <= 300;
    if (r <= 8) {
        rows64.assign(static_cast<std::size_t>(field.order), 0);
        for (int f = 0; f < field.order; ++f)
            for (int j = 0; j < r; ++j)
                rows64[static_cast<std::size_t>(f)] |= static_cast<uint64_t>(field.mul(static_cast<uint8_t>(f), g[r - 1 - j])) << (8 * j);
    } else {
        rows.assign(static_cast<std::size_t>(field.order) * static_cast<std::size_t>(r), 0);
        for (int f = 0; f < field.order; ++f)
            for (int j = 0; j < r; ++j) rows[static_cast<std::size_t>(f) * r + j] = field.mul(static_cast<uint8_t>(f), g[r - 1 - j]);
    }

    // The decoder's field: the caller's, or the one built on beta's minimal
    // polynomial, where x stands in beta's place and the roots become
    // consecutive powers of that field's alpha. beta^i -> x^i preserves sums
    // and products; its inverse carries the results back.
    uint8_t root = firstRoot;
    mapped = step != 1 || o.dualBasis != 0;
    for (int u = 0; u < field.order; ++u) toCode[u] = fromCode[u] = static_cast<uint8_t>(u);
    if (mapped) {
        uint8_t minimal[9] = {1};
        uint8_t conjugate = beta;
        for (int i = 0; i < field.m; ++i) {
            for (int j = i + 1; j > 0; --j) minimal[j] = static_cast<uint8_t>(minimal[j - 1] ^ field.mul(minimal[j], conjugate));
            minimal[0] = field.mul(minimal[0], conjugate);
            conjugate = field.mul(conjugate, conjugate);
        }
        unsigned mask = 0;
        for (int i = 0; i <= field.m; ++i) mask |= static_cast<unsigned>(minimal[i] & 1u) << i;
        if (const int32_t s = makeField(mask, codeField); s != VekCodesOk) return s;
        uint8_t iso[256] = {};
        uint8_t power = 1, image = 1;
        const uint8_t x = static_cast<uint8_t>(field.m > 1 ? 2 : 1);
        for (int i = 0; i < fullN; ++i) {
            iso[power] = image;
            power = field.mul(power, beta);
            image = codeField.mul(image, x);
        }
        root = iso[root];
        for (int u = 0; u < field.order; ++u) {
            toCode[u] = iso[fromSymbol[u]];
            fromCode[toCode[u]] = static_cast<uint8_t>(u);
        }
    } else {
        codeField = field;
    }
    codeRootLog = codeField.log[root];

    int size = 0;
    if (!tableEncode) {
        if (veksRSEncodeGetSize_8u(fullN, fullN - r, &size) != StatusOk) return VekCodesOutOfRange;
        encoder.reset(new unsigned char[static_cast<std::size_t>(size)]);
        if (veksRSEncodeInit_8u(fullN, fullN - r, codeField.native(), root, encoderRecord()) != StatusOk)
            return VekCodesBadArgument;
        int buffer = 0;
        veksRSEncodeGetBufferSize_8u(encoderRecord(), &buffer);
        if (buffer > kScratch) return VekCodesOutOfRange;
    }
    if (veksRSDecodeGetSize_8u(fullN, fullN - r, &size) != StatusOk) return VekCodesOutOfRange;
    decoder.reset(new unsigned char[static_cast<std::size_t>(size)]);
    if (veksRSDecodeInit_8u(fullN, fullN - r, codeField.native(), root, decoderRecord()) != StatusOk)
        return VekCodesBadArgument;
    int bm = 0, ee = 0;
    veksRSDecodeBMGetBufferSize_8u(decoderRecord(), &bm);
    veksRSDecodeEEGetBufferSize_8u(decoderRecord(), &ee);
    if (std::max(bm, ee) > kScratch) return VekCodesOutOfRange;
    magic = kMagic;
    return VekCodesOk;
}

bool Code::valid() const { return magic == kMagic; }

VeksRSDecoder_8u* Code::decoderRecord() const { return reinterpret_cast<VeksRSDecoder_8u*>(decoder.get()); }

VeksRSEncoder_8u* Code::encoderRecord() const { return reinterpret_cast<VeksRSEncoder_8u*>(encoder.get()); }

void Code::parity(const uint8_t* message, uint8_t* out) const {
    if (!tableEncode) {
        uint8_t full[256], codeword[256];
        alignas(16) uint8_t scratch[kScratch];
        std::memset(full, 0, static_cast<std::size_t>(pad));
        if (mapped)
            for (int i = 0; i < k; ++i) full[pad + i] = toCode[message[i]];
        else
            std::memcpy(full + pad, message, static_cast<std::size_t>(k));
        veksRSEncode_8u(full, codeword, encoderRecord(), scratch);
        const uint8_t* p = codeword + fullN - r;
        if (mapped)
            for (int t = 0; t < r; ++t) out[t] = fromCode[p[t]];
        else
            std::memcpy(out, p, static_cast<std::size_t>(r));
        return;
    }
    if (r <= 8) {
        const uint64_t* table = rows64.data();
        uint64_t reg = 0;
        if (options.dualBasis)
            for (int i = 0; i < k; ++i) reg = (reg >> 8) ^ table[fromSymbol[message[i]] ^ (reg & 0xFF)];
        else
            for (int i = 0; i < k; ++i) reg = (reg >> 8) ^ table[message[i] ^ (reg & 0xFF)];
        for (int j = 0; j < r; ++j) {
            const auto b = static_cast<uint8_t>(reg >> (8 * j));
            out[j] = options.dualBasis ? toSymbol[b] : b;
        }
        return;
    }
    uint8_t reg[256] = {};
    const std::size_t rr = static_cast<std::size_t>(r);
    const uint8_t* table = rows.data();
    if (options.dualBasis) {
        for (int i = 0; i < k; ++i) {
            const uint8_t* row = table + static_cast<std::size_t>(fromSymbol[message[i]] ^ reg[0]) * rr;
            for (std::size_t j = 0; j + 1 < rr; ++j) reg[j] = reg[j + 1] ^ row[j];
            reg[rr - 1] = row[rr - 1];
        }
        for (std::size_t j = 0; j < rr; ++j) out[j] = toSymbol[reg[j]];
        return;
    }
    for (int i = 0; i < k; ++i) {
        const uint8_t* row = table + static_cast<std::size_t>(message[i] ^ reg[0]) * rr;
        for (std::size_t j = 0; j + 1 < rr; ++j) reg[j] = reg[j + 1] ^ row[j];
        reg[rr - 1] = row[rr - 1];
    }
    std::memcpy(out, reg, rr);
}

bool Code::isCodeword(const uint8_t* word) const {
    uint8_t expected[256];
    parity(word, expected);
    return std::memcmp(expected, word + k, static_cast<std::size_t>(r)) == 0;
}

namespace {

// n <= 255 bytes from `from` to `to`; a few moves for short words.
inline void copyShort(uint8_t* to, const uint8_t* from, int n) {
    if (n >= 8 && n <= 16) {
        uint64_t a, b;
        std::memcpy(&a, from, 8);
        std::memcpy(&b, from + n - 8, 8);
        std::memcpy(to, &a, 8);
        std::memcpy(to + n - 8, &b, 8);
    } else {
        std::memcpy(to, from, static_cast<std::size_t>(n));
    }
}

}  // namespace

bool Code::solve(const uint8_t* received, uint8_t* out, const int* erasures, int count, int algorithm) const {
    if (count > r) return false;
    // A full-length code in the caller's field is decoded in `out` itself.
    const bool direct = pad == 0 && !mapped;
    uint8_t padded[256];
    uint8_t* full = direct ? out : padded;
    if (pad != 0) std::memset(full, 0, static_cast<std::size_t>(pad));
    if (mapped)
        for (int i = 0; i < n; ++i) full[pad + i] = toCode[received[i]];
    else
        copyShort(full + pad, received, n);
    int list[256];
    for (int i = 0; i < count; ++i) list[i] = erasures[i] + pad;
    const int* listed = count > 0 ? list : nullptr;
    alignas(16) uint8_t scratch[kScratch];
    const VekStatus status = algorithm == VekRsEuclid ? veksRSDecodeEE_8u(listed, count, full, decoderRecord(), scratch)
                                                      : veksRSDecodeBM_8u(listed, count, full, decoderRecord(), scratch);
    if (status != StatusOk) return false;
    if (direct) return true;
    // A solution that changes a padding symbol belongs to the full code
    // only: the padding is known to be zero, so the word was damaged beyond
    // what the shortened code repairs. (No early exit: the loop vectorises.)
    uint8_t padding = 0;
    for (int i = 0; i < pad; ++i) padding |= full[i];
    if (padding != 0) return false;
    if (mapped)
        for (int i = 0; i < n; ++i) out[i] = fromCode[full[pad + i]];
    else
        std::memcpy(out, full + pad, static_cast<std::size_t>(n));
    return true;
}

int32_t Code::checkErasures(const int* erasures, int count) const {
    if (count < 0) return VekCodesBadArgument;
    if (count > 0 && erasures == nullptr) return VekCodesNullPointer;
    for (int i = 0; i < count; ++i)
        if (erasures[i] < 0 || erasures[i] >= n) return VekCodesOutOfRange;
    return VekCodesOk;
}

int32_t Code::decodeOne(uint8_t* word, const int* erasures, int count, int algorithm, VekRsReport* report) const {
    // The erasures as a set of positions (repeats collapse), listed in
    // ascending order: the work follows the list, not the code's length.
    uint64_t erased[4] = {};
    for (int i = 0; i < count; ++i) erased[erasures[i] >> 6] |= uint64_t{1} << (erasures[i] & 63);
    int list[256];
    int distinct = 0;
    for (int w = 0; w < 4; ++w)
        for (uint64_t bits = erased[w]; bits != 0; bits &= bits - 1) list[distinct++] = w * 64 + std::countr_zero(bits);
    if (report) {
        report->status = VekCodesOk;
        report->corrected = 0;
        report->errorCount = 0;
        report->erasureCount = distinct;
        for (int i = 0; i < distinct; ++i) report->erasurePositions[i] = static_cast<uint8_t>(list[i]);
    }
    uint8_t fixed[256];
    if (!solve(word, fixed, list, distinct, algorithm)) {
        if (report) report->status = VekCodesUncorrectable;
        return VekCodesUncorrectable;
    }
    // The changed positions: eight bytes compared at a time, the bytes of a
    // differing group (and of the last, short one) one by one.
    int changed = 0, errors = 0;
    auto note = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            if (word[i] == fixed[i]) continue;
            ++changed;
            if (report && !((erased[i >> 6] >> (i & 63)) & 1u)) report->errorPositions[errors++] = static_cast<uint8_t>(i);
        }
    };
    auto differ = [&](int at) {
        uint64_t a, b;
        std::memcpy(&a, word + at, 8);
        std::memcpy(&b, fixed + at, 8);
        return a != b;
    };
    int base = 0;
    for (; base + 8 <= n; base += 8)
        if (differ(base)) note(base, base + 8);
    if (base < n && (n < 8 || differ(n - 8))) note(base, n);  // the last bytes, overlapping the group before
    if (changed != 0) copyShort(word, fixed, n);
    if (report) {
        report->corrected = changed;
        report->errorCount = errors;
    }
    return VekCodesOk;
}

}  // namespace vekdi::codes

using vekdi::codes::Code;
using vekdi::codes::overlaps;
using vekdi::codes::symbolsValid;

extern "C" {

VEKDI_CODES_API const char* vekRsStatusText(int32_t status) {
    switch (status) {
    case VekCodesUncorrectable: return "the word could not be corrected; it is left as it was";
    case VekCodesBadSymbol: return "a byte is not a symbol of the field (at or above 2^m)";
    case VekCodesBadField: return "the polynomial's degree is not 1 ... 8, or it is reducible";
    case VekCodesOutOfRange: return "out of range (n, k, the root, or a position outside the codeword)";
    case VekCodesBadArgument: return "bad argument (root step, dual basis, count or algorithm)";
    case VekCodesBadCode: return "not a code object created by this library";
    default: return vekCodesStatusText(status);
    }
}

VEKDI_CODES_API int32_t vekRsCodeCreate(int n, int k, const VekRsCodeOptions* options, VekRsCode** codeOut) {
    if (codeOut == nullptr) return VekCodesNullPointer;
    const VekRsCodeOptions defaults{0x11D, 1, 1, 0, 0};
    Code* code = new (std::nothrow) Code();
    if (code == nullptr) return VekCodesNoMemory;
    int32_t status;
    try {
        status = code->build(n, k, options ? *options : defaults);
    } catch (const std::bad_alloc&) {
        status = VekCodesNoMemory;
    }
    if (status != VekCodesOk) {
        delete code;
        return status;
    }
    *codeOut = reinterpret_cast<VekRsCode*>(code);
    return VekCodesOk;
}

VEKDI_CODES_API void vekRsCodeDestroy(VekRsCode* code) {
    Code* c = reinterpret_cast<Code*>(code);
    if (c == nullptr || !c->valid()) return;
    c->magic = 0;
    delete c;
}

namespace {
const Code* codeOf(const VekRsCode* code) {
    const Code* c = reinterpret_cast<const Code*>(code);
    return c->valid() ? c : nullptr;
}

// Arguments validated: the words a tile at a time. Clean words and words the
// lanes correct get their reports here; words with erasures and those the
// lanes leave go to the single-word decoder. Returns the failed words.
std::size_t decodeTiles(const Code& c, const vekdi::codes::BatchTables& t, uint8_t* codewords, std::size_t words,
                        const int* erasures, const int* erasureCounts, int algorithm, VekRsReport* reports) {
    using vekdi::codes::kBatchTile;
    const auto n = static_cast<std::size_t>(c.n);
    const auto decodeTile = vekdi::codes::batchKernels()->decodeTile;
    std::size_t failed = 0, offset = 0;
    uint8_t changed[kBatchTile][vekdi::codes::kMaxDecodeParity / 2];
    int changedCount[kBatchTile];
    for (std::size_t w0 = 0; w0 < words; w0 += kBatchTile) {
        const int lanes = static_cast<int>(std::min<std::size_t>(kBatchTile, words - w0));
        uint64_t skip = 0, clean = 0, fixed = 0;
        if (erasureCounts != nullptr)
            for (int i = 0; i < lanes; ++i)
                if (erasureCounts[w0 + static_cast<std::size_t>(i)] > 0) skip |= uint64_t(1) << i;
        decodeTile(t, codewords + w0 * n, lanes, skip, &clean, &fixed, changed, changedCount);
        for (int i = 0; i < lanes; ++i) {
            const std::size_t w = w0 + static_cast<std::size_t>(i);
            const int count = erasureCounts ? erasureCounts[w] : 0;
            VekRsReport* report = reports ? reports + w : nullptr;
            const uint64_t bit = uint64_t(1) << i;
            if ((clean | fixed) & bit) {
                if (report) {
                    const int changes = (fixed & bit) ? changedCount[i] : 0;
                    report->status = VekCodesOk;
                    report->corrected = changes;
                    report->errorCount = changes;
                    report->erasureCount = 0;
                    std::memcpy(report->errorPositions, changed[i], static_cast<std::size_t>(changes));
                }
            } else if (c.decodeOne(codewords + w * n, count ? erasures + offset : nullptr, count, algorithm, report) !=
                       VekCodesOk) {
                ++failed;
            }
            offset += static_cast<std::size_t>(count);
        }
    }
    return failed;
}
}  // namespace

VEKDI_CODES_API int32_t vekRsCodeShape(const VekRsCode* code, int* nOut, int* kOut, VekRsCodeOptions* optionsOut) {
    if (code == nullptr) return VekCodesNullPointer;
    const Code* c = codeOf(code);
    if (c == nullptr) return VekCodesBadCode;
    if (nOut) *nOut = c->n;
    if (kOut) *kOut = c->k;
    if (optionsOut) *optionsOut = c->options;
    return VekCodesOk;
}

VEKDI_CODES_API int32_t vekRsParity(const VekRsCode* code, const uint8_t* message, uint8_t* parity) {
    if (code == nullptr || message == nullptr || parity == nullptr) return VekCodesNullPointer;
    const Code* c = codeOf(code);
    if (c == nullptr) return VekCodesBadCode;
    if (overlaps(message, static_cast<std::size_t>(c->k), parity, static_cast<std::size_t>(c->r))) return VekCodesOverlap;
    if (!symbolsValid(c->field, message, static_cast<std::size_t>(c->k))) return VekCodesBadSymbol;
    c->parity(message, parity);
    return VekCodesOk;
}

VEKDI_CODES_API int32_t vekRsEncode(const VekRsCode* code, const uint8_t* message, uint8_t* codeword) {
    if (code == nullptr || message == nullptr || codeword == nullptr) return VekCodesNullPointer;
    const Code* c = codeOf(code);
    if (c == nullptr) return VekCodesBadCode;
    if (message != codeword && overlaps(message, static_cast<std::size_t>(c->k), codeword, static_cast<std::size_t>(c->n)))
        return VekCodesOverlap;
    if (!symbolsValid(c->field, message, static_cast<std::size_t>(c->k))) return VekCodesBadSymbol;
    uint8_t parity[256];
    c->parity(message, parity);
    if (message != codeword) std::memcpy(codeword, message, static_cast<std::size_t>(c->k));
    std::memcpy(codeword + c->k, parity, static_cast<std::size_t>(c->r));
    return VekCodesOk;
}

VEKDI_CODES_API int32_t vekRsDecode(const VekRsCode* code, uint8_t* codeword, const int* erasures, int erasureCount,
                                    int algorithm, VekRsReport* report) {
    if (code == nullptr || codeword == nullptr) return VekCodesNullPointer;
    const Code* c = codeOf(code);
    if (c == nullptr) return VekCodesBadCode;
    if (algorithm != VekRsBerlekampMassey && algorithm != VekRsEuclid) return VekCodesBadArgument;
    if (const int32_t s = c->checkErasures(erasures, erasureCount); s != VekCodesOk) return s;
    if (!symbolsValid(c->field, codeword, static_cast<std::size_t>(c->n))) return VekCodesBadSymbol;
    return c->decodeOne(codeword, erasures, erasureCount, algorithm, report);
}

VEKDI_CODES_API int32_t vekRsCheck(const VekRsCode* code, const uint8_t* codeword, int* isCodewordOut) {
    if (code == nullptr || codeword == nullptr || isCodewordOut == nullptr) return VekCodesNullPointer;
    const Code* c = codeOf(code);
    if (c == nullptr) return VekCodesBadCode;
    if (!symbolsValid(c->field, codeword, static_cast<std::size_t>(c->n))) return VekCodesBadSymbol;
    *isCodewordOut = c->isCodeword(codeword) ? 1 : 0;
    return VekCodesOk;
}

VEKDI_CODES_API int32_t vekRsEncodeBlocks(const VekRsCode* code, const uint8_t* messages, uint8_t* codewords,
                                          size_t words) {
    if (code == nullptr) return VekCodesNullPointer;
    if (words != 0 && (messages == nullptr || codewords == nullptr)) return VekCodesNullPointer;
    const Code* c = codeOf(code);
    if (c == nullptr) return VekCodesBadCode;
    const auto k = static_cast<std::size_t>(c->k), n = static_cast<std::size_t>(c->n);
    if (words > SIZE_MAX / n) return VekCodesOutOfRange;
    if (overlaps(messages, words * k, codewords, words * n)) return VekCodesOverlap;
    if (!symbolsValid(c->field, messages, words * k)) return VekCodesBadSymbol;
    if (const vekdi::codes::BatchTables* t = c->batchTables()) {
        const auto encodeTile = vekdi::codes::batchKernels()->encodeTile;
        constexpr std::size_t kStep = 2 * vekdi::codes::kBatchTile;
        for (std::size_t w = 0; w < words; w += kStep)
            encodeTile(*t, messages + w * k, codewords + w * n, static_cast<int>(std::min(kStep, words - w)));
        return VekCodesOk;
    }
    for (std::size_t w = 0; w < words; ++w) {
        std::memcpy(codewords + w * n, messages + w * k, k);
        c->parity(messages + w * k, codewords + w * n + k);
    }
    return VekCodesOk;
}

VEKDI_CODES_API int32_t vekRsDecodeBlocks(const VekRsCode* code, uint8_t* codewords, size_t words,
                                          const int* erasures, const int* erasureCounts, int algorithm,
                                          VekRsReport* reports, size_t* failedWordsOut) {
    if (code == nullptr) return VekCodesNullPointer;
    if (words != 0 && codewords == nullptr) return VekCodesNullPointer;
    if (erasures != nullptr && erasureCounts == nullptr) return VekCodesNullPointer;
    const Code* c = codeOf(code);
    if (c == nullptr) return VekCodesBadCode;
    if (algorithm != VekRsBerlekampMassey && algorithm != VekRsEuclid) return VekCodesBadArgument;
    const auto n = static_cast<std::size_t>(c->n);
    if (words > SIZE_MAX / n) return VekCodesOutOfRange;
    // Every argument is checked before the first word is touched.
    if (erasureCounts != nullptr) {
        std::size_t offset = 0;
        for (std::size_t w = 0; w < words; ++w) {
            if (erasureCounts[w] > 0 && erasures == nullptr) return VekCodesNullPointer;
            if (const int32_t s = c->checkErasures(erasures ? erasures + offset : nullptr, erasureCounts[w]); s != VekCodesOk)
                return s;
            offset += static_cast<std::size_t>(erasureCounts[w]);
        }
    }
    if (!symbolsValid(c->field, codewords, words * n)) return VekCodesBadSymbol;
    std::size_t failed = 0, offset = 0;
    const vekdi::codes::BatchTables* t = c->batchTables();
    if (t != nullptr && t->decode) {
        failed = decodeTiles(*c, *t, codewords, words, erasures, erasureCounts, algorithm, reports);
        if (failedWordsOut) *failedWordsOut = failed;
        return VekCodesOk;
    }
    for (std::size_t w = 0; w < words; ++w) {
        const int count = erasureCounts ? erasureCounts[w] : 0;
        if (c->decodeOne(codewords + w * n, count ? erasures + offset : nullptr, count, algorithm,
                         reports ? reports + w : nullptr) != VekCodesOk)
            ++failed;
        offset += static_cast<std::size_t>(count);
    }
    if (failedWordsOut) *failedWordsOut = failed;
    return VekCodesOk;
}

}  // extern "C"
