// SPDX-License-Identifier: Apache-2.0
// The one way the program writes a file: a temporary file beside the target,
// created owner-only and given the final owner and permissions before any
// byte is written, removed when it is abandoned (destruction, an exception,
// SIGINT or SIGTERM), and renamed over the target by commit() once flushed.
// A kill -9 leaves the old target or the complete new one, never a torn file.
#pragma once

#include <string>

#include "files/file_io.h"

namespace vekdi::tool {

class TempOutput {
public:
    // `target` is where commit() puts the file; `model` gives its owner,
    // group and permissions (masked by `modeMask`), never wider than model's.
    TempOutput(const std::string& target, const FileStatus& model, uint32_t modeMask);
    ~TempOutput();
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    File& file() { return file_; }
    const std::string& target() const { return target_; }
    // Flushes the file, renames it over the target and flushes the folder.
    void commit();

private:
    File file_;
    std::string target_;
    std::string temp_;
    int slot_ = -1;
    bool committed_ = false;
};

// Installs the SIGINT/SIGTERM handler that removes pending temporary files
// and then ends the process as the signal would have.
void removeTemporariesOnSignals();

} // namespace vekdi::tool
