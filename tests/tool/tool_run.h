// SPDX-License-Identifier: Apache-2.0
// Helpers for running the program in-process on files in a scratch folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "format/layout.h"

namespace vekdi::test {

using Bytes = std::vector<uint8_t>;

// A fresh folder per test, removed afterwards.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    // `name` may hold folders ("copy/f"); they are created.
    std::string path(const std::string& name) const;
    // Files left behind by a failed command (temporary outputs).
    std::vector<std::string> strayTemporaries() const;

private:
    std::filesystem::path dir_;
};

// The program under test: set by --program PATH on the test's command line
// (run as a process), else empty (the command line runs in this process).
extern std::string programPath;

// Runs the program's command line (quiet) and returns its exit status.
int vekdi(const std::vector<std::string>& args);

// Runs the program's command line (not quiet) with its standard output in `out`.
int vekdiOutput(const std::vector<std::string>& args, std::string& out);

#if !defined(_WIN32)
// Starts the program (programPath) on `args` without waiting; returns its pid.
int startProgram(const std::vector<std::string>& args);
#endif

Bytes randomBytes(size_t n, uint32_t seed);
Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& data);

// The layout protect chooses, as the program computes it.
tool::Layout layoutFor(uint64_t size, int percent = 12, uint64_t blockSize = 0);

// Overwrites whole data block `block` with random bytes.
void clobberBlock(Bytes& data, const tool::Layout& layout, uint64_t block, uint32_t seed);

} // namespace vekdi::test
