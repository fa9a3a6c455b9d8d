// SPDX-License-Identifier: Apache-2.0
// The erasure-code object and its C functions.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "simd/region/gf256.h"
#include "codes/matrices.h"
#include "simd/region/region.h"
#include "vekdi_codes.h"

using vekdi::codes::RegionKernels;
using std::size_t;

struct VekErasureCode {
    uint64_t magic;
    int k, m;
    const RegionKernels* kernels;
    uint8_t* matrix;  // m x k, row-major
    uint8_t* tables;  // the kernels' tables of the matrix, laid out like it
};

namespace vekdi::codes {
namespace {

constexpr uint64_t kMagic = 0x45432d6b6964656bull;
constexpr int kMaxShards = 256;
// Coefficient tables of a per-call matrix live on the stack, at most this many bytes at once.
constexpr size_t kTableBudget = 16384;

bool valid(const VekErasureCode* code) { return code->magic == kMagic; }

VekCodesStatus makeCode(int k, int m, const uint8_t* rows, int kind, VekErasureCode** out) {
    const RegionKernels& kernels = regionKernels();
    const size_t coefs = static_cast<size_t>(k) * static_cast<size_t>(m);
    const size_t header = (sizeof(VekErasureCode) + 63) & ~size_t(63);
    void* block = ::operator new(header + coefs + coefs * kernels.tableBytes + 64, std::nothrow);
    if (block == nullptr) return VekCodesNoMemory;
    auto* code = static_cast<VekErasureCode*>(block);
    code->k = k;
    code->m = m;
    code->kernels = &kernels;
    code->matrix = static_cast<uint8_t*>(block) + header;
    code->tables = code->matrix + coefs;
    if (rows != nullptr) {
        std::memcpy(code->matrix, rows, coefs);
    } else {
        try {
            buildParityMatrix(kind, k, m, code->matrix);
        } catch (const std::bad_alloc&) {
            ::operator delete(block);
            return VekCodesNoMemory;
        }
    }
    kernels.prepare(code->matrix, coefs, code->tables);
    code->magic = kMagic;
    *out = code;
    return VekCodesOk;
}

// Whether a buffer written by the call overlaps another buffer of the call.
struct Range {
    uintptr_t begin, end;
    bool written;
};

bool anyOverlap(Range* ranges, int count) {
    std::sort(ranges, ranges + count, [](const Range& a, const Range& b) { return a.begin < b.begin; });
    uintptr_t endAll = 0, endWritten = 0;
    for (int i = 0; i < count; ++i) {
        const Range& r = ranges[i];
        if (r.begin == r.end) continue;
        if (r.begin < endWritten || (r.written && r.begin < endAll)) return true;
        endAll = std::max(endAll, r.end);
        if (r.written) endWritten = std::max(endWritten, r.end);
    }
    return false;
}

Range range(const void* p, size_t length, bool written) {
    const auto b = reinterpret_cast<uintptr_t>(p);
    const uintptr_t room = UINTPTR_MAX - b;  // a length past the address space ends at its top
    return {b, b + (length < room ? length : room), written};
}

// The survivors and the decode matrix of a lost set.
struct DecodePlan {
    int rows = 0;                 // distinct lost shards
    int lost[kMaxShards];         // ascending
    int survivors[kMaxShards];    // k of them, ascending
    uint8_t matrix[128 * 128];    // rows x k; rows * k <= m * k <= 128 * 128 when k + m <= 256
};

VekCodesStatus planDecode(const VekErasureCode* code, const int* lostList, int lostCount, DecodePlan& plan) {
    const int k = code->k, m = code->m, n = k + m;
    const uint8_t* P = code->matrix;
    bool isLost[kMaxShards] = {};
    for (int i = 0; i < lostCount; ++i) isLost[lostList[i]] = true;
    int lostData[kMaxShards], e = 0, lostParity[kMaxShards], lp = 0;
    for (int i = 0; i < n; ++i) {
        if (!isLost[i]) continue;
        if (i < k)
            lostData[e++] = i;
        else
            lostParity[lp++] = i - k;
    }
    if (e + lp > m) return VekCodesTooFewSurvivors;

    // Parity survivors: in index order, each one whose row, restricted to the
    // lost data columns, is independent of those already taken (the surviving
    // data rows are unit vectors on the other columns).
    alignas(16) uint8_t basis[128 * 128];  // reduced rows, pivot entry 1; e <= min(k, m) <= 128
    int pivots[128];
    int use[128], chosen = 0;
    for (int p = 0; p < m && chosen < e; ++p) {
        if (isLost[k + p]) continue;
        uint8_t v[128];
        for (int l = 0; l < e; ++l) v[l] = P[static_cast<size_t>(p) * k + static_cast<size_t>(lostData[l])];
        for (int b = 0; b < chosen; ++b) {
            const uint8_t f = v[pivots[b]];
            if (f == 0) continue;
            const uint8_t* row = basis + static_cast<size_t>(b) * 128;
            for (int l = 0; l < e; ++l) v[l] ^= gfMul(f, row[l]);
        }
        int pivot = 0;
        while (pivot < e && v[pivot] == 0) ++pivot;
        if (pivot == e) continue;
        const uint8_t s = gfInv(v[pivot]);
        uint8_t* row = basis + static_cast<size_t>(chosen) * 128;
        for (int l = 0; l < e; ++l) row[l] = gfMul(v[l], s);
        pivots[chosen] = pivot;
        use[chosen++] = p;
    }
    if (chosen < e) return VekCodesSingular;

    // A = the chosen parity rows on the lost data columns; lost data = A^-1 (parity + known data terms).
    uint8_t* a = basis;  // no longer needed
    alignas(16) uint8_t inv[128 * 128];
    for (int i = 0; i < e; ++i)
        for (int l = 0; l < e; ++l)
            a[i * e + l] = P[static_cast<size_t>(use[i]) * k + static_cast<size_t>(lostData[l])];
    if (e > 0 && !invertMatrix(a, inv, e)) return VekCodesSingular;  // cannot happen: the rows are independent

    // Survivor columns: the known data shards, then the chosen parity shards.
    int column[kMaxShards];  // data index -> column, for known data
    int s = 0;
    for (int j = 0; j < k; ++j)
        if (!isLost[j]) {
            column[j] = s;
            plan.survivors[s++] = j;
        }
    for (int i = 0; i < e; ++i) plan.survivors[s++] = k + use[i];

    plan.rows = e + lp;
    std::memset(plan.matrix, 0, static_cast<size_t>(plan.rows) * k);
    for (int l = 0; l < e; ++l) {
        uint8_t* row = plan.matrix + static_cast<size_t>(l) * k;
        plan.lost[l] = lostData[l];
        for (int j = 0; j < k; ++j) {
            if (isLost[j]) continue;
            uint8_t c = 0;
            for (int i = 0; i < e; ++i) c ^= gfMul(inv[l * e + i], P[static_cast<size_t>(use[i]) * k + static_cast<size_t>(j)]);
            row[column[j]] = c;
        }
        for (int i = 0; i < e; ++i) row[k - e + i] = inv[l * e + i];
    }
    // A lost parity shard is its row applied to the data, the lost data taken from the rows above.
    for (int t = 0; t < lp; ++t) {
        const int p = lostParity[t];
        const uint8_t* prow = P + static_cast<size_t>(p) * k;
        uint8_t* row = plan.matrix + static_cast<size_t>(e + t) * k;
        plan.lost[e + t] = k + p;
        for (int j = 0; j < k; ++j)
            if (!isLost[j]) row[column[j]] = prow[j];
        for (int l = 0; l < e; ++l) {
            const uint8_t f = prow[lostData[l]];
            if (f == 0) continue;
            const uint8_t* drow = plan.matrix + static_cast<size_t>(l) * k;
            for (int c = 0; c < k; ++c) row[c] ^= gfMul(f, drow[c]);
        }
    }
    return VekCodesOk;
}

// Applies rows x k coefficients (row-major) to the inputs, the tables
// prepared on the stack in as many row groups as the budget needs.
void applyMatrix(const RegionKernels& kernels, const uint8_t* coefs, int rows, int k, const uint8_t* const* in,
                 uint8_t* const* out, size_t length) {
    alignas(64) uint8_t tables[kTableBudget];
    const size_t perRow = static_cast<size_t>(k) * kernels.tableBytes;
    const int group = perRow == 0 ? rows : std::max(1, static_cast<int>(kTableBudget / perRow));
    for (int r = 0; r < rows; r += group) {
        const int g = std::min(group, rows - r);
        const uint8_t* c = coefs + static_cast<size_t>(r) * k;
        kernels.prepare(c, static_cast<size_t>(g) * k, tables);
        kernels.dot(c, tables, static_cast<size_t>(k), g, k, in, out + r, length, false);
    }
}

VekCodesStatus checkLostList(const VekErasureCode* code, const int* lost, int lostCount) {
    if (lostCount < 0) return VekCodesBadArgument;
    for (int i = 0; i < lostCount; ++i)
        if (lost[i] < 0 || lost[i] >= code->k + code->m) return VekCodesOutOfRange;
    return VekCodesOk;
}

}  // namespace
}  // namespace vekdi::codes

