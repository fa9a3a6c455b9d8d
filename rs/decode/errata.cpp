// SPDX-License-Identifier: Apache-2.0
#include "rs/decode/errata.h"

#include <cstring>

namespace vekdi {

bool rsMarkErasures(ErasureMap* map, const int* list, int count, int n) {
    std::memset(map->erased, 0, size_t(n));  // errata lie below n
    for (int i = 0; i < count; ++i) {
        uint8_t& flag = map->erased[n - 1 - list[i]];
        if (flag != 0) return false;
        flag = 1;
    }
    return true;
}

bool rsErrataWithinRadius(const ErrataList& errata, const ErasureMap& map, int s, int r) {
    int errors = 0;
    for (int i = 0; i < errata.count; ++i) errors += map.erased[errata.exps[i]] == 0;
    return 2 * errors + s <= r;
}

bool rsErrataMatchesSyndromes(const ErrataList& errata, const uint8_t* pow, int qMinus1, int b,
                              const uint8_t* syndromes, int r) {
    const unsigned period = unsigned(qMinus1);
    // One syndrome at a time, every term's exponent advanced by its own
    // step: the terms are independent, so the loop is not held up by the
    // reduction of one exponent after another.
    unsigned e[256];
    for (int i = 0; i < errata.count; ++i) e[i] = (errata.logs[i] + unsigned(b) * errata.exps[i]) % period;
    for (int j = 0; j < r; ++j) {
        uint8_t sum = 0;
        for (int i = 0; i < errata.count; ++i) {
            sum ^= pow[e[i]];
            const unsigned next = e[i] + errata.exps[i];
            e[i] = next >= period ? next - period : next;
        }
        if (sum != syndromes[j]) return false;
    }
    return true;
}

void rsApplyErrata(uint8_t* codeword, int n, const uint8_t* expTable, const ErrataList& errata) {
    for (int i = 0; i < errata.count; ++i) codeword[n - 1 - errata.exps[i]] ^= expTable[errata.logs[i]];
}

}  // namespace vekdi
