// SPDX-License-Identifier: Apache-2.0
// The tower-basis variants this machine runs, for tests that compare them.
#pragma once

#include <cstdint>
#include <vector>

#include "simd/tower/kernels.h"
#include "simd/tower/tower_arith.h"
#include "tests/support/guarded_bytes.h"

namespace vekdi::test {

// Every compiled variant the CPU supports (the portable one always).
inline std::vector<const tower::TowerKernels*> runnableVariants() {
    std::vector<const tower::TowerKernels*> out;
    for (const tower::TowerKernels* k : tower::towerVariants())
        if (tower::towerSupported(*k)) out.push_back(k);
    return out;
}

inline int groupBytes(int len) { return (len + 15) / 16 * 16; }

}  // namespace vekdi::test
