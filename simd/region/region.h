// SPDX-License-Identifier: Apache-2.0
// Region kernels: dot products of byte buffers with GF(256) coefficients,
//   out[r][i] (= or ^=) sum over c of coef[r][c] * in[c][i],
// one implementation per instruction set. Every variant gives the bytes of
// the portable one. Coefficient tables are prepared by the variant that reads
// them (tableBytes per coefficient, laid out like the coefficients).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vekdi::codes {

struct RegionKernels {
    const char* name;
    unsigned requiredFeatures;  // simd::CpuFeature bits
    std::size_t tableBytes;     // prepared bytes per coefficient (0: the coefficients are read directly)
    // tables[i * tableBytes ...] from coefs[i], i < count.
    void (*prepare)(const uint8_t* coefs, std::size_t count, uint8_t* tables);
    // rows x cols coefficients at coefs[r * stride + c], their tables at the
    // same index times tableBytes. accumulate: out ^= the products; else out =.
    // Outputs must not overlap inputs or each other.
    void (*dot)(const uint8_t* coefs, const uint8_t* tables, std::size_t stride, int rows, int cols,
                const uint8_t* const* in, uint8_t* const* out, std::size_t length, bool accumulate);
};

extern const RegionKernels regionPortable;
#if defined(__x86_64__) || defined(__i386__)
extern const RegionKernels regionSsse3;
extern const RegionKernels regionAvx2;
extern const RegionKernels regionGfni256;
extern const RegionKernels regionAvx512Gfni;
#endif
#if defined(__aarch64__)
extern const RegionKernels regionNeon;
#endif

// Every variant compiled in, slowest first (the list of simd/variants.h).
std::span<const RegionKernels* const> regionVariants();
bool regionSupported(const RegionKernels& k);
// The fastest variant the CPU supports, chosen once per process.
const RegionKernels& regionKernels();

// The 8x8 bit matrix of multiplication by c in the operand layout of the GF2P8AFFINEQB instruction.
uint64_t gfniMatrix(uint8_t c);
// The products of c with every low nibble (lo) and every high nibble (hi).
void nibbleTables(uint8_t c, uint8_t* lo16, uint8_t* hi16);

}  // namespace vekdi::codes
