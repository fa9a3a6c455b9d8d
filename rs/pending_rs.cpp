// PENDING: temporary entries until this family lands; each is removed as its
// real implementation arrives. Nothing here is a finished implementation.
#include "frame/impl.h"
#include "poly/poly.h"

namespace vekdi::impl {

VekStatus veksRSEncodeGetSize_8u(int n, int k, int* sizeOut) {
    (void)n, (void)k, (void)sizeOut;
    return StatusBadArgument;
}

VekStatus veksRSEncodeInit_8u(int n, int k, const VeksGFSpec_8u* fieldCtx, uint8_t root, VeksRSEncodeSpec_8u* encoder) {
    (void)n, (void)k, (void)fieldCtx, (void)root, (void)encoder;
    return StatusBadArgument;
}

VekStatus veksRSEncodeGetBufferSize_8u(const VeksRSEncodeSpec_8u* encoder, int* sizeOut) {
    (void)encoder, (void)sizeOut;
    return StatusBadArgument;
}

VekStatus veksRSEncode_8u(const uint8_t* message, uint8_t* codeword, const VeksRSEncodeSpec_8u* encoder, uint8_t* buffer) {
    (void)message, (void)codeword, (void)encoder, (void)buffer;
    return StatusBadArgument;
}

VekStatus veksRSDecodeGetSize_8u(int n, int k, int* sizeOut) {
    (void)n, (void)k, (void)sizeOut;
    return StatusBadArgument;
}

VekStatus veksRSDecodeInit_8u(int n, int k, const VeksGFSpec_8u* fieldCtx, uint8_t root, VeksRSDecodeSpec_8u* decoder) {
    (void)n, (void)k, (void)fieldCtx, (void)root, (void)decoder;
    return StatusBadArgument;
}

VekStatus veksRSDecodeBMGetBufferSize_8u(const VeksRSDecodeSpec_8u* decoder, int* sizeOut) {
    (void)decoder, (void)sizeOut;
    return StatusBadArgument;
}

VekStatus veksRSDecodeEEGetBufferSize_8u(const VeksRSDecodeSpec_8u* decoder, int* sizeOut) {
    (void)decoder, (void)sizeOut;
    return StatusBadArgument;
}

VekStatus veksRSDecodeBM_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecodeSpec_8u* decoder, uint8_t* buffer) {
    (void)erasures, (void)erasureCount, (void)codeword, (void)decoder, (void)buffer;
    return StatusBadArgument;
}

VekStatus veksRSDecodeEE_8u(const int* erasures, int erasureCount, uint8_t* codeword, const VeksRSDecodeSpec_8u* decoder, uint8_t* buffer) {
    (void)erasures, (void)erasureCount, (void)codeword, (void)decoder, (void)buffer;
    return StatusBadArgument;
}

}  // namespace vekdi::impl
