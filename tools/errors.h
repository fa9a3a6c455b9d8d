// SPDX-License-Identifier: Apache-2.0
// Exit statuses of the program and the failure that carries one.
#pragma once

#include <stdexcept>
#include <string>

namespace vekdi::tool {

enum ExitStatus : int {
    kExitOk = 0,            // intact, or repaired / written
    kExitRepairable = 1,    // verify: damaged, a repair can succeed
    kExitNotRepairable = 2, // damaged beyond repair; nothing written
    kExitUsage = 3,         // bad usage, unreadable or unusable input, unwritable output
};

// A failure reported as one line on stderr with its exit status.
class Failure : public std::runtime_error {
public:
    Failure(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

} // namespace vekdi::tool
