// SPDX-License-Identifier: Apache-2.0
#include "files/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <filesystem>
#include <string_view>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vekdi::tool {

namespace {

// Concatenation by appending (GCC 12 warns falsely on chains of operator+).
std::string cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (auto p : parts) out.append(p);
    return out;
}

std::string uniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    const auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char buf[48];
    std::snprintf(buf, sizeof buf, "%llx-%u", static_cast<unsigned long long>(rd() ^ now), counter++);
    return buf;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of(
#if defined(_WIN32)
        "/\\"
#else
        "/"
#endif
    );
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

#if defined(_WIN32)

namespace {
std::wstring wide(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string lastError() {
    const DWORD code = GetLastError();
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string msg = text ? text : ("error " + std::to_string(code));
    if (text) LocalFree(text);
    while (!msg.empty() && (msg.back() == '\n' || msg.back() == '\r' || msg.back() == '.')) msg.pop_back();
    return msg;
}

[[noreturn]] void fail(const std::string& path, const char* what) {
    throw IoError(cat({path, ": ", what, ": ", lastError()}));
}
} // namespace

File::File(const std::string& path, Mode mode) : path_(path) {
    const DWORD access = mode == Mode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const DWORD share = mode == Mode::Read ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    const DWORD disposition = mode == Mode::Read ? OPEN_EXISTING : CREATE_NEW;
    if (mode == Mode::Read && isDirectory(path)) throw IoError(cat({path, ": is a directory"}));
    handle_ = CreateFileW(wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) fail(path, mode == Mode::Read ? "cannot open" : "cannot create");
    if (GetFileType(handle_) != FILE_TYPE_DISK) {
        close();
        throw IoError(cat({path, ": is not a regular file"}));
    }
    if (mode == Mode::Read && isDirectory(path)) {
        close();
        throw IoError(cat({path, ": is a directory"}));
    }
}

File::~File() { close(); }
File::File(File&& other) noexcept : path_(std::move(other.path_)), absent_(other.absent_), handle_(other.handle_) {
    other.handle_ = INVALID_HANDLE_VALUE;
}
File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        absent_ = other.absent_;
        handle_ = other.handle_;
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}
bool File::isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

uint64_t File::size() const {
    if (absent_) return 0;
    LARGE_INTEGER s;
    if (!GetFileSizeEx(handle_, &s)) fail(path_, "cannot read the size");
    return static_cast<uint64_t>(s.QuadPart);
}

// The position of one read or write, as the overlapped record carries it.
static OVERLAPPED overlappedAt(uint64_t at) {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(at);
    ov.OffsetHigh = static_cast<DWORD>(at >> 32);
    return ov;
}

size_t File::readAt(uint64_t offset, void* buffer, size_t len) const {
    if (absent_) return 0;
    size_t done = 0;
    while (done < len) {
        OVERLAPPED ov = overlappedAt(offset + done);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(len - done, 1u << 30));
        if (!ReadFile(handle_, static_cast<char*>(buffer) + done, want, &got, &ov)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            fail(path_, "read error");
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

void File::writeAt(uint64_t offset, const void* buffer, size_t len) {
    size_t done = 0;
    while (done < len) {
        OVERLAPPED ov = overlappedAt(offset + done);
        DWORD put = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(len - done, 1u << 30));
        if (!WriteFile(handle_, static_cast<const char*>(buffer) + done, want, &put, &ov) || put == 0)
            fail(path_, "write error");
        done += put;
    }
}

void File::resize(uint64_t size) {
    FILE_END_OF_FILE_INFO info;
    info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(handle_, FileEndOfFileInfo, &info, sizeof info)) fail(path_, "cannot resize");
}

void File::sync() {
    if (!FlushFileBuffers(handle_)) fail(path_, "cannot flush");
}

FileStatus File::status() const {
    FileStatus st;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle_, &info)) fail(path_, "cannot read the status");
    st.exists = true;
    st.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    st.regular = !st.directory && GetFileType(handle_) == FILE_TYPE_DISK;
    st.device = info.dwVolumeSerialNumber;
    st.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    st.links = info.nNumberOfLinks;
    st.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    st.modified = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                       info.ftLastWriteTime.dwLowDateTime) * 100;
    return st;
}

