// SPDX-License-Identifier: Apache-2.0
#include "rs/decode/arith_generic.h"

namespace vekdi {

void rsSyndromesGeneric(PolyGF* s, const PolyGF* r, const uint8_t* points, int count) {
    const LogArith logs = fieldLogs(r->field);
    s->coeffs[0] = 1;
    for (int j = 1; j <= count; ++j) s->coeffs[j] = logs.evalAtLog(r->coeffs, r->degree, logs.log[points[j - 1]]);
    s->degree = count;
    polyNormalise(s);
}

int rsChienSearchGeneric(uint8_t* out, const PolyGF* l) {
    const LogArith logs = fieldLogs(l->field);
    const unsigned q = l->field->order;
    const int want = l->degree;
    int found = 0;
    for (unsigned j = 1; j <= q - 1 && found < want; ++j) {
        if (logs.evalAtLog(l->coeffs, l->degree, j % (q - 1)) == 0) out[found++] = uint8_t(q - 1 - j);
    }
    return found;
}

}  // namespace vekdi
