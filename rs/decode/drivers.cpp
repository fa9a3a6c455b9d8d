// SPDX-License-Identifier: Apache-2.0
#include "rs/decode/drivers.h"

#include "rs/decode/arith_tower.h"
#include "rs/decode/arith_generic.h"
#include "rs/decode/arith_lanes.h"
#include "rs/decode/berlekamp_massey.h"
#include "rs/decode/euclid.h"
#include "rs/decode/pipeline.h"

namespace vekdi {

VekStatus rsDecodeBMGeneric(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    return rsDecodeWith<BerlekampMassey>(GenericArith(d), erasures, count, codeword, buffer);
}

VekStatus rsDecodeEEGeneric(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    return rsDecodeWith<Euclid>(GenericArith(d), erasures, count, codeword, buffer);
}

bool rsDecodeWholeLanes(VekStatus* status, const int* erasures, int count, uint8_t* codeword, const RSDecoder* d,
                        const TableLaneKernels* t) {
    const FieldGF* f = d->field;
    if (t == nullptr || f->m > kTableLanesWholeMaxM) return false;
    const int s = rsErasureCount(erasures, count);
    const bool ok = t->decodeWhole(codeword, erasures, s, logTable(f)[d->rootPowers[0]], d->n - d->k, f);
    *status = ok ? StatusOk : StatusDecodeFailure;
    return true;
}

VekStatus rsDecodeBMLanes(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    if (VekStatus st; rsDecodeWholeLanes(&st, erasures, count, codeword, d, tableLaneKernels())) return st;
    return rsDecodeWith<BerlekampMassey>(LaneArith(d), erasures, count, codeword, buffer);
}

VekStatus rsDecodeEELanes(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    if (VekStatus st; rsDecodeWholeLanes(&st, erasures, count, codeword, d, tableLaneKernels())) return st;
    return rsDecodeWith<Euclid>(LaneArith(d), erasures, count, codeword, buffer);
}

VekStatus rsDecodeBMFastWith(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer,
                             const tower::TowerKernels& k) {
    return rsDecodeWith<BerlekampMassey>(TowerArith(d, k), erasures, count, codeword, buffer);
}

VekStatus rsDecodeEEFastWith(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer,
                             const tower::TowerKernels& k) {
    return rsDecodeWith<Euclid>(TowerArith(d, k), erasures, count, codeword, buffer);
}

VekStatus rsDecodeBMFast(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    return rsDecodeBMFastWith(erasures, count, codeword, d, buffer, tower::towerActive());
}

VekStatus rsDecodeEEFast(const int* erasures, int count, uint8_t* codeword, const RSDecoder* d, uint8_t* buffer) {
    return rsDecodeEEFastWith(erasures, count, codeword, d, buffer, tower::towerActive());
}

}  // namespace vekdi
