// SPDX-License-Identifier: Apache-2.0
// Decoder context: size query, initialisation with the syndrome points, and
// the scratch-size queries of both decoders.
#include <cstdint>
#include <cstring>

#include "base/slot_byte.h"
#include "rs/code_checks.h"
#include "rs/decode/decoder.h"
#include "simd/tower/attach.h"
#include "rs/exports.h"

namespace vekdi {
namespace {

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

namespace rs {

VekStatus veksRSDecodeGetSize_8u(int n, int k, int* sizeOut) {
    return rsReportContextSize(n, k, sizeOut, decoderContextSize);
}

VekStatus veksRSDecodeInit_8u(int n, int k, const VeksGFContext_8u* fieldCtx, uint8_t root, VeksRSDecoder_8u* decoder) {
    root = slotByte(root);
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
    h.tower = tower::attachTables(fieldCtx->generatorMask, h.rootPowers, n - k);
    storeDecoderHeader(decoder, h);
    return StatusOk;
}

namespace {

VekStatus rsReportBufferSize(const VeksRSDecoder_8u* decoder, int* sizeOut, int (*formula)(int, int)) {
    if (decoder == nullptr || sizeOut == nullptr) return StatusNullPointer;
    if (decoderIdAt(decoder) != kDecoderId) return StatusContextMismatch;
    const RSDecoder h = loadDecoderHeader(decoder);
    *sizeOut = formula(h.n, h.k);
    return StatusOk;
}

}  // namespace

VekStatus veksRSDecodeBMGetBufferSize_8u(const VeksRSDecoder_8u* decoder, int* sizeOut) {
    return rsReportBufferSize(decoder, sizeOut, bmBufferSize);
}

VekStatus veksRSDecodeEEGetBufferSize_8u(const VeksRSDecoder_8u* decoder, int* sizeOut) {
    return rsReportBufferSize(decoder, sizeOut, eeBufferSize);
}

}  // namespace rs
}  // namespace vekdi
