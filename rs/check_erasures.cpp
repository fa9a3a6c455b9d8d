// SPDX-License-Identifier: Apache-2.0
#include "rs/code_params.h"
#include "rs/decode.h"

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
                          uint8_t* buffer, int (*bufferSize)(int, int), RSDecodeDriver generic, RSDecodeDriver fast) {
    RSDecoder header;
    const VekStatus st = rsCheckDecodeArgs(erasures, count, codeword, decoder, buffer, bufferSize, &header);
    if (st != StatusOk) return st;
    const RSDecodeDriver driver = decoderHasFastTables(&header) ? fast : generic;
    return driver(erasures, count, codeword, &header, buffer);
}

}  // namespace vekdi
