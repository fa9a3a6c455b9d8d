// Systematic encoding: the message followed by the remainder of
// x^(n-k) * m(x) divided by g(x), computed by a shift register.
#include <cstring>

#include "frame/impl.h"
#include "rs/code_params.h"
#include "rs/encode_fast.h"
#include "rs/encoder.h"

namespace vekdi {
namespace {

constexpr uint8_t kNoLog = 0xFF;  // marks a zero coefficient; no valid logarithm is 255

// The message, codeword and buffer may coincide (same start) but must not
// otherwise overlap.
bool rsEncodeRegionsAllowed(const uint8_t* message, int k, const uint8_t* codeword, int n, const uint8_t* buffer,
                            int bufferSize) {
    auto fine = [](const void* a, int aLen, const void* b, int bLen) {
        return a == b || !rsRegionsOverlap(a, aLen, b, bLen);
    };
    return fine(message, k, codeword, n) && fine(message, k, buffer, bufferSize) &&
           fine(codeword, n, buffer, bufferSize);
}

// Register order: entry i belongs to x^(r-1-i), so logs[i] = log g_(r-1-i).
void rsGeneratorLogs(uint8_t* logs, const PolyGF* g, int r) {
    const uint8_t* lg = logTable(g->field);
    for (int i = 0; i < r; ++i) {
        const uint8_t c = g->coeffs[r - 1 - i];
        logs[i] = c == 0 ? kNoLog : lg[c];
    }
}

// Parity of the k message bytes into reg (r bytes, highest power first).
void rsShiftRegister(uint8_t* reg, const uint8_t* message, int k, const uint8_t* gLogs, int r, const FieldGF* f) {
    const uint8_t* ex = expTable(f);
    const uint8_t* lg = logTable(f);
    const unsigned period = f->order - 1;
    std::memset(reg, 0, size_t(r));
    for (int i = 0; i < k; ++i) {
        const uint8_t feedback = message[i] ^ reg[0];
        if (feedback == 0) {
            std::memmove(reg, reg + 1, size_t(r - 1));
            reg[r - 1] = 0;
            continue;
        }
        const unsigned lf = lg[feedback];
        for (int j = 0; j < r; ++j) {
            const uint8_t next = j + 1 < r ? reg[j + 1] : 0;
            uint8_t term = 0;
            if (gLogs[j] != kNoLog) {
                unsigned s = lf + gLogs[j];
                if (s >= period) s -= period;
                term = ex[s];
            }
            reg[j] = next ^ term;
        }
    }
}

}  // namespace

namespace impl {

VekStatus veksRSEncode_8u(const uint8_t* message, uint8_t* codeword, const VeksRSEncodeSpec_8u* encoder, uint8_t* buffer) {
    if (message == nullptr || codeword == nullptr || buffer == nullptr || encoder == nullptr) return StatusNullPointer;
    if (encoder->id != kEncoderId) return StatusContextMismatch;
    const int n = encoder->n;
    const int k = encoder->k;
    const int r = n - k;
    const FieldGF* f = encoder->field;
    if (!rsEncodeRegionsAllowed(message, k, codeword, n, buffer, n + r)) return StatusBadArgument;
    if (!rsBytesInField(message, k, f)) return StatusOutOfRange;

    // The logarithms sit at buffer[k, n) and the register at buffer[n, n + r):
    // neither touches a message that is the buffer, and a codeword that is the
    // buffer is written only after both are used.
    uint8_t* gLogs = buffer + k;
    uint8_t* reg = buffer + n;
    if (!rsEncodeParityFast(reg, message, encoder, tower::towerActive())) {
        rsGeneratorLogs(gLogs, encoder->generator, r);
        rsShiftRegister(reg, message, k, gLogs, r, f);
    }
    std::memmove(codeword, message, size_t(k));
    std::memcpy(codeword + k, reg, size_t(r));
    return StatusOk;
}

}  // namespace impl
}  // namespace vekdi
