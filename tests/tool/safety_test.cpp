// SPDX-License-Identifier: Apache-2.0
// The ordinary mistakes and accidents that must never cost data: outputs that
// are an input under another name, non-regular files, permissions, in-place
// repair through links, files changing while read, signals, parity files of
// other files or of a shorter version of the file, and hostile parity files.
#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>
#include <gtest/gtest.h>

#include "commands/commands.h"
#include "base/errors.h"
#include "files/file_io.h"
#include "format/format.h"
#include "tool_run.h"

#if !defined(_WIN32)
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vekdi::test {
namespace {

namespace fs = std::filesystem;

// A protected file "f" and a damaged copy of the same name in copy/.
struct Damaged {
    ScratchDir dir;
    std::string f = dir.path("f"), p = dir.path("f.vekdi"), g = dir.path("copy/f"), out = dir.path("out");
    Bytes original = randomBytes(200000, 21), damaged = original;
    Damaged() {
        writeFile(f, original);
        EXPECT_EQ(vekdi({"protect", f}), 0);
        for (size_t i = 5000; i < 9000; ++i) damaged[i] = 0;
        writeFile(g, damaged);
    }
};

#if !defined(_WIN32)
// Symlinks, FIFOs, permissions and signals: POSIX only.
uint32_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return static_cast<uint32_t>(st.st_mode & 07777);
}

TEST(ToolSafety, OutputIsNeverAnInputUnderAnotherName) {
    Damaged t;
    const Bytes parity = readFile(t.p);
    fs::create_hard_link(t.f, t.dir.path("hard"));
    fs::create_symlink(t.f, t.dir.path("soft"));
    const std::string spellings[] = {t.dir.path("./f"), fs::absolute(t.f).string(), t.dir.path("copy/../f"),
                                     t.dir.path("hard"), t.dir.path("soft")};
    for (const std::string& same : spellings) {
        SCOPED_TRACE(same);
        EXPECT_EQ(vekdi({"protect", t.f, "-o", same, "--force"}), 3);
        EXPECT_EQ(vekdi({"repair", t.f, t.p, "-o", same, "--force"}), 3);
    }
    // Repair's output is neither the damaged file nor the parity file.
    fs::create_symlink(t.p, t.dir.path("par-link"));
    EXPECT_EQ(vekdi({"repair", t.g, t.p, "-o", t.dir.path("copy/./f"), "--force"}), 3);
    EXPECT_EQ(vekdi({"repair", t.g, t.p, "-o", t.dir.path("par-link"), "--force"}), 3);
    EXPECT_EQ(vekdi({"verify", t.f, t.dir.path("soft")}), 3) << "a parity file that is FILE itself";
    EXPECT_TRUE(readFile(t.f) == t.original);
    EXPECT_TRUE(readFile(t.g) == t.damaged);
    EXPECT_TRUE(readFile(t.p) == parity);
    // An existing output is replaced only with --force.
    const std::string keep = t.dir.path("keep.txt");
    writeFile(keep, {1, 2, 3});
    EXPECT_EQ(vekdi({"repair", t.g, t.p, "-o", keep}), 3);
    EXPECT_TRUE(readFile(keep) == Bytes({1, 2, 3}));
    EXPECT_EQ(vekdi({"repair", t.g, t.p, "-o", keep, "--force"}), 0);
    EXPECT_TRUE(readFile(keep) == t.original);
    EXPECT_TRUE(t.dir.strayTemporaries().empty());
}

TEST(ToolSafety, OnlyRegularFilesAreReadOrReplaced) {
    Damaged t;
    const std::string fifo = t.dir.path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(vekdi({"protect", fifo}), 3);
    EXPECT_FALSE(fs::exists(fifo + ".vekdi"));
    EXPECT_EQ(vekdi({"protect", "/dev/null", "-o", t.dir.path("null.vekdi")}), 3);
    EXPECT_FALSE(fs::exists(t.dir.path("null.vekdi")));
    EXPECT_EQ(vekdi({"verify", fifo, t.p}), 3);
    EXPECT_EQ(vekdi({"verify", t.f, fifo}), 3);
    EXPECT_EQ(vekdi({"protect", t.f, "-o", fifo, "--force"}), 3);
    EXPECT_EQ(vekdi({"repair", t.g, t.p, "-o", fifo, "--force"}), 3);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(vekdi({"protect", t.dir.path("copy")}), 3);
    EXPECT_TRUE(t.dir.strayTemporaries().empty());
}

TEST(ToolSafety, OutputsAreNoMoreReadableThanTheirSource) {
    Damaged t;
    const std::string secret = t.dir.path("secret"), restricted = t.dir.path("copy/secret");
    writeFile(secret, t.original);
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    ASSERT_EQ(vekdi({"protect", secret}), 0);
    EXPECT_EQ(modeOf(secret + ".vekdi"), 0600u);
    writeFile(restricted, t.damaged);
    ASSERT_EQ(::chmod(restricted.c_str(), 0640), 0);
    ASSERT_EQ(vekdi({"repair", restricted, secret + ".vekdi", "-o", t.out}), 0);
    EXPECT_EQ(modeOf(t.out), 0640u);
    // In place: mode, owner and group stay (another owner where the process may give it).
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(restricted.c_str(), 12345, 23456), 0);
    }
    ASSERT_EQ(vekdi({"repair", restricted, secret + ".vekdi", "--in-place"}), 0);
    EXPECT_TRUE(readFile(restricted) == t.original);
    struct stat st {};
    ASSERT_EQ(::stat(restricted.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 12345u);
        EXPECT_EQ(st.st_gid, 23456u);
    }
}

