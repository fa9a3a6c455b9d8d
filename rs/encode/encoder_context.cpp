// SPDX-License-Identifier: Apache-2.0
// Encoder context: size query, initialisation (generator polynomial built
// once) and the scratch-size query.
#include "base/slot_byte.h"
#include "rs/code_checks.h"
#include "rs/encode/encoder.h"
#include "rs/exports.h"

namespace vekdi {
namespace {

// g(x) = (x + root)(x + root*alpha) ... (x + root*alpha^(r-1)) into g, which
// has room for r + 1 coefficients; each factor is multiplied in place.
void rsBuildGenerator(PolyGF* g, const FieldGF* f, unsigned root, int r) {
    uint8_t* c = g->coeffs;
    c[0] = uint8_t(root);
    c[1] = 1;
    int degree = 1;
    unsigned point = root;
    for (int step = 1; step < r; ++step) {
        point = gfMulTable(f, point, f->alpha);
        c[degree + 1] = c[degree];
        for (int i = degree; i >= 1; --i) c[i] = uint8_t(c[i - 1] ^ gfMulTable(f, point, c[i]));
        c[0] = gfMulTable(f, point, c[0]);
        degree = polyNormalDegree(c, degree + 1);
    }
    g->degree = degree;
}

}  // namespace

namespace rs {

VekStatus veksRSEncodeGetSize_8u(int n, int k, int* sizeOut) {
    return rsReportContextSize(n, k, sizeOut, encoderContextSize);
}

VekStatus veksRSEncodeInit_8u(int n, int k, const VeksGFContext_8u* fieldCtx, uint8_t root, VeksRSEncoder_8u* encoder) {
    root = slotByte(root);
    const VekStatus st = rsCheckInitArgs(n, k, fieldCtx, root, encoder);
    if (st != StatusOk) return st;
    const int r = n - k;
    auto* g = reinterpret_cast<PolyGF*>(reinterpret_cast<uint8_t*>(encoder) + kEncoderHeaderSize);
    encoder->id = kEncoderId;
    encoder->n = n;
    encoder->k = k;
    encoder->field = fieldCtx;
    encoder->generator = g;
    polyWrap(g, fieldCtx, polyInlineStorage(g), r + 1, 0);
    rsBuildGenerator(g, fieldCtx, root, r);
    return StatusOk;
}

VekStatus veksRSEncodeGetBufferSize_8u(const VeksRSEncoder_8u* encoder, int* sizeOut) {
    if (encoder == nullptr || sizeOut == nullptr) return StatusNullPointer;
    if (encoder->id != kEncoderId) return StatusContextMismatch;
    *sizeOut = 2 * encoder->n - encoder->k;
    return StatusOk;
}

}  // namespace rs
}  // namespace vekdi
