// SPDX-License-Identifier: Apache-2.0
// Exit statuses of the program and the failure that carries one. The table
// is par2's, so that scripts read both programs the same way.
#pragma once

#include <stdexcept>
#include <string>

#include "vekdi.h"
#include "vekdi_codes.h"

namespace vekdi::tool {

enum ExitStatus : int {
    kExitOk = 0,             // intact, or repaired / written
    kExitRepairable = 1,     // verify: damaged, a repair can succeed
    kExitNotRepairable = 2,  // damaged beyond repair; nothing written
    kExitUsage = 3,          // invalid command line: bad options, missing or non-regular files, refused outputs
    kExitParityUnusable = 4, // the parity file is unusable or belongs to another file
    kExitRepairFailed = 5,   // a repair was attempted and did not produce the original
    kExitIo = 6,             // I/O error, including a file that changed while it was read
    kExitInternal = 7,       // internal error
    kExitNoMemory = 8,       // out of memory
};

// The exit status for a status of the libraries (vekdi.h, vekdi_codes.h)
// that reaches the program, the one place that decides it: a stripe whose
// survivors cannot rebuild it is damage beyond repair (the rebuild reports
// it as such); the libraries running out of memory is out of memory; any
// other status refuses an argument the program passed, an internal error.
constexpr int exitStatusForLibrary(int status) {
    switch (status) {
    case StatusDecodeFailure:
    case VekCodesUncorrectable:
    case VekCodesTooFewSurvivors:
    case VekCodesSingular: return kExitNotRepairable;
    case StatusNoMemory:
    case VekCodesNoMemory: return kExitNoMemory;
    default: return kExitInternal;
    }
}

// A failure reported as one line on stderr with its exit status.
class Failure : public std::runtime_error {
public:
    Failure(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

} // namespace vekdi::tool