TEST(ToolSafety, InPlaceRepairFollowsSymlinksAndKeepsHardLinks) {
    Damaged t;
    const std::string link = t.dir.path("link/f");
    fs::create_symlink(fs::absolute(t.g), link);
    ASSERT_EQ(vekdi({"repair", link, t.p, "--in-place"}), 0);
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    EXPECT_TRUE(readFile(t.g) == t.original) << "the file it points to is repaired";
    EXPECT_TRUE(t.dir.strayTemporaries().empty());
    // A file with another hard link is refused in place, and -o serves.
    writeFile(t.g, t.damaged);
    fs::create_hard_link(t.g, t.dir.path("other/f"));
    EXPECT_EQ(vekdi({"repair", t.g, t.p, "--in-place"}), 3);
    EXPECT_TRUE(readFile(t.dir.path("other/f")) == t.damaged);
    EXPECT_EQ(fs::hard_link_count(t.g), 2u);
    EXPECT_EQ(vekdi({"repair", t.g, t.p, "-o", t.out}), 0);
    EXPECT_TRUE(readFile(t.out) == t.original);
}

// While protect reads the file, another writer changes a byte now and then
// without changing its size.
// Protect in this process with too little memory for the parity, so that
// it reads the file in stripe order and again in order; the exit status.
int protectTwice(const std::string& file, const std::string& parity, bool force, uint64_t blockSize = 0) {
    tool::ProtectOptions options;
    options.blockSize = blockSize;
    options.file = file;
    options.parity = parity;
    options.force = force;
    options.parityInMemory = 1;
    tool::RunOptions run;
    run.quiet = true;
    try {
        return tool::protectCommand(options, run);
    } catch (const tool::Failure& failure) {
        return failure.status();
    }
}

TEST(ToolSafety, ReadingTwiceWritesTheSameParityFile) {
    ScratchDir dir;
    const std::string f = dir.path("f"), p = dir.path("f.vekdi"), q = dir.path("q");
    writeFile(f, randomBytes(300001, 23));
    ASSERT_EQ(vekdi({"protect", f, "-b", "512"}), 0);
    ASSERT_EQ(protectTwice(f, q, false, 512), 0);
    EXPECT_TRUE(readFile(p) == readFile(q));
}

TEST(ToolSafety, FileChangedWhileProtectedLeavesNoParityFile) {
    ScratchDir dir;
    const std::string f = dir.path("db"), p = dir.path("db.vekdi");
    writeFile(f, randomBytes(32u << 20, 22));
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const int fd = ::open(f.c_str(), O_WRONLY);
        for (uint8_t v = 0; !stop; ++v) {
            (void)::pwrite(fd, &v, 1, static_cast<off_t>(v) * 100003);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(fd);
    });
    const int fresh = vekdi({"protect", f});
    writeFile(p, {9, 9, 9});
    const int existing = vekdi({"protect", f, "--force"});
    // Parity too large to hold: the file is read twice, and a change between
    // the reads is seen too.
    const int twice = protectTwice(f, p, true);
    stop = true;
    writer.join();
    EXPECT_EQ(fresh, 6);
    EXPECT_EQ(existing, 6);
    EXPECT_EQ(twice, 6);
    EXPECT_TRUE(readFile(p) == Bytes({9, 9, 9})) << "an existing parity file stays untouched";
    EXPECT_TRUE(dir.strayTemporaries().empty());
}

