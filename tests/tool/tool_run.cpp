// SPDX-License-Identifier: Apache-2.0
#include "tool_run.h"

#include <cstdio>
#include <fstream>
#include <string_view>
#include <gtest/gtest.h>

#include "commands/commands.h"

#if defined(_WIN32)
#include <process.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace vekdi::test {

ScratchDir::ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    static int serial = 0;
    std::string name;
    for (std::string_view part : {std::string_view("vekdi-tool-"), std::string_view(info ? info->name() : "test"),
                                  std::string_view("-")})
        name.append(part);
    name.append(std::to_string(serial++));
    for (char& ch : name)
        if (ch == '/') ch = '_';
    dir_ = std::filesystem::current_path() / name;
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string ScratchDir::path(const std::string& name) const {
    const auto p = dir_ / name;
    std::filesystem::create_directories(p.parent_path());
    return p.string();
}

std::vector<std::string> ScratchDir::strayTemporaries() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir_))
        if (e.path().filename().string().rfind(".vekdi-tmp-", 0) == 0) out.push_back(e.path().string());
    return out;
}

std::string programPath;

int vekdi(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"vekdi", "-q"};
    for (const auto& a : args) argv.push_back(a.c_str());
    if (programPath.empty()) return tool::runCli(static_cast<int>(argv.size()), argv.data());
#if defined(_WIN32)
    argv[0] = programPath.c_str();
    argv.push_back(nullptr);
    // _spawnv joins the arguments with spaces: quote each one.
    std::vector<std::string> quoted;
    for (size_t i = 0; i + 1 < argv.size(); ++i) {
        std::string one(1, '"');  // appended piecewise: GCC 12 warns falsely on "\"" + s + "\""
        one += argv[i];
        one += '"';
        quoted.push_back(std::move(one));
    }
    std::vector<const char*> q;
    for (const auto& a : quoted) q.push_back(a.c_str());
    q.push_back(nullptr);
    return static_cast<int>(_spawnv(_P_WAIT, programPath.c_str(), q.data()));
#else
    std::vector<std::string> full{"-q"};
    full.insert(full.end(), args.begin(), args.end());
    const int pid = startProgram(full);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
}

int vekdiOutput(const std::vector<std::string>& args, std::string& out) {
    int status = 0;
    if (programPath.empty()) {
        std::vector<const char*> argv{"vekdi"};
        for (const auto& a : args) argv.push_back(a.c_str());
        std::fflush(stdout);
        ::testing::internal::CaptureStdout();
        status = tool::runCli(static_cast<int>(argv.size()), argv.data());
        std::fflush(stdout);
        out = ::testing::internal::GetCapturedStdout();
        return status;
    }
#if defined(_WIN32)
    ADD_FAILURE() << "output capture through --program is POSIX only";
    return -1;
#else
    const std::string file = std::filesystem::temp_directory_path().string() + "/vekdi-out-" +
                             std::to_string(::getpid());
    std::vector<char*> argv{const_cast<char*>(programPath.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, programPath.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    const Bytes bytes = readFile(file);
    std::filesystem::remove(file);
    out.assign(bytes.begin(), bytes.end());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
}

#if !defined(_WIN32)
int startProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(programPath.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, programPath.c_str(), nullptr, nullptr, argv.data(), environ), 0) << programPath;
    return static_cast<int>(pid);
}
#endif

Bytes randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>(rng());
    return b;
}

Bytes readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

tool::Layout layoutFor(uint64_t size, int percent, uint64_t blockSize) {
    return tool::Layout::choose(size, percent, blockSize, nullptr);
}

void clobberBlock(Bytes& data, const tool::Layout& layout, uint64_t block, uint32_t seed) {
    ASSERT_LT(block, layout.dataBlocks);
    const Bytes noise = randomBytes(static_cast<size_t>(layout.blockLength(block)), seed);
    for (size_t i = 0; i < noise.size(); ++i)
        data[static_cast<size_t>(layout.blockOffset(block)) + i] ^= static_cast<uint8_t>(noise[i] | 1);
}

} // namespace vekdi::test
