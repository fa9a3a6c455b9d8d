// SPDX-License-Identifier: Apache-2.0
// The implementations of the Reed-Solomon exports (slots of
// frame/export_list.h). Internal work calls the routines of rs/encode/ and
// rs/decode/, never these.
#pragma once

#include "rs/decode/decoder.h"
#include "rs/encode/encoder.h"

namespace vekdi::rs {

VekStatus veksRSEncodeGetSize_8u(int n, int k, int* sizeOut);
VekStatus veksRSEncodeInit_8u(int n, int k, const VeksGFContext_8u* fieldCtx, uint8_t root, VeksRSEncoder_8u* encoder);
VekStatus veksRSEncodeGetBufferSize_8u(const VeksRSEncoder_8u* encoder, int* sizeOut);
VekStatus veksRSEncode_8u(const uint8_t* message, uint8_t* codeword, const VeksRSEncoder_8u* encoder,
                          uint8_t* buffer);
VekStatus veksRSDecodeGetSize_8u(int n, int k, int* sizeOut);
VekStatus veksRSDecodeInit_8u(int n, int k, const VeksGFContext_8u* fieldCtx, uint8_t root, VeksRSDecoder_8u* decoder);
VekStatus veksRSDecodeBMGetBufferSize_8u(const VeksRSDecoder_8u* decoder, int* sizeOut);
VekStatus veksRSDecodeEEGetBufferSize_8u(const VeksRSDecoder_8u* decoder, int* sizeOut);
VekStatus veksRSDecodeBM_8u(const int* erasures, int erasureCount, uint8_t* codeword,
                            const VeksRSDecoder_8u* decoder, uint8_t* buffer);
VekStatus veksRSDecodeEE_8u(const int* erasures, int erasureCount, uint8_t* codeword,
                            const VeksRSDecoder_8u* decoder, uint8_t* buffer);

}  // namespace vekdi::rs