// Waits for the program's temporary file to appear (false when it ended first).
bool awaitTemporary(const ScratchDir& dir, int pid, std::string* found) {
    for (int i = 0; i < 20000; ++i) {
        const auto temps = dir.strayTemporaries();
        if (!temps.empty()) {
            *found = temps.front();
            return true;
        }
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

TEST(ToolSafety, SignalsRemoveTemporariesAndKillLeavesNoTornFile) {
    if (programPath.empty()) GTEST_SKIP() << "needs --program PATH";
    ScratchDir dir;
    const std::string f = dir.path("f"), p = dir.path("f.vekdi"), g = dir.path("copy/f");
    const Bytes original = randomBytes(48u << 20, 23);
    writeFile(f, original);
    ASSERT_EQ(::chmod(f.c_str(), 0600), 0);
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        const int pid = startProgram({"-q", "protect", f, "-j", "1", "--force"});
        std::string temp;
        const bool caught = awaitTemporary(dir, pid, &temp);
        if (caught) {
            EXPECT_EQ(modeOf(temp) & 077, 0u) << "created no more readable than the file";
            ::kill(pid, sig);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!caught) GTEST_SKIP() << "the program finished before it could be interrupted";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
        EXPECT_TRUE(dir.strayTemporaries().empty());
    }
    // Many files at once: every temporary file under way is removed, even
    // one being created on another thread as the signal arrives.
    std::vector<std::string> many{"-q", "protect", "-j", "4", "-R", dir.path("many")};
    for (int i = 0; i < 600; ++i) writeFile(dir.path("many/" + std::to_string(i)), randomBytes(2000, i));
    for (int delay : {5, 40, 150}) {
        SCOPED_TRACE(delay);
        for (const auto& e : fs::directory_iterator(dir.path("many")))
            if (e.path().extension() == ".vekdi") fs::remove(e.path());
        const int pid = startProgram(many);
        std::string temp;
        const bool caught = awaitTemporary(dir, pid, &temp);
        if (caught) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            ::kill(pid, SIGINT);
            ::waitpid(pid, nullptr, 0);
        }
        EXPECT_TRUE(dir.strayTemporaries().empty());
    }
    fs::remove_all(dir.path("many"));
    ASSERT_EQ(vekdi({"protect", f, "--force"}), 0);
    // kill -9 while repair replaces the file: the old file or the whole new one.
    Bytes damaged = original;
    for (size_t i = 1000; i < 2000000; ++i) damaged[i] = 0;
    writeFile(g, damaged);
    ASSERT_EQ(::chmod(g.c_str(), 0600), 0);
    const int pid = startProgram({"-q", "repair", g, p, "--in-place", "-j", "1"});
    std::string temp;
    if (awaitTemporary(dir, pid, &temp)) {
        EXPECT_EQ(modeOf(temp) & 077, 0u);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::kill(pid, SIGKILL);
    }
    ::waitpid(pid, nullptr, 0);
    const Bytes after = readFile(g);
    EXPECT_TRUE(after == damaged || after == original);
}
#endif

TEST(ToolSafety, AppendedBytesAndOtherNames) {
    ScratchDir dir;
    // A parity file of the empty file, then of a prefix, for a longer file of that name.
    const std::string f = dir.path("f"), g = dir.path("copy/f"), p = dir.path("f.vekdi");
    const Bytes whole = randomBytes(500000, 24);
    for (size_t kept : {size_t{0}, size_t{1000}}) {
        SCOPED_TRACE(kept);
        writeFile(f, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(kept)));
        ASSERT_EQ(vekdi({"protect", f, "--force"}), 0);
        writeFile(g, whole);
        EXPECT_EQ(vekdi({"verify", g, p}), 2);
        EXPECT_EQ(vekdi({"repair", g, p, "--in-place"}), 2);
        EXPECT_TRUE(readFile(g) == whole);
        EXPECT_EQ(vekdi({"repair", g, p, "--in-place", "--force"}), 0) << "--force cuts them";
        EXPECT_EQ(readFile(g).size(), kept);
    }
    // A parity file recorded for another name is refused unless forced.
    const std::string other = dir.path("other");
    writeFile(other, whole);
    EXPECT_EQ(vekdi({"verify", other, p}), 4);
    EXPECT_EQ(vekdi({"repair", other, p, "-o", dir.path("out")}), 4);
    EXPECT_FALSE(fs::exists(dir.path("out")));
    EXPECT_EQ(vekdi({"verify", other, p, "--force"}), 1) << "forced: the appended bytes are damage";
    // A parity file written before names were recorded (format version 1) still serves, under any name.
    writeFile(f, whole);
    ASSERT_EQ(vekdi({"protect", f, "--force"}), 0);
    {
        tool::File par(p, tool::File::Mode::Read);
        tool::Header h = tool::readParityInfo(par).header;
        h.version = 1;
        h.nameHash = 0;
        const auto head = h.encode();
        Bytes bytes = readFile(p);
        std::copy(head.begin(), head.end(), bytes.begin());
        std::copy(head.begin(), head.end(), bytes.end() - static_cast<std::ptrdiff_t>(head.size()));
        writeFile(p, bytes);
    }
    EXPECT_EQ(vekdi({"verify", other, p}), 0);
    EXPECT_EQ(vekdi({"info", p}), 0);
}

