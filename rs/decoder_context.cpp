// SPDX-License-Identifier: Apache-2.0
// Decoder context: size query, initialisation with the syndrome points, and
// the scratch-size queries of both decoders.
#include <cstdint>
#include <cstring>

#include "frame/impl.h"
#include "rs/code_params.h"
#include "rs/decoder.h"
#include "rs/fast_attach.h"

namespace vekdi {
namespace {

// First 16-byte boundary at or after p.
uint8_t* alignUp16(uint8_t* p) {
    const auto a = reinterpret_cast<uintptr_t>(p);
    return p + ((16 - (a & 15)) & 15);
}

// table[i] = root * alpha^i for i < r, then zeros up to R16(r) entries.
void rsWriteRootPowers(uint8_t* table, const FieldGF* f, unsigned root, int r) {
    unsigned point = root;
    table[0] = uint8_t(point);
    for (int i = 1; i < r; ++i) {
        point = gfMulTable(f, point, f->alpha);
        table[i] = uint8_t(point);
    }
    std::memset(table + r, 0, size_t(r16(r) - r));
}

}  // namespace

namespace impl {

VekStatus veksRSDecodeGetSize_8u(int n, int k, int* sizeOut) {
    if (sizeOut == nullptr) return StatusNullPointer;
    if (!rsLengthsInRange(n, k)) return StatusOutOfRange;
    *sizeOut = decoderContextSize(n, k);
    return StatusOk;
}

VekStatus veksRSDecodeInit_8u(int n, int k, const VeksGFSpec_8u* fieldCtx, uint8_t root, VeksRSDecodeSpec_8u* decoder) {
    const VekStatus st = rsCheckInitArgs(n, k, fieldCtx, root, decoder);
    if (st != StatusOk) return st;
    auto* base = reinterpret_cast<uint8_t*>(decoder);
    RSDecoder h{};
    h.id = kDecoderId;
    h.n = n;
    h.k = k;
    h.field = fieldCtx;
    h.rootPowers = alignUp16(base + kDecoderHeaderSize);
    rsWriteRootPowers(h.rootPowers, fieldCtx, root, n - k);
    rsAttachFastTables(&h);
    storeDecoderHeader(decoder, h);
    return StatusOk;
}

namespace {

VekStatus rsReportBufferSize(const VeksRSDecodeSpec_8u* decoder, int* sizeOut, int (*formula)(int, int)) {
    if (decoder == nullptr || sizeOut == nullptr) return StatusNullPointer;
    if (decoderIdAt(decoder) != kDecoderId) return StatusContextMismatch;
    const RSDecoder h = loadDecoderHeader(decoder);
    *sizeOut = formula(h.n, h.k);
    return StatusOk;
}

}  // namespace

VekStatus veksRSDecodeBMGetBufferSize_8u(const VeksRSDecodeSpec_8u* decoder, int* sizeOut) {
    return rsReportBufferSize(decoder, sizeOut, bmBufferSize);
}

VekStatus veksRSDecodeEEGetBufferSize_8u(const VeksRSDecodeSpec_8u* decoder, int* sizeOut) {
    return rsReportBufferSize(decoder, sizeOut, eeBufferSize);
}

}  // namespace impl
}  // namespace vekdi
