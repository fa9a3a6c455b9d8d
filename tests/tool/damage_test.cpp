// SPDX-License-Identifier: Apache-2.0
// Damage at and beyond the limits, damaged and foreign parity files, and a
// file over 4 GiB.
#include <fstream>
#include <gtest/gtest.h>

#include "files/file_io.h"
#include "format/format.h"
#include "tool_run.h"

namespace vekdi::test {
namespace {

struct Protected {
    ScratchDir dir;
    std::string f = dir.path("f"), g = dir.path("copy/f"), p = dir.path("f.vekdi"), out = dir.path("out");
    Bytes original;
    tool::Layout layout;
    Protected(size_t size, uint64_t blockSize) : original(randomBytes(size, 11)) {
        writeFile(f, original);
        layout = layoutFor(size, 12, blockSize);
        EXPECT_EQ(blockSize ? vekdi({"protect", f, "-b", std::to_string(blockSize)}) : vekdi({"protect", f}), 0);
    }
    void patchParity(uint64_t offset, std::initializer_list<uint8_t> bytes) {
        Bytes par = readFile(p);
        size_t i = static_cast<size_t>(offset);
        for (uint8_t b : bytes) par[i++] ^= b;
        writeFile(p, par);
    }
    // Verify and repair of `damaged` fail with `status`, writing nothing.
    void expectRefused(const Bytes& damaged, int status) {
        writeFile(g, damaged);
        std::filesystem::remove(out);
        EXPECT_EQ(vekdi({"verify", g, p}), status);
        EXPECT_EQ(vekdi({"repair", g, p, "-o", out}), status);
        EXPECT_FALSE(tool::fileExists(out));
        EXPECT_EQ(vekdi({"repair", g, p, "--in-place"}), status);
        EXPECT_TRUE(readFile(g) == damaged);
        EXPECT_TRUE(dir.strayTemporaries().empty());
    }
    void expectRepairs(const Bytes& damaged) {
        writeFile(g, damaged);
        EXPECT_EQ(vekdi({"verify", g, p}), 1);
        ASSERT_EQ(vekdi({"repair", g, p, "-o", out}), 0);
        EXPECT_TRUE(readFile(out) == original);
    }
};

TEST(ToolDamage, LostBlocksUpToTheLimitAndOneMore) {
    Protected t(300000, 512);
    ASSERT_GT(t.layout.stripes, 1u);
    Bytes damaged = t.original;
    for (int row = 0; row < t.layout.p; ++row)
        clobberBlock(damaged, t.layout, t.layout.blockAt(1, row * 3 % t.layout.k), static_cast<uint32_t>(row));
    t.expectRepairs(damaged);
    clobberBlock(damaged, t.layout, t.layout.blockAt(1, 100), 99);
    t.expectRefused(damaged, 2);
}

TEST(ToolDamage, DamagedParityFileStillServes) {
    Protected t(300000, 512);
    tool::Header h;
    h.layout = t.layout;
    // One header copy, one hash-table segment of copy A, and parity blocks
    // next to lost data blocks of the same stripe.
    t.patchParity(h.parityFileSize() - tool::kHeaderSize + 20, {0xff});
    t.patchParity(h.hashTableA() + 8, {0x01});
    Bytes damaged = t.original;
    const int half = t.layout.p / 2;
    for (int r = 0; r < half; ++r) {
        t.patchParity(h.parityOffset() + static_cast<uint64_t>(r) * t.layout.blockSize + 5, {0x80});
        clobberBlock(damaged, t.layout, t.layout.blockAt(0, r), static_cast<uint32_t>(r));
    }
    EXPECT_EQ(vekdi({"verify", t.f, t.p}), 0);
    EXPECT_EQ(vekdi({"info", t.p}), 0);
    t.expectRepairs(damaged);
    // Without its last bytes (header copy B) the parity file still serves.
    Bytes par = readFile(t.p);
    par.resize(par.size() - 100);
    writeFile(t.p, par);
    EXPECT_EQ(vekdi({"verify", t.f, t.p}), 0);
    // With no header copy left it is unusable.
    t.patchParity(0, {0x01});
    t.expectRefused(damaged, 4);
}

// Where the hashes of damaged blocks are lost, verify decides as repair does:
// by the whole-file hash of the rebuilt file (hashed, not written).
TEST(ToolDamage, VerifyAgreesWithRepairWithoutBlockHashes) {
    Protected t(20000, 512);
    tool::Header h;
    h.layout = t.layout;
    t.patchParity(h.hashTableA() + 8, {0x01});  // the first segment in both copies
    t.patchParity(h.hashTableB() + 8, {0x01});
    Bytes damaged = t.original;
    clobberBlock(damaged, t.layout, 0, 7);
    writeFile(t.g, damaged);
    const int64_t before = tool::statusOf(t.dir.path("copy")).modified;
    EXPECT_EQ(vekdi({"verify", t.g, t.p}), 1);
    EXPECT_EQ(tool::statusOf(t.dir.path("copy")).modified, before) << "verify writes nothing beside the file";
    t.expectRepairs(damaged);
    EXPECT_TRUE(t.dir.strayTemporaries().empty());
    // No hashes and no parity blocks (one stripe, all of its parity rows
    // gone) and a cut file: every codeword "decodes", but nothing can bring
    // the tail back.
    ScratchDir dir;
    const std::string f = dir.path("f"), p = dir.path("f.vekdi"), out = dir.path("out");
    writeFile(f, randomBytes(3018, 5));
    ASSERT_EQ(vekdi({"protect", f, "-r", "56"}), 0);
    Bytes par = readFile(p), cut = readFile(f);
    par.resize(tool::kHeaderSize + 1);
    cut.resize(2900);
    writeFile(p, par);
    writeFile(f, cut);
    EXPECT_EQ(vekdi({"verify", f, p}), 2);
    EXPECT_EQ(vekdi({"repair", f, p, "-o", out}), 5) << "a rebuild that does not give the original";
    EXPECT_FALSE(tool::fileExists(out));
    EXPECT_TRUE(dir.strayTemporaries().empty());
}

TEST(ToolDamage, ForeignAndUnknownParityFiles) {
    Protected t(100000, 0);
    // Of the same name, no block matching is damage beyond repair.
    Bytes other = randomBytes(t.original.size(), 12);
    t.expectRefused(other, 2);
    // Both copies naming a version this reader does not know.
    Protected v(100000, 0);
    const uint64_t end = readFile(v.p).size() - tool::kHeaderSize;
    v.patchParity(8, {0x01});
    v.patchParity(end + 8, {0x01});
    v.expectRefused(v.original, 4);
    EXPECT_EQ(vekdi({"info", v.p}), 4);
    // Not a parity file at all.
    writeFile(v.p, randomBytes(10000, 13));
    EXPECT_EQ(vekdi({"info", v.p}), 4);
    writeFile(v.p, {});
    EXPECT_EQ(vekdi({"verify", v.f, v.p}), 4);
}

// Over 4 GiB, sparse: run by its own test entry (see CMakeLists.txt).
TEST(ToolDamage, DISABLED_LargeSparseFile) {
    ScratchDir dir;
    if (!tool::sparseFilesSupported(dir.path("")))
        GTEST_SKIP() << "the file system here does not keep sparse files";
    const std::string f = dir.path("big"), p = dir.path("big.vekdi"), out = dir.path("copy/big");
    const uint64_t size = (uint64_t{1} << 32) + 123457;
    const Bytes head = randomBytes(100000, 14), tail = randomBytes(70000, 15);
    {
        std::ofstream o(f, std::ios::binary);
        o.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    }
    std::filesystem::resize_file(f, size);
    auto writeAt = [&](uint64_t at, const Bytes& b) {
        std::fstream io(f, std::ios::binary | std::ios::in | std::ios::out);
        io.seekp(static_cast<std::streamoff>(at));
        io.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    };
    writeAt(size - tail.size(), tail);
    ASSERT_EQ(vekdi({"protect", f, "-r", "1"}), 0);
    EXPECT_EQ(vekdi({"verify", f}), 0);
    // Damage past 4 GiB: the last block.
    writeAt(size - 1000, randomBytes(500, 16));
    EXPECT_EQ(vekdi({"verify", f}), 1);
    ASSERT_EQ(vekdi({"repair", f, p, "-o", out}), 0);
    EXPECT_EQ(vekdi({"verify", out, p}), 0);
    EXPECT_EQ(std::filesystem::file_size(out), size);
}

} // namespace
} // namespace vekdi::test
