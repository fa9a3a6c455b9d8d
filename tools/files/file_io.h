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

// What a path or an open file is: its identity, kind, owner, permissions and
// the times that change whenever its content does.
struct FileStatus {
    bool exists = false;
    bool regular = false;
    bool directory = false;
    uint64_t device = 0, inode = 0, links = 1;
    uint32_t mode = 0644; // permission bits (07777)
    uint32_t owner = 0, group = 0;
    uint64_t size = 0;
    int64_t modified = 0, changed = 0; // nanoseconds (ctime: 0 where there is none)

    // Whether the content may have changed between two looks at the same file.
    bool sameContentAs(const FileStatus& o) const {
        return size == o.size && modified == o.modified && changed == o.changed;
    }
};

// The status of `path` after following symlinks (exists == false when it does not).
FileStatus statusOf(const std::string& path);
// Whether two paths name the same file (device and inode), symlinks followed.
bool sameFile(const std::string& a, const std::string& b);
// The file a path ends at after following every symlink (the path itself when it is none).
std::string resolveLinks(const std::string& path);
// The last component of a path.
std::string baseName(const std::string& path);

class File {
public:
    enum class Mode { Read, Create /* new file, fails when it exists */ };

    File() = default;
    // Create makes the file readable and writable by its owner only.
    File(const std::string& path, Mode mode);
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // A file that does not exist, read as empty (a deleted file being rebuilt).
    static File absent(const std::string& path);

    const std::string& path() const { return path_; }
    bool isOpen() const;
    uint64_t size() const;
    // Reads up to len bytes at offset; returns how many were read (fewer only at the end of the file).
    size_t readAt(uint64_t offset, void* buffer, size_t len) const;
    void writeAt(uint64_t offset, const void* buffer, size_t len);
    void resize(uint64_t size);
    void sync();
    FileStatus status() const;
    // Gives the file the owner and group of `model` where the process may,
    // then `model`'s permission bits, without group bits when the group could
    // not be given (POSIX; no-op elsewhere). Never wider than `model`'s.
    void takeOwnerAndMode(const FileStatus& model, uint32_t modeMask);
    void close();

private:
    std::string path_;
    bool absent_ = false;
#if defined(_WIN32)
    void* handle_ = reinterpret_cast<void*>(-1);
#else
    int fd_ = -1;
#endif
};

bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);
// Removes a file, quietly ignoring failures: the one way the program removes
// its temporary files. The const char* form is safe in a signal handler.
void removeQuietly(const std::string& path);
void removeQuietly(const char* path);
// Replaces `target` (existing or not) by `source` in one step.
void replaceFile(const std::string& source, const std::string& target);
// A new, exclusively created temporary file beside `target` (owner-only permissions).
File createTemporaryBeside(const std::string& target);
// Whether the file system holding `directory` stores `size` bytes of holes
// without using disk space (a sparse file was created and measured).
bool sparseFilesSupported(const std::string& directory);

} // namespace vekdi::tool
