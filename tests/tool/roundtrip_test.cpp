// SPDX-License-Identifier: Apache-2.0
// Protect, damage, verify, repair: the promised kinds of damage on files of
// the interesting sizes.
#include <gtest/gtest.h>

#include "files/file_io.h"
#include "format/format.h"
#include "tool_run.h"

namespace vekdi::test {
namespace {

// Protects `original` (with extra protect arguments), then checks that
// `damaged` verifies as repairable and repairs to the original.
void expectRepaired(const Bytes& original, const Bytes& damaged, const std::vector<std::string>& protectArgs = {}) {
    ScratchDir dir;
    const std::string f = dir.path("f"), g = dir.path("copy/f"), p = dir.path("f.par"), out = dir.path("out");
    writeFile(f, original);
    std::vector<std::string> args{"protect", f, "-o", p};
    args.insert(args.end(), protectArgs.begin(), protectArgs.end());
    ASSERT_EQ(vekdi(args), 0);
    EXPECT_EQ(vekdi({"verify", f, p}), 0);
    writeFile(g, damaged);
    EXPECT_EQ(vekdi({"verify", g, p}), damaged == original ? 0 : 1);
    ASSERT_EQ(vekdi({"repair", g, p, "-o", out}), 0);
    EXPECT_TRUE(readFile(out) == original);
    ASSERT_EQ(vekdi({"repair", g, p, "--in-place"}), 0);
    EXPECT_TRUE(readFile(g) == original);
    EXPECT_TRUE(dir.strayTemporaries().empty());
}

TEST(ToolRoundTrip, SizesFromEmptyToSeveralStripes) {
    Bytes one = randomBytes(1, 2), oneBad = one;
    oneBad[0] ^= 0x40;
    expectRepaired(one, oneBad);
    // A block minus one byte, and a file of several stripes with small blocks.
    const Bytes partial = randomBytes(4095, 3);
    Bytes partialBad = partial;
    partialBad.resize(4000);
    expectRepaired(partial, partialBad, {"-b", "4096"});
    const Bytes striped = randomBytes(300000, 4);
    const tool::Layout l = layoutFor(striped.size(), 12, 256);
    ASSERT_GT(l.stripes, 2u);
    Bytes stripedBad = striped;
    for (uint64_t b = 0; b < l.dataBlocks; b += 11) clobberBlock(stripedBad, l, b, static_cast<uint32_t>(b));
    expectRepaired(striped, stripedBad, {"-b", "256"});
}

// data/sample.bin.vekdi was written by an earlier build for randomBytes(150001,
// 2501) named sample.bin, with -b 512: two stripes of 147 + 17 blocks, the
// last block partial and one virtual. Protect must still write exactly these
// bytes, and this file (and its version 1 form, without the name) must still
// repair the file's erasures and its scattered errors.
TEST(ToolRoundTrip, StoredParityFileOfEarlierVersions) {
    ScratchDir dir;
    const std::string f = dir.path("sample.bin"), p = dir.path("sample.bin.vekdi"), out = dir.path("out");
    const std::string g = dir.path("copy/sample.bin");
    const Bytes original = randomBytes(150001, 2501);
    const Bytes stored = readFile(VEKDI_TOOL_TEST_DATA "/sample.bin.vekdi");
    ASSERT_EQ(stored.size(), 22912u);
    writeFile(f, original);
    ASSERT_EQ(vekdi({"protect", f, "-b", "512"}), 0);
    EXPECT_TRUE(readFile(p) == stored) << "protect writes what earlier builds wrote";

    Bytes burst = original, scattered = original;
    std::fill(burst.begin() + 10000, burst.begin() + 15000, uint8_t{0});  // ten blocks: erasures
    for (size_t b = 0; b < 293; b += 3) scattered[std::min<size_t>(b * 512 + b * 37 % 512, 150000)] ^= 0x5A;
    for (int version : {2, 1}) {
        SCOPED_TRACE(version);
        Bytes parity = stored;
        if (version == 1) {
            tool::File par(p, tool::File::Mode::Read);
            tool::Header h = tool::readParityInfo(par).header;
            h.version = 1;
            h.nameHash = 0;
            const auto head = h.encode();
            std::copy(head.begin(), head.end(), parity.begin());
            std::copy(head.begin(), head.end(), parity.end() - static_cast<std::ptrdiff_t>(head.size()));
        }
        writeFile(p, parity);
        EXPECT_EQ(vekdi({"verify", f}), 0);
        for (const Bytes& damaged : {burst, scattered}) {
            writeFile(g, damaged);
            EXPECT_EQ(vekdi({"verify", g, p}), 1);
            EXPECT_EQ(vekdi({"repair", g, p, "-o", out, "--force"}), 0);
            EXPECT_TRUE(readFile(out) == original);
        }
    }
}

TEST(ToolRoundTrip, PromisedBurstAtFiveTwelveAndFiftyPercent) {
    const Bytes original = randomBytes(1 << 20, 5);
    for (int percent : {5, 12, 50}) {
        SCOPED_TRACE(percent);
        const size_t run = original.size() * static_cast<size_t>(percent - 2) / 100;
        Bytes damaged = original;
        const size_t start = 12345; // not on a block boundary
        for (size_t i = start; i < start + run; ++i) damaged[i] = 0;
        expectRepaired(original, damaged, {"-r", std::to_string(percent)});
    }
}

TEST(ToolRoundTrip, ScatteredByteErrorsInEveryBlock) {
    // One byte in a thousand changed, all over the file: every block's hash fails.
    const Bytes original = randomBytes(1 << 20, 6);
    Bytes damaged = original;
    std::mt19937 rng(7);
    for (size_t i = 0; i < original.size() / 1000; ++i)
        damaged[rng() % damaged.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
    expectRepaired(original, damaged);
}

TEST(ToolRoundTrip, TruncatedAndExtendedFiles) {
    const Bytes original = randomBytes(1 << 20, 8);
    Bytes cut = original;
    cut.resize(original.size() - original.size() / 20);
    expectRepaired(original, cut);
    Bytes longer = original;
    longer.resize(original.size() + 777, 0x5a);
    expectRepaired(original, longer);
}

TEST(ToolRoundTrip, UsageErrorsWriteNothing) {
    ScratchDir dir;
    const std::string f = dir.path("f"), p = dir.path("f.vekdi");
    writeFile(f, randomBytes(5000, 9));
    EXPECT_EQ(vekdi({"protect", dir.path("missing")}), 3);
    EXPECT_EQ(vekdi({"protect", f}), 0);
    EXPECT_EQ(vekdi({"protect", f}), 3) << "an existing parity file is replaced only with --force";
    EXPECT_EQ(vekdi({"protect", f, "--force", "-r", "30"}), 0);
    EXPECT_EQ(vekdi({"protect", f, "-r", "0", "--force"}), 3);
    EXPECT_EQ(vekdi({"verify", f, dir.path("nothing.vekdi")}), 3);
    EXPECT_EQ(vekdi({"repair", f}), 3) << "repair needs -o or --in-place";
    EXPECT_EQ(vekdi({"repair", f, "-o", dir.path("no-such-dir") + "/out"}), 6);
    EXPECT_EQ(vekdi({"repair", f, "-o", p}), 3);
    EXPECT_EQ(vekdi({"frobnicate"}), 3);
    EXPECT_EQ(vekdi({"info", p}), 0);
    EXPECT_TRUE(dir.strayTemporaries().empty());
}

} // namespace
} // namespace vekdi::test
