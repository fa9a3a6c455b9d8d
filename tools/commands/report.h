// SPDX-License-Identifier: Apache-2.0
// Opening the inputs and outputs of a command with one clear message on
// failure, and the lines the commands print.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "files/file_io.h"
#include "format/format.h"

namespace vekdi::tool {

// Opens an input for reading: Failure with exit status 3 when it does not
// exist or is not a regular file (symlinks followed), 6 when it cannot be read.
File openInput(const std::string& path);

// A file the output must not be, whatever the spelling: `what` names it.
struct Guarded {
    const std::string& path;
    const char* what;
};
// Refuses (exit status 3, nothing written) an output that is one of `inputs`
// under any name, that is not a regular file, or that exists without `force`.
void checkOutput(const std::string& target, std::initializer_list<Guarded> inputs, bool force);

// Whether `path` names a parity file: by its name (.vekdi) or its magic.
bool looksLikeParityFile(const std::string& path);

// "1.5 MiB (1572864 bytes)"
std::string formatSize(uint64_t bytes);
std::string hexHash(const std::array<uint8_t, 16>& hash);
// The parameters of a parity file, indented, on stdout.
void printLayout(const Header& header);

} // namespace vekdi::tool
