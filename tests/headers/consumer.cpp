// SPDX-License-Identifier: Apache-2.0
// A C++ consumer of vekdi.hpp, compiled as C++20 with every warning enabled
// as an error (ctest vekdi_headers); as C++17 it must stop at the header's
// one message.
#include <vekdi.hpp>

#include <cstdint>
#include <cstdio>
#include <vector>

int main() {
    const vekdi::ReedSolomon code(204, 188, vekdi::CodeOptions::ccsds());
    std::vector<uint8_t> word = code.encode(std::vector<uint8_t>(188, 7));
    word[3] ^= 1;
    const vekdi::DecodeResult result = code.decode(word, std::vector<int>{5});
    std::printf("%d %s\n", result.corrected, vekdi::Field(0x11D).log(2) == 1 ? "ok" : "bad");
    return result && code.check(word) ? 0 : 1;
}
