// SPDX-License-Identifier: Apache-2.0
#include "frame/version.h"

namespace vekdi::frame {

namespace {
constexpr VekdiLibVersion kVersion = {
    7, 1, 0, 36264, {'h', '9', '\0', '\0'}, "vekDI AVX2 (h9)", "7.1.0 (r36264)", "Jul 23 2012",
};
}  // namespace

const VekdiLibVersion* vekdiGetLibVersion() { return &kVersion; }

}  // namespace vekdi::frame
