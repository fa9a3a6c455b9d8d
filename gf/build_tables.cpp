// SPDX-License-Identifier: Apache-2.0
#include <cstring>

#include "gf/field.h"
#include "gf/mask_arith.h"

namespace vekdi {

void gfBuildTables(void* context, int m, uint32_t generatorMask, uint32_t alpha) {
    const uint32_t order = 1u << m;
    FieldGF header{};
    header.id = kFieldId;
    header.m = m;
    header.order = order;
    header.generatorMask = generatorMask;
    header.alpha = alpha & 0xFFu;
    header.expTableOffset = kFieldHeaderSize;
    header.logTableOffset = kFieldHeaderSize + order;
    std::memcpy(context, &header, sizeof header);

    uint8_t* exp = static_cast<uint8_t*>(context) + kFieldHeaderSize;
    uint8_t* log = exp + order;
    uint32_t e = 1;
    for (uint32_t i = 0; i < order; ++i) {
        log[e] = static_cast<uint8_t>(i);
        exp[i] = static_cast<uint8_t>(e);
        e = maskMulMod(e, alpha, generatorMask, m);
    }
    // The last pass wrote order-1 into log[1] (alpha^(order-1) = 1); no pass
    // writes log[0], since no power of a generator is 0.
    log[0] = 255;
    log[1] = 0;
    if (m == 1) {
        // The only non-zero element is 1, whatever alpha holds.
        exp[0] = 1;
        exp[1] = 1;
    }
}

}  // namespace vekdi
