// SPDX-License-Identifier: Apache-2.0
// The two decode exports: shared checks, then the driver the context calls for.
#include "rs/exports.h"
#include "rs/code_checks.h"
#include "rs/decode/drivers.h"

namespace vekdi {

bool rsCheckErasures(const int* list, int count, int n, int limit) {
    if (list == nullptr || count == 0) return true;
    if (count < 0 || count > limit) return false;
    for (int i = 0; i < count; ++i)
        if (list[i] < 0 || list[i] >= n) return false;
    return true;
}

VekStatus rsCheckDecodeArgs(const int* list, int count, const uint8_t* codeword, const RSDecoder* decoder,
                            const uint8_t* buffer, int (*bufferSize)(int, int), RSDecoder* header) {
    if (codeword == nullptr || decoder == nullptr || buffer == nullptr) return StatusNullPointer;
    if (decoderIdAt(decoder) != kDecoderId) return StatusContextMismatch;
    *header = loadDecoderHeader(decoder);
    const int n = header->n;
    if (!rsCheckErasures(list, count, n, n - header->k)) return StatusBadArgument;
    if (rsRegionsOverlap(buffer, bufferSize(n, header->k), codeword, n)) return StatusBadArgument;
    if (!rsBytesInField(codeword, n, header->field)) return StatusOutOfRange;
    return StatusOk;
}

VekStatus rsDecodeChecked(const int* erasures, int count, uint8_t* codeword, const RSDecoder* decoder,
                          uint8_t* buffer, int (*bufferSize)(int, int), RSDecodeDriver laneDriver,
                          RSDecodeDriver towerDriver) {
    RSDecoder header;
    const VekStatus st = rsCheckDecodeArgs(erasures, count, codeword, decoder, buffer, bufferSize, &header);
    if (st != StatusOk) return st;
    const RSDecodeDriver driver = decoderHasTowerRecord(&header) ? towerDriver : laneDriver;
    return driver(erasures, count, codeword, &header, buffer);
}

namespace rs {

VekStatus veksRSDecodeBM_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecoder_8u* decoder,
                            uint8_t* buffer) {
    return rsDecodeChecked(erasures, erasureCount, codeword, decoder, buffer, bmBufferSize, rsDecodeBMLanes,
                           rsDecodeBMFast);
}

VekStatus veksRSDecodeEE_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecoder_8u* decoder,
                            uint8_t* buffer) {
    return rsDecodeChecked(erasures, erasureCount, codeword, decoder, buffer, eeBufferSize, rsDecodeEELanes,
                           rsDecodeEEFast);
}

}  // namespace rs
}  // namespace vekdi
