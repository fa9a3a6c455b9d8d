// SPDX-License-Identifier: Apache-2.0
// Reference arithmetic written from first principles, independent of the
// library's tables: bit-serial products, brute-force searches.
#pragma once

#include <cstdint>
#include <vector>

namespace vekdi::test {

// a*b modulo the generator mask (degree m), one bit of b at a time.
uint32_t refMul(uint32_t a, uint32_t b, uint32_t generatorMask, int m);
// a^e (e >= 0) by repeated refMul.
uint32_t refPow(uint32_t a, uint64_t e, uint32_t generatorMask, int m);
// Multiplicative order of a non-zero element.
uint32_t refOrder(uint32_t a, uint32_t generatorMask, int m);
// Every binary polynomial of degree m (bit mask, bit m set) with no factor of
// lower degree, by trial division.
std::vector<uint32_t> irreducibleMasks(int m);
// True when the binary polynomial `mask` has no factor of degree 1 ... deg/2.
bool isIrreducibleBinary(uint32_t mask);
// Smallest element of order 2^m - 1 (2 when x itself generates).
uint32_t smallestGenerator(uint32_t generatorMask, int m);

}  // namespace vekdi::test
