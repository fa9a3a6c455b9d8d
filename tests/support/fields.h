// SPDX-License-Identifier: Apache-2.0
// Field contexts for tests, built through the table builder (independent of
// the field initialiser), random iterations and guarded buffers.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "gf/field.h"
#include "tests/support/guarded_bytes.h"

namespace vekdi::test {

// An owned field context built by gfBuildTables with the smallest generating
// element as alpha (x when the generator is primitive).
class TestField {
public:
    TestField(int m, uint32_t generatorMask);
    TestField(int m, uint32_t generatorMask, uint32_t alpha);
    const FieldGF* get() const { return reinterpret_cast<const FieldGF*>(storage_.data()); }
    operator const FieldGF*() const { return get(); }
    int m() const { return m_; }
    uint32_t mask() const { return mask_; }

private:
    int m_;
    uint32_t mask_;
    std::vector<uint32_t> storage_;  // 4-byte aligned
};

// The fields the randomised suites run over: GF(2), GF(16)/0x13,
// GF(256)/0x11D (primitive), GF(256)/0x11B (x not primitive).
const std::vector<std::pair<int, uint32_t>>& sampleFields();

// Number of random iterations: `quick` normally, `longRuns` with VEKDI_LONG_TESTS.
inline int iterations(int quick, int longRuns) {
#if defined(VEKDI_LONG_TESTS)
    (void)quick;
    return longRuns;
#else
    (void)longRuns;
    return quick;
#endif
}

// A fixed-seed generator per test, so failures reproduce.
inline std::mt19937& rng() {
    static thread_local std::mt19937 gen(12345);
    return gen;
}

}  // namespace vekdi::test
