// SPDX-License-Identifier: Apache-2.0
// What a user reaches for beyond protect, verify and repair: a listing of the
// damage, a deleted file rebuilt from its parity file alone, many files.
#include <gtest/gtest.h>

#include "files/file_io.h"
#include "tool_run.h"

namespace vekdi::test {
namespace {

TEST(ToolFeatures, VerifyListsTheDamagedRanges) {
    ScratchDir dir;
    const std::string f = dir.path("f");
    const Bytes original = randomBytes(300000, 31);
    writeFile(f, original);
    ASSERT_EQ(vekdi({"protect", f, "-b", "1000"}), 0);
    Bytes damaged = original;
    for (size_t i = 2500; i < 4500; ++i) damaged[i] ^= 0x11;  // blocks 2-4
    damaged[123456] ^= 1;                                      // block 123
    damaged.resize(299500);                                    // block 299 cut
    writeFile(f, damaged);
    std::string out;
    EXPECT_EQ(vekdiOutput({"verify", f, "--list"}, out), 1);
    EXPECT_NE(out.find("bytes 2000-4999 (blocks 2-4) damaged"), std::string::npos) << out;
    EXPECT_NE(out.find("bytes 123000-123999 (blocks 123-123) damaged"), std::string::npos) << out;
    EXPECT_NE(out.find("bytes 299000-299999 (blocks 299-299) damaged"), std::string::npos) << out;
    EXPECT_EQ(out.find("nothing written"), std::string::npos);
}

TEST(ToolFeatures, DeletedFileRebuiltWhereParityAffordsIt) {
    ScratchDir dir;
    const std::string f = dir.path("f"), out = dir.path("out");
    const Bytes original = randomBytes(200000, 32);
    writeFile(f, original);
    ASSERT_EQ(vekdi({"protect", f}), 0);
    std::string info;
    EXPECT_EQ(vekdiOutput({"info", f + ".vekdi"}, info), 0);
    EXPECT_NE(info.find("cannot be rebuilt"), std::string::npos) << info;
    std::filesystem::remove(f);
    EXPECT_EQ(vekdi({"repair", f, "-o", out}), 2);
    EXPECT_FALSE(tool::fileExists(out));
    EXPECT_EQ(vekdi({"verify", f}), 3) << "verify needs the file";
    EXPECT_EQ(vekdi({"repair", f, "--in-place"}), 3);

    writeFile(f, original);
    ASSERT_EQ(vekdi({"protect", f, "-r", "100", "--force"}), 0);
    EXPECT_EQ(vekdiOutput({"info", f + ".vekdi"}, info), 0);
    EXPECT_NE(info.find("can be rebuilt"), std::string::npos) << info;
    std::filesystem::remove(f);
    ASSERT_EQ(vekdi({"repair", f, "-o", out}), 0);
    EXPECT_TRUE(readFile(out) == original);
    EXPECT_TRUE(dir.strayTemporaries().empty());
}

TEST(ToolFeatures, ManyFilesAndFolders) {
    ScratchDir dir;
    const std::string a = dir.path("d/a"), b = dir.path("d/sub/b"), c = dir.path("c");
    const Bytes bytesA = randomBytes(100000, 33), bytesB = randomBytes(50000, 34);
    writeFile(a, bytesA);
    writeFile(b, bytesB);
    writeFile(c, randomBytes(100000, 35));
#if !defined(_WIN32)
    std::filesystem::create_symlink(a, dir.path("d/link"));
#endif
    ASSERT_EQ(vekdi({"protect", "-R", dir.path("d"), c}), 0);
    EXPECT_TRUE(tool::fileExists(a + ".vekdi") && tool::fileExists(b + ".vekdi") && tool::fileExists(c + ".vekdi"));
    EXPECT_FALSE(tool::fileExists(dir.path("d/link.vekdi"))) << "symlinks are not followed";
    EXPECT_FALSE(tool::fileExists(a + ".vekdi.vekdi")) << "parity files are not protected";
    EXPECT_EQ(vekdi({"protect", "-R", dir.path("d")}), 0) << "unchanged files are skipped";
    // One file damaged, one beyond repair: each reported, the worst status returned.
    Bytes damagedA = bytesA;
    for (size_t i = 100; i < 3000; ++i) damagedA[i] = 0;
    writeFile(a, damagedA);
    writeFile(c, randomBytes(100000, 36));
    EXPECT_EQ(vekdi({"verify", a, b}), 1);
    EXPECT_EQ(vekdi({"verify", "-R", dir.path("d"), c}), 2);
    EXPECT_EQ(vekdi({"repair", a, b, c, "--in-place"}), 2);
    EXPECT_TRUE(readFile(a) == bytesA);
    EXPECT_EQ(vekdi({"verify", "-R", dir.path("d")}), 0);
    EXPECT_EQ(vekdi({"repair", a, b, "-o", dir.path("out")}), 3) << "-o goes with a single file";
    // A file changed since it was protected is protected again only with --force.
    writeFile(b, randomBytes(60000, 37));
    EXPECT_EQ(vekdi({"protect", "-R", dir.path("d")}), 3);
    EXPECT_EQ(vekdi({"protect", "-R", dir.path("d"), "--force"}), 0);
    EXPECT_EQ(vekdi({"verify", b}), 0);
}

TEST(ToolFeatures, ManyFilesAtOnceAsOneByOne) {
    // Files spread over the threads (one large enough for several) give the
    // parity files one by one gives, and their lines in the order given.
    ScratchDir dir;
    std::vector<std::string> files;
    std::vector<Bytes> contents;
    for (int i = 0; i < 24; ++i) {
        files.push_back(dir.path(std::string("f").append(std::to_string(i * 7 % 24))));
        contents.push_back(randomBytes(i == 5 ? (9u << 20) + 77 : 1000 + 3001 * static_cast<size_t>(i), 60 + i));
        writeFile(files.back(), contents.back());
    }
    auto many = [&](std::vector<std::string> args, std::string& out) {
        args.insert(args.end(), {"-j", "4"});
        args.insert(args.end(), files.begin(), files.end());
        return vekdiOutput(args, out);
    };
    auto lines = [&](const std::vector<std::string>& each, const std::string& summary) {
        std::string all;
        for (size_t i = 0; i < files.size(); ++i)
            if (!each[i].empty()) all.append(files[i]).append(": ").append(each[i]).append("\n");
        return all.append(summary).append("\n");
    };
    std::string out;
    ASSERT_EQ(many({"protect"}, out), 0);
    EXPECT_EQ(out, lines(std::vector<std::string>(files.size(), "protected"),
                         "24 files: 24 protected, 0 not (worst exit status 0)"));
    for (const std::string& f : files) {
        ASSERT_EQ(vekdi({"protect", f, "-o", f + ".one"}), 0);
        EXPECT_TRUE(readFile(f + ".one") == readFile(f + ".vekdi")) << f;
    }
    // One file repairable, one beyond repair: each line in its place, the
    // worst status returned, the repairable one repaired.
    std::vector<std::string> verdicts(files.size(), "intact");
    Bytes damaged = contents[3];
    for (size_t i = 10; i < 2000; ++i) damaged[i] ^= 0x77;
    writeFile(files[3], damaged);
    verdicts[3] = "damaged, repairable";
    writeFile(files[17], randomBytes(contents[17].size(), 99));
    verdicts[17] = "";
    EXPECT_EQ(many({"verify"}, out), 2);
    EXPECT_EQ(out, lines(verdicts, "24 files: 22 intact, 2 not (worst exit status 2)"));
    EXPECT_EQ(many({"repair", "--in-place"}, out), 2);
    EXPECT_TRUE(readFile(files[3]) == contents[3]);
}

} // namespace
} // namespace vekdi::test
