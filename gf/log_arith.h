// SPDX-License-Identifier: Apache-2.0
// Arithmetic through a table of powers and its logarithm table: the field's
// own expTable/logTable (fieldLogs in gf/field.h), or any other
// representation with the same exponents (the tower basis of the fast
// decoders). The one spelling of the table product, quotient and inverse.
// For inner loops on elements known to lie in the field nothing is masked
// here; gfMulTable and its siblings in gf/field.h mask bytes from a caller.
#pragma once

#include <cstdint>


namespace vekdi {

struct LogArith {
    const uint8_t* pow;  // pow[i] = alpha^i for i = 0 ... period (pow[period] = 1)
    const uint8_t* log;  // log[alpha^i] = i for i < period; log[0] is never used
    unsigned period;     // q - 1

    // A sum of two logarithms brought back into 0 ... period - 1.
    unsigned reduce(unsigned s) const { return s >= period ? s - period : s; }

    // v * alpha^logX (0 for v = 0).
    uint8_t mulLog(uint8_t v, unsigned logX) const { return v == 0 ? 0 : pow[reduce(log[v] + logX)]; }
    uint8_t mul(uint8_t a, uint8_t b) const { return b == 0 ? 0 : mulLog(a, log[b]); }
    // 1 / a and a / b for nonzero a, b.
    uint8_t inverse(uint8_t a) const { return pow[reduce(period - log[a])]; }
    uint8_t div(uint8_t a, uint8_t b) const { return a == 0 ? 0 : pow[reduce(log[a] + period - log[b])]; }

    // c[0] + c[1] x + ... + c[degree] x^degree at x = alpha^logX, Horner's rule.
    uint8_t evalAtLog(const uint8_t* c, int degree, unsigned logX) const {
        uint8_t acc = c[degree];
        for (int i = degree - 1; i >= 0; --i) acc = mulLog(acc, logX) ^ c[i];
        return acc;
    }
};

}  // namespace vekdi
