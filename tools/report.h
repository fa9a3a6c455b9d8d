// SPDX-License-Identifier: Apache-2.0
// Opening the inputs and outputs of a command with one clear message on
// failure, and the lines the commands print.
#pragma once

#include <cstdint>
#include <string>

#include "file_io.h"
#include "format.h"

namespace vekdi::tool {

// Opens an input for reading; Failure (exit status 3) when it cannot be read.
File openInput(const std::string& path);
// A temporary file beside `target` that later replaces it; Failure (3) when
// the folder is not writable.
File createOutput(const std::string& target);

// "1.5 MiB (1572864 bytes)"
std::string formatSize(uint64_t bytes);
std::string hexHash(const std::array<uint8_t, 16>& hash);
// The parameters of a parity file, indented, on stdout.
void printLayout(const Header& header);

} // namespace vekdi::tool
