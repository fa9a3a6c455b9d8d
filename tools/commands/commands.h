// SPDX-License-Identifier: Apache-2.0
// The four commands of the program. Each prints its report on stdout and
// returns an exit status (errors.h); failures are thrown as Failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "commands/json_report.h"

namespace vekdi::tool {

struct RunOptions {
    unsigned threads = 0; // 0: every core
    bool quiet = false;   // no progress bar, no report lines except errors
    JsonReport* report = nullptr; // --json: filled instead of printing report lines
    FileRecord* record = nullptr; // the record of the file in hand, filled by the command
};

struct ProtectOptions {
    std::string file;
    std::string parity; // empty: file + ".vekdi"
    int percent = 12;
    uint64_t blockSize = 0; // 0: chosen from the file size
    bool force = false;
    // Most parity protect holds in memory to read the file once (0: the
    // default; tests lower it to take the path of larger files).
    uint64_t parityInMemory = 0;
};

struct VerifyOptions {
    std::string file;
    std::string parity;
    bool force = false; // accept a parity file recorded for another name, and a grown file
    bool list = false;  // list the damaged byte ranges and blocks
};

struct RepairOptions {
    std::string file;
    std::string parity;
    std::string output; // empty with inPlace
    bool inPlace = false;
    bool force = false; // replace an existing output; accept another name; cut any appended tail
};

int protectCommand(const ProtectOptions& options, const RunOptions& run);
int verifyCommand(const VerifyOptions& options, const RunOptions& run);
int repairCommand(const RepairOptions& options, const RunOptions& run);
int infoCommand(const std::string& parity, const RunOptions& run);

// The "result" word of a file's record for a command's exit status.
const char* resultName(const std::string& command, int status);

// The same over many files (listed, and every regular file under `dir`
// when it is not empty), each with its own parity file FILE.vekdi.
int protectMany(const std::vector<std::string>& files, const std::string& dir, const ProtectOptions& base,
                const RunOptions& run);
int verifyMany(const std::vector<std::string>& files, const std::string& dir, const VerifyOptions& base,
               const RunOptions& run);
int repairMany(const std::vector<std::string>& files, const std::string& dir, const RepairOptions& base,
               const RunOptions& run);

// Runs the program on its command line (what main does).
int runCli(int argc, const char* const* argv);

} // namespace vekdi::tool
