// SPDX-License-Identifier: Apache-2.0
// The built-in parity matrices and the GF(256) matrix algebra of the erasure
// codes.
#pragma once

#include <cstdint>

namespace vekdi::codes {

// The largest k + m of a matrix kind (VekMatrixKind), 0 for an unknown kind.
int matrixLimit(int kind);

// The m x k parity matrix (row-major) of a kind, for 1 <= k, 1 <= m,
// k + m <= matrixLimit(kind). May throw std::bad_alloc.
void buildParityMatrix(int kind, int k, int m, uint8_t* out);

// Inverts the n x n matrix a (row-major, destroyed) into inv; false when a is singular.
bool invertMatrix(uint8_t* a, uint8_t* inv, int n);

}  // namespace vekdi::codes
