// SPDX-License-Identifier: Apache-2.0
// Files with 64-bit positioned reads and writes (safe to share between
// threads), and the atomic replacement of a file by a finished temporary one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vekdi::tool {

// An I/O failure: the message names the file and what went wrong.
class IoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class File {
public:
    enum class Mode { Read, Create /* new file, fails when it exists */ };

    File() = default;
    File(const std::string& path, Mode mode);
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const std::string& path() const { return path_; }
    bool isOpen() const;
    uint64_t size() const;
    // Reads up to len bytes at offset; returns how many were read (fewer only at the end of the file).
    size_t readAt(uint64_t offset, void* buffer, size_t len) const;
    void writeAt(uint64_t offset, const void* buffer, size_t len);
    void resize(uint64_t size);
    void sync();
    // Gives the file the permission bits of `model` (POSIX; no-op elsewhere).
    void copyPermissionsFrom(const std::string& model);
    void close();

private:
    std::string path_;
#if defined(_WIN32)
    void* handle_ = reinterpret_cast<void*>(-1);
#else
    int fd_ = -1;
#endif
};

bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);
// Removes a file, quietly ignoring failures (used on temporary files).
void removeQuietly(const std::string& path);
// Replaces `target` (existing or not) by `source` in one step.
void replaceFile(const std::string& source, const std::string& target);
// A new, exclusively created temporary file beside `target`.
File createTemporaryBeside(const std::string& target);
// Whether the file system holding `directory` stores `size` bytes of holes
// without using disk space (a sparse file was created and measured).
bool sparseFilesSupported(const std::string& directory);

} // namespace vekdi::tool
