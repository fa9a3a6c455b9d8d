#include "rs/errata.h"

#include <cstring>

namespace vekdi {

bool rsMarkErasures(ErasureMap* map, const int* list, int count, int n) {
    std::memset(map->erased, 0, sizeof map->erased);
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
    uint8_t expected[256] = {};
    for (int i = 0; i < errata.count; ++i) {
        const unsigned d = errata.exps[i];
        unsigned e = (errata.logs[i] + unsigned(b) * d) % period;  // exponent of the term for j = 1
        for (int j = 0; j < r; ++j) {
            expected[j] ^= pow[e];
            e += d;
            if (e >= period) e -= period;
        }
    }
    return std::memcmp(expected, syndromes, size_t(r)) == 0;
}

void rsApplyErrata(uint8_t* codeword, int n, const uint8_t* expTable, const ErrataList& errata) {
    for (int i = 0; i < errata.count; ++i) codeword[n - 1 - errata.exps[i]] ^= expTable[errata.logs[i]];
}

VekStatus rsAcceptErrata(uint8_t* codeword, const RSDecoder* d, const ErrataList& errata, const ErasureMap& map,
                         int s, const uint8_t* pow, const uint8_t* syndromes) {
    const FieldGF* f = d->field;
    const int n = d->n;
    const int r = n - d->k;
    const int b = logTable(f)[d->rootPowers[0]];
    if (!rsErrataWithinRadius(errata, map, s, r)) return StatusDecodeFailure;
    if (!rsErrataMatchesSyndromes(errata, pow, n, b, syndromes, r)) return StatusDecodeFailure;
    rsApplyErrata(codeword, n, expTable(f), errata);
    return StatusOk;
}

}  // namespace vekdi