using namespace vekdi::codes;

extern "C" {

VEKDI_CODES_API const char* vekCodesStatusText(VekCodesStatus status) {
    switch (status) {
    case VekCodesOk: return "ok";
    case VekCodesNullPointer: return "a required pointer or buffer is null";
    case VekCodesBadCode: return "not an erasure code created by this library";
    case VekCodesBadArgument: return "bad argument (unknown matrix kind, or a count below one)";
    case VekCodesOutOfRange: return "out of range (k + m above the matrix's limit, or a shard index outside the code)";
    case VekCodesOverlap: return "a buffer written by the call overlaps another buffer";
    case VekCodesTooFewSurvivors: return "fewer than k shards survive";
    case VekCodesSingular: return "the surviving shards are not independent (singular survivor set): nothing rebuilt";
    case VekCodesNoMemory: return "out of memory";
    default: return "unknown status";
    }
}

VEKDI_CODES_API VekCodesStatus vekErasureCodeCreate(int k, int m, int kind, VekErasureCode** codeOut) {
    if (codeOut == nullptr) return VekCodesNullPointer;
    const int limit = matrixLimit(kind);
    if (limit == 0 || k < 1 || m < 1) return VekCodesBadArgument;
    if (k > limit - m) return VekCodesOutOfRange;
    return makeCode(k, m, nullptr, kind, codeOut);
}

VEKDI_CODES_API VekCodesStatus vekErasureCodeCreateFromMatrix(int k, int m, const uint8_t* rows,
                                                              VekErasureCode** codeOut) {
    if (rows == nullptr || codeOut == nullptr) return VekCodesNullPointer;
    if (k < 1 || m < 1) return VekCodesBadArgument;
    if (k > kMaxShards - m) return VekCodesOutOfRange;
    return makeCode(k, m, rows, -1, codeOut);
}

VEKDI_CODES_API void vekErasureCodeDestroy(VekErasureCode* code) {
    if (code == nullptr || !valid(code)) return;
    code->magic = 0;
    ::operator delete(code);
}

VEKDI_CODES_API VekCodesStatus vekErasureCodeShape(const VekErasureCode* code, int* kOut, int* mOut,
                                                   const uint8_t** matrixOut) {
    if (code == nullptr) return VekCodesNullPointer;
    if (!valid(code)) return VekCodesBadCode;
    if (kOut) *kOut = code->k;
    if (mOut) *mOut = code->m;
    if (matrixOut) *matrixOut = code->matrix;
    return VekCodesOk;
}

VEKDI_CODES_API VekCodesStatus vekErasureCodeEncode(const VekErasureCode* code, const uint8_t* const* data,
                                                    uint8_t* const* parity, size_t length) {
    // The share of all k data shards, written over the parity.
    return vekErasureCodeEncodePart(code, 0, code != nullptr ? code->k : 0, data, parity, length, 0);
}

VEKDI_CODES_API VekCodesStatus vekErasureCodeReconstruct(const VekErasureCode* code, uint8_t* const* shards,
                                                         const int* lost, int lostCount, size_t length) {
    if (code == nullptr || shards == nullptr || (lost == nullptr && lostCount > 0)) return VekCodesNullPointer;
    if (!valid(code)) return VekCodesBadCode;
    const int n = code->k + code->m;
    for (int i = 0; i < n; ++i)
        if (shards[i] == nullptr) return VekCodesNullPointer;
    if (VekCodesStatus s = checkLostList(code, lost, lostCount); s != VekCodesOk) return s;
    bool isLost[kMaxShards] = {};
    for (int i = 0; i < lostCount; ++i) isLost[lost[i]] = true;
    Range ranges[kMaxShards];
    for (int i = 0; i < n; ++i) ranges[i] = range(shards[i], length, isLost[i]);
    if (anyOverlap(ranges, n)) return VekCodesOverlap;
    DecodePlan plan;
    if (VekCodesStatus s = planDecode(code, lost, lostCount, plan); s != VekCodesOk) return s;
    if (plan.rows == 0) return VekCodesOk;
    const uint8_t* in[kMaxShards];
    uint8_t* out[kMaxShards];
    for (int j = 0; j < code->k; ++j) in[j] = shards[plan.survivors[j]];
    for (int r = 0; r < plan.rows; ++r) out[r] = shards[plan.lost[r]];
    applyMatrix(*code->kernels, plan.matrix, plan.rows, code->k, in, out, length);
    return VekCodesOk;
}

VEKDI_CODES_API VekCodesStatus vekErasureCodeDecodeMatrix(const VekErasureCode* code, const int* lost,
                                                          int lostCount, int* rowsOut, int* lostOut,
                                                          int* survivorsOut, uint8_t* matrixOut) {
    if (code == nullptr || (lost == nullptr && lostCount > 0) || rowsOut == nullptr || lostOut == nullptr ||
        survivorsOut == nullptr || matrixOut == nullptr)
        return VekCodesNullPointer;
    if (!valid(code)) return VekCodesBadCode;
    if (VekCodesStatus s = checkLostList(code, lost, lostCount); s != VekCodesOk) return s;
    DecodePlan plan;
    if (VekCodesStatus s = planDecode(code, lost, lostCount, plan); s != VekCodesOk) return s;
    *rowsOut = plan.rows;
    std::memcpy(lostOut, plan.lost, sizeof(int) * static_cast<size_t>(plan.rows));
    std::memcpy(survivorsOut, plan.survivors, sizeof(int) * static_cast<size_t>(code->k));
    std::memcpy(matrixOut, plan.matrix, static_cast<size_t>(plan.rows) * static_cast<size_t>(code->k));
    return VekCodesOk;
}

VEKDI_CODES_API VekCodesStatus vekErasureCodeEncodePart(const VekErasureCode* code, int first, int count,
                                                        const uint8_t* const* data, uint8_t* const* parity,
                                                        size_t length, int accumulate) {
    if (code == nullptr || data == nullptr || parity == nullptr) return VekCodesNullPointer;
    if (!valid(code)) return VekCodesBadCode;
    const int k = code->k, m = code->m;
    if (count < 1) return VekCodesBadArgument;
    if (first < 0 || first >= k || count > k - first) return VekCodesOutOfRange;
    Range ranges[kMaxShards];
    for (int j = 0; j < count; ++j) {
        if (data[j] == nullptr) return VekCodesNullPointer;
        ranges[j] = range(data[j], length, false);
    }
    for (int r = 0; r < m; ++r) {
        if (parity[r] == nullptr) return VekCodesNullPointer;
        ranges[count + r] = range(parity[r], length, true);
    }
    if (anyOverlap(ranges, count + m)) return VekCodesOverlap;
    const size_t at = static_cast<size_t>(first);
    code->kernels->dot(code->matrix + at, code->tables + at * code->kernels->tableBytes, static_cast<size_t>(k), m,
                       count, data, parity, length, accumulate != 0);
    return VekCodesOk;
}

VEKDI_CODES_API VekCodesStatus vekErasureCodeUpdate(const VekErasureCode* code, int index, const uint8_t* delta,
                                                    uint8_t* const* parity, size_t length) {
    if (code == nullptr || delta == nullptr || parity == nullptr) return VekCodesNullPointer;
    if (!valid(code)) return VekCodesBadCode;
    const int k = code->k, m = code->m;
    Range ranges[kMaxShards];
    for (int r = 0; r < m; ++r) {
        if (parity[r] == nullptr) return VekCodesNullPointer;
        ranges[r] = range(parity[r], length, true);
    }
    if (index < 0 || index >= k) return VekCodesOutOfRange;
    ranges[m] = range(delta, length, false);
    if (anyOverlap(ranges, m + 1)) return VekCodesOverlap;
    const size_t at = static_cast<size_t>(index);
    code->kernels->dot(code->matrix + at, code->tables + at * code->kernels->tableBytes, static_cast<size_t>(k), m,
                       1, &delta, parity, length, true);
    return VekCodesOk;
}

VEKDI_CODES_API VekCodesStatus vekErasureCodeCheck(const VekErasureCode* code, const uint8_t* const* shards,
                                                   size_t length, int* matchesOut) {
    if (code == nullptr || shards == nullptr || matchesOut == nullptr) return VekCodesNullPointer;
    if (!valid(code)) return VekCodesBadCode;
    const int k = code->k, m = code->m;
    for (int i = 0; i < k + m; ++i)
        if (shards[i] == nullptr) return VekCodesNullPointer;
    // Parity of one tile at a time for up to kRows rows, compared as it is made.
    constexpr size_t kTile = 1024;
    constexpr int kRows = 16;
    alignas(64) uint8_t scratch[kRows][kTile];
    uint8_t* out[kRows];
    for (int r = 0; r < kRows; ++r) out[r] = scratch[r];
    const uint8_t* in[kMaxShards];
    const size_t tb = code->kernels->tableBytes;
    for (size_t t = 0; t < length; t += kTile) {
        const size_t n = std::min(kTile, length - t);
        for (int j = 0; j < k; ++j) in[j] = shards[j] + t;
        for (int r = 0; r < m; r += kRows) {
            const int g = std::min(kRows, m - r);
            const size_t at = static_cast<size_t>(r) * static_cast<size_t>(k);
            code->kernels->dot(code->matrix + at, code->tables + at * tb, static_cast<size_t>(k), g, k, in, out, n,
                               false);
            for (int i = 0; i < g; ++i)
                if (std::memcmp(out[i], shards[k + r + i] + t, n) != 0) {
                    *matchesOut = 0;
                    return VekCodesOk;
                }
        }
    }
    *matchesOut = 1;
    return VekCodesOk;
}

VEKDI_CODES_API const char* vekErasureCodeKernelName(void) { return regionKernels().name; }

}  // extern "C"
