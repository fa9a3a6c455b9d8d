// SPDX-License-Identifier: Apache-2.0
#include "tool_run.h"

#include <fstream>
#include <string_view>
#include <gtest/gtest.h>

#include "commands.h"

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

std::vector<std::string> ScratchDir::strayTemporaries() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        if (e.path().filename().string().rfind(".vekdi-tmp-", 0) == 0) out.push_back(e.path().string());
    return out;
}

int vekdi(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"vekdi", "-q"};
    for (const auto& a : args) argv.push_back(a.c_str());
    return tool::runCli(static_cast<int>(argv.size()), argv.data());
}

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