TEST(ToolSafety, DamagedHeaderAndHashTablesOfAnIntactFile) {
    Damaged t;
    tool::File par(t.p, tool::File::Mode::Read);
    const tool::Header h = tool::readParityInfo(par).header;
    par.close();
    // Copy A's version field flipped to 1025 and bytes appended to the parity
    // file: copy B is found where it is, and it is not a version question.
    Bytes bytes = readFile(t.p);
    bytes[9] ^= 0x04;
    bytes.resize(bytes.size() + 1000, 0x33);
    writeFile(t.p, bytes);
    EXPECT_EQ(vekdi({"verify", t.f, t.p}), 0);
    EXPECT_EQ(vekdi({"repair", t.g, t.p, "-o", t.out}), 0);
    EXPECT_TRUE(readFile(t.out) == t.original);
    // Both copies of the first hash-table segment lost: the whole-file hash
    // still says the file is intact.
    bytes[static_cast<size_t>(h.hashTableA()) + 8] ^= 1;
    bytes[static_cast<size_t>(h.hashTableB()) + 8] ^= 1;
    writeFile(t.p, bytes);
    EXPECT_EQ(vekdi({"verify", t.f, t.p}), 0);
    EXPECT_EQ(vekdi({"repair", t.f, t.p, "--in-place"}), 0);
    EXPECT_TRUE(readFile(t.f) == t.original);
}

#if !defined(_WIN32)
// What a folder looks like to someone watching it: its names, and the times
// any creation or removal in it changes.
std::string folderState(const std::string& dir) {
    struct stat st {};
    EXPECT_EQ(::stat(dir.c_str(), &st), 0);
    std::string state = std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + " " +
                        std::to_string(st.st_ctim.tv_sec) + "." + std::to_string(st.st_ctim.tv_nsec);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) state += " " + n;
    return state;
}

TEST(ToolSafety, VerifyNeverWritesEvenToLearnWhetherARepairHolds) {
    // Every block hash lost (the table is one segment, damaged in both
    // copies): only the whole-file hash of the rebuilt file tells, and every
    // block of the 36 MiB file is rebuilt, more than verify may hold.
    ScratchDir dir;
    const std::string ro = dir.path("ro"), f = dir.path("ro/f"), p = dir.path("ro/f.vekdi"), out = dir.path("out");
    const uint64_t block = 4u << 20;
    const Bytes original = randomBytes(9 * block - 4321, 41);
    writeFile(f, original);
    ASSERT_EQ(vekdi({"protect", f, "-b", std::to_string(block)}), 0);
    Bytes parity = readFile(p);
    {
        tool::File par(p, tool::File::Mode::Read);
        const tool::Header h = tool::readParityInfo(par).header;
        ASSERT_EQ(h.layout.stripes, 1u);
        parity[static_cast<size_t>(h.hashTableA()) + 8] ^= 1;
        parity[static_cast<size_t>(h.hashTableB()) + 8] ^= 1;
    }
    writeFile(p, parity);
    Bytes damaged = original;
    for (size_t i = 2 * block + 100; i < 2 * block + 9000; ++i) damaged[i] ^= 0x5a;
    writeFile(f, damaged);
    ::chmod(ro.c_str(), 0555);
    std::string before = folderState(ro);
    EXPECT_EQ(vekdi({"verify", f}), 1);
    EXPECT_EQ(folderState(ro), before);
    EXPECT_EQ(vekdi({"repair", f, "-o", out}), 0);
    EXPECT_TRUE(readFile(out) == original);
    // The same bytes of a second block damaged too: beyond repair.
    for (size_t i = 6 * block + 100; i < 6 * block + 9000; ++i) damaged[i] ^= 0x33;
    writeFile(f, damaged);
    before = folderState(ro);
    EXPECT_EQ(vekdi({"verify", f}), 2);
    EXPECT_EQ(folderState(ro), before);
    ::chmod(ro.c_str(), 0755);
}
#endif

} // namespace
} // namespace vekdi::test
