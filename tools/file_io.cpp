// SPDX-License-Identifier: Apache-2.0
#include "file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
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
    handle_ = CreateFileW(wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) fail(path, mode == Mode::Read ? "cannot open" : "cannot create");
    if (mode == Mode::Read && isDirectory(path)) {
        close();
        throw IoError(cat({path, ": is a directory"}));
    }
}

File::~File() { close(); }
File::File(File&& other) noexcept : path_(std::move(other.path_)), handle_(other.handle_) {
    other.handle_ = INVALID_HANDLE_VALUE;
}
File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        handle_ = other.handle_;
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}
bool File::isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

uint64_t File::size() const {
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

void File::copyPermissionsFrom(const std::string&) {}

void File::close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool fileExists(const std::string& path) { return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isDirectory(const std::string& path) {
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void removeQuietly(const std::string& path) { DeleteFileW(wide(path).c_str()); }

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

File::File(const std::string& path, Mode mode) : path_(path) {
    const int flags = mode == Mode::Read ? O_RDONLY : O_RDWR | O_CREAT | O_EXCL;
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd_ < 0) fail(path, mode == Mode::Read ? "cannot open" : "cannot create", errno);
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        close();
        throw IoError(cat({path, ": is a directory"}));
    }
}

File::~File() { close(); }
File::File(File&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) { other.fd_ = -1; }
File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}
bool File::isOpen() const { return fd_ >= 0; }

uint64_t File::size() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0) fail(path_, "cannot read the size", errno);
    return static_cast<uint64_t>(st.st_size);
}

size_t File::readAt(uint64_t offset, void* buffer, size_t len) const {
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

void File::copyPermissionsFrom(const std::string& model) {
    struct stat st;
    if (::stat(model.c_str(), &st) == 0) (void)::fchmod(fd_, st.st_mode & 07777);
}

void File::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void removeQuietly(const std::string& path) { (void)::unlink(path.c_str()); }

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
    ::unlink(probe.c_str());
    return sparse;
}

#endif

File createTemporaryBeside(const std::string& target) {
    const std::string dir = directoryOf(target);
    for (int attempt = 0;; ++attempt) {
        const std::string path = cat({dir, ".vekdi-tmp-", uniqueSuffix()});
        if (fileExists(path) && attempt < 16) continue;
        return File(path, File::Mode::Create);
    }
}

} // namespace vekdi::tool