void File::takeOwnerAndMode(const FileStatus&, uint32_t) {}

void File::close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

FileStatus statusOf(const std::string& path) {
    FileStatus st;
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return st;
    st.exists = true;
    st.directory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (st.directory) return st;
    // Devices (NUL, COM1) and pipes are opened to tell them from files.
    HANDLE h = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return st;
    st.regular = GetFileType(h) == FILE_TYPE_DISK;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        st.device = info.dwVolumeSerialNumber;
        st.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        st.links = info.nNumberOfLinks;
        st.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    }
    CloseHandle(h);
    return st;
}

std::string resolveLinks(const std::string& path) {
    try {
        std::error_code ec;
        const auto real = std::filesystem::canonical(std::filesystem::path(wide(path)), ec);
        return ec ? path : real.string();
    } catch (const std::exception&) {
        return path; // a name the narrow code page cannot hold
    }
}

bool fileExists(const std::string& path) { return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isDirectory(const std::string& path) {
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void removeQuietly(const std::string& path) { DeleteFileW(wide(path).c_str()); }
void removeQuietly(const char* path) { removeQuietly(std::string(path)); }

void replaceFile(const std::string& source, const std::string& target) {
    if (!MoveFileExW(wide(source).c_str(), wide(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail(target, "cannot replace");
}

bool sparseFilesSupported(const std::string&) { return false; }

#else

namespace {
[[noreturn]] void fail(const std::string& path, const char* what, int err) {
    throw IoError(cat({path, ": ", what, ": ", std::strerror(err)}));
}
} // namespace

namespace {
int64_t nanoseconds(const struct timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; }

FileStatus fromStat(const struct stat& s) {
    FileStatus st;
    st.exists = true;
    st.regular = S_ISREG(s.st_mode);
    st.directory = S_ISDIR(s.st_mode);
    st.device = static_cast<uint64_t>(s.st_dev);
    st.inode = static_cast<uint64_t>(s.st_ino);
    st.links = static_cast<uint64_t>(s.st_nlink);
    st.mode = static_cast<uint32_t>(s.st_mode & 07777);
    st.owner = static_cast<uint32_t>(s.st_uid);
    st.group = static_cast<uint32_t>(s.st_gid);
    st.size = static_cast<uint64_t>(s.st_size);
#if defined(__APPLE__)
    st.modified = nanoseconds(s.st_mtimespec);
    st.changed = nanoseconds(s.st_ctimespec);
#else
    st.modified = nanoseconds(s.st_mtim);
    st.changed = nanoseconds(s.st_ctim);
#endif
    return st;
}
} // namespace

File::File(const std::string& path, Mode mode) : path_(path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer (it is refused below).
    const int flags = mode == Mode::Read ? O_RDONLY | O_NONBLOCK : O_RDWR | O_CREAT | O_EXCL;
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
    if (fd_ < 0) fail(path, mode == Mode::Read ? "cannot open" : "cannot create", errno);
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        const int err = errno;
        close();
        fail(path, "cannot read the status", err);
    }
    if (!S_ISREG(st.st_mode)) {
        close();
        throw IoError(cat({path, S_ISDIR(st.st_mode) ? ": is a directory" : ": is not a regular file"}));
    }
    if (mode == Mode::Read) (void)::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

File::~File() { close(); }
File::File(File&& other) noexcept : path_(std::move(other.path_)), absent_(other.absent_), fd_(other.fd_) {
    other.fd_ = -1;
}
File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        absent_ = other.absent_;
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}
bool File::isOpen() const { return fd_ >= 0; }

uint64_t File::size() const {
    if (absent_) return 0;
    struct stat st;
    if (::fstat(fd_, &st) != 0) fail(path_, "cannot read the size", errno);
    return static_cast<uint64_t>(st.st_size);
}

size_t File::readAt(uint64_t offset, void* buffer, size_t len) const {
    if (absent_) return 0;
    size_t done = 0;
    while (done < len) {
        const ssize_t got = ::pread(fd_, static_cast<char*>(buffer) + done, len - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            fail(path_, "read error", errno);
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

void File::writeAt(uint64_t offset, const void* buffer, size_t len) {
    size_t done = 0;
    while (done < len) {
        const ssize_t put = ::pwrite(fd_, static_cast<const char*>(buffer) + done, len - done,
                                     static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR) continue;
            fail(path_, "write error", errno);
        }
        done += static_cast<size_t>(put);
    }
}

void File::resize(uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) fail(path_, "cannot resize", errno);
}

void File::sync() {
    if (::fsync(fd_) != 0) fail(path_, "cannot flush", errno);
}

FileStatus File::status() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0) fail(path_, "cannot read the status", errno);
    return fromStat(st);
}

void File::takeOwnerAndMode(const FileStatus& model, uint32_t modeMask) {
    // Created owner-only; the group's bits follow only when the group is model's.
    if (::fchown(fd_, static_cast<uid_t>(model.owner), static_cast<gid_t>(model.group)) != 0)
        (void)::fchown(fd_, static_cast<uid_t>(-1), static_cast<gid_t>(model.group));
    struct stat now;
    if (::fstat(fd_, &now) != 0) fail(path_, "cannot read the status", errno);
    uint32_t mode = model.mode & modeMask;
    if (static_cast<uint32_t>(now.st_gid) != model.group) mode &= ~uint32_t{070};
    if (static_cast<uint32_t>(now.st_uid) != model.owner) mode &= ~uint32_t{06000};
    if (::fchmod(fd_, static_cast<mode_t>(mode)) != 0) fail(path_, "cannot set the permissions", errno);
}

void File::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileStatus statusOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return {};
    return fromStat(st);
}

std::string resolveLinks(const std::string& path) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(p.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<size_t>(n) >= link.size()) return p;
        link.resize(static_cast<size_t>(n));
        p = link.front() == '/' ? link : cat({directoryOf(p), link});
    }
    return p;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void removeQuietly(const char* path) { (void)::unlink(path); }
void removeQuietly(const std::string& path) { removeQuietly(path.c_str()); }

void replaceFile(const std::string& source, const std::string& target) {
    if (::rename(source.c_str(), target.c_str()) != 0) fail(target, "cannot replace", errno);
    // Make the rename itself durable.
    const std::string dir = directoryOf(target);
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

bool sparseFilesSupported(const std::string& directory) {
    const std::string probe = cat({directory, "/.vekdi-sparse-probe-", uniqueSuffix()});
    const int fd = ::open(probe.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool sparse = false;
    if (::ftruncate(fd, static_cast<off_t>(uint64_t{1} << 33)) == 0) {
        struct stat st;
        sparse = ::fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_blocks) * 512 < (uint64_t{1} << 20);
    }
    ::close(fd);
    removeQuietly(probe);
    return sparse;
}

#endif

File File::absent(const std::string& path) {
    File f;
    f.path_ = path;
    f.absent_ = true;
    return f;
}

bool sameFile(const std::string& a, const std::string& b) {
    const FileStatus x = statusOf(a), y = statusOf(b);
#if defined(_WIN32)
    if (!x.exists || !y.exists) return false;
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::path(wide(a)), std::filesystem::path(wide(b)), ec);
#else
    return x.exists && y.exists && x.device == y.device && x.inode == y.inode;
#endif
}

std::string baseName(const std::string& path) {
    const std::string dir = directoryOf(path);
    return path.substr(dir.size());
}

File createTemporaryBeside(const std::string& target) {
    const std::string dir = directoryOf(target);
    for (int attempt = 0;; ++attempt) {
        const std::string path = cat({dir, ".vekdi-tmp-", uniqueSuffix()});
        if (fileExists(path) && attempt < 16) continue;
        return File(path, File::Mode::Create);
    }
}

} // namespace vekdi::tool
