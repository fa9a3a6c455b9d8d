// SPDX-License-Identifier: Apache-2.0
// The vekdi tool on hostile parity files and damaged data. Three kinds of
// input:
// - raw bytes taken as a parity file;
// - headers with arbitrary fields and a correct header hash (the fuzzer
//   cannot forge hashes itself), with or without their hash tables, at their
//   places in a sparse file, then overwritten bytes and a cut;
// - a small file protected by the tool, then bytes of the file and of its
//   parity file overwritten, the file cut or extended, and verify and repair
//   run on it.
// Checked: the reader either throws the unusable-parity failure or returns a header
// that re-encodes to the bytes it came from, a full hash table whose known
// entries are the ones written; verify and repair agree (repairable <=>
// repair writes the original bytes; otherwise nothing is written and no
// temporary file stays); an intact verdict means the original bytes.
// Anything else thrown, a crash, a leak, an allocation over 100 MiB or (in
// the unsanitized replay) a resident size over 100 MiB is a finding.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "base/errors.h"
#include "files/file_io.h"
#include "format/format.h"
#include "format/layout.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace vekdi::tool;
using Bytes = std::vector<uint8_t>;

// A folder of its own for the files of one run, removed at exit.
struct Scratch {
    std::filesystem::path dir;
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekdi-fuzz-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        dir = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string path(const char* name) const { return (dir / name).string(); }
    void clear() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) std::filesystem::remove(entry.path());
    }
    size_t files() const {
        return size_t(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
    }
};

const Scratch& scratch() {
    static const Scratch s;
    return s;
}

// Pieces written at their offsets into a file of `size` bytes (holes between).
struct Piece {
    uint64_t offset;
    Bytes bytes;
};

void writeSparse(const std::string& path, uint64_t size, const std::vector<Piece>& pieces) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::ftruncate(fd, off_t(size)) == 0);
    for (const Piece& p : pieces)
        if (p.offset < size && !p.bytes.empty()) {
            const size_t n = size_t(std::min<uint64_t>(p.bytes.size(), size - p.offset));
            FUZZ_CHECK(::pwrite(fd, p.bytes.data(), n, off_t(p.offset)) == ssize_t(n));
        }
    ::close(fd);
}

Bytes readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Overwrites a few runs of bytes (bit flips or new values) at positions from the input.
void damage(FuzzedDataProvider& in, Bytes& b) {
    for (int edits = in.ConsumeIntegralInRange(0, 4); edits > 0 && !b.empty(); --edits) {
        const size_t at = in.ConsumeIntegralInRange<size_t>(0, b.size() - 1);
        const size_t len = std::min(b.size() - at, in.ConsumeIntegralInRange<size_t>(1, 64));
        const uint8_t value = in.ConsumeIntegral<uint8_t>();
        const bool flip = in.ConsumeBool();
        for (size_t i = at; i < at + len; ++i) b[i] = flip ? uint8_t(b[i] ^ (value | 1)) : value;
    }
}

// Whatever the parity file, the tool stays under 100 MiB resident. Under the
// sanitizers the process's own size says little (shadow memory, quarantine):
// there the fuzz test's -malloc_limit_mb=100 bounds every allocation instead.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEKDI_FUZZ_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VEKDI_FUZZ_SANITIZED 1
#endif
void checkResident() {
#if !defined(VEKDI_FUZZ_SANITIZED)
    struct rusage u {};
    FUZZ_CHECK(getrusage(RUSAGE_SELF, &u) == 0);
    FUZZ_CHECK(u.ru_maxrss < 100 * 1024);  // KiB
#endif
}

// The reader on the parity file at `path`; `written` are the hash entries
// written when known, and `header` the header bytes written.
void readAndCheck(const std::string& path, const Bytes* header, const std::vector<uint64_t>* written) {
    const File file(path, File::Mode::Read);
    ParityInfo info;
    try {
        info = readParityInfo(file);
    } catch (const Failure& e) {
        FUZZ_CHECK(e.status() == kExitParityUnusable);
        checkResident();
        return;
    }
    checkResident();
    const Header& h = info.header;
    FUZZ_CHECK(h.hashTableBytes() < (uint64_t{20} << 20));
    FUZZ_CHECK(h.layout.inconsistency().empty());
    FUZZ_CHECK(info.headerCopies >= 1 && info.headerCopies <= 2 && info.actualSize == file.size());
    FUZZ_CHECK(info.hashes.entries.size() == h.hashEntries() && info.hashes.known.size() == h.hashEntries());
    const auto encoded = h.encode();
    const DecodedHeader again = decodeHeader(encoded);
    FUZZ_CHECK(again.state == HeaderState::Valid && again.header.encode() == encoded);
    if (header && written && std::equal(encoded.begin(), encoded.end(), header->begin()))
        for (size_t i = 0; i < written->size(); ++i)
            FUZZ_CHECK(!info.hashes.known[i] || info.hashes.entries[i] == (*written)[i]);
}

// Arbitrary header fields, hashed correctly, and maybe their tables: the
// fields start from a layout protect chooses, or from the largest shapes a
// reader might be tricked into allocating for (2^20 blocks, k = 1, p = 254,
// blocks of 4 MiB), then any of them changes.
void craftedParityFile(FuzzedDataProvider& in) {
    Header h;
    h.percent = uint32_t(in.ConsumeIntegralInRange(1, 100));
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
        h.layout = Layout::choose(in.ConsumeIntegralInRange<uint64_t>(0, 1 << 24), int(h.percent),
                                  in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange<uint64_t>(1, 1 << 16), nullptr);
        break;
    case 1: {
        // The most blocks, each in a stripe of its own, the most parity.
        Layout& l = h.layout;
        l.blockSize = in.ConsumeBool() ? 1 : uint64_t{4} << 20;
        l.dataBlocks = Layout::kMaxDataBlocks;
        l.fileSize = l.dataBlocks * l.blockSize;
        l.stripes = l.dataBlocks;
        l.k = 1;
        l.p = in.ConsumeIntegralInRange(1, 254);
        break;
    }
    default: break;
    }
    // Then maybe any field replaced by anything.
    for (int edits = in.ConsumeIntegralInRange(0, 2); edits > 0; --edits) {
        const uint64_t v = in.ConsumeBool() ? in.ConsumeIntegral<uint64_t>() : in.ConsumeIntegralInRange<uint64_t>(0, 300);
        switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0: h.layout.fileSize = v; break;
        case 1: h.layout.blockSize = v; break;
        case 2: h.layout.dataBlocks = v; break;
        case 3: h.layout.stripes = v; break;
        case 4: h.layout.k = int(uint32_t(v)); break;
        default: h.layout.p = int(uint32_t(v)); break;
        }
    }
    if (in.ConsumeIntegralInRange(0, 7) == 0) h.percent = in.ConsumeIntegral<uint32_t>();
    h.version = in.ConsumeBool() ? kFormatVersion : kOldestFormatVersion;
    h.nameHash = h.version >= 2 ? in.ConsumeIntegral<uint64_t>() : 0;
    const auto encoded = h.encode();
    const Bytes header(encoded.begin(), encoded.end());
    const DecodedHeader d = decodeHeader(header);
    const Layout chosen = h.percent >= 1 && h.percent <= 100 && h.layout.inconsistency().empty()
                              ? Layout::choose(h.layout.fileSize, int(h.percent), h.layout.blockSize, nullptr)
                              : Layout{};
    const bool consistent = h.layout.inconsistency().empty() && h.layout.k <= 255 && h.layout.p <= 255 &&
                            h.percent >= 1 && h.percent <= 100 && chosen.stripes == h.layout.stripes &&
                            chosen.k == h.layout.k && chosen.p == h.layout.p;
    FUZZ_CHECK((d.state == HeaderState::Valid) == consistent);
    if (d.state == HeaderState::Valid) FUZZ_CHECK(d.header.encode() == encoded);

    // The file: header, tables (when small enough to write), header again,
    // in a sparse file of the recorded size when that is at most 1 GiB.
    std::vector<Piece> pieces{{0, header}};
    std::vector<uint64_t> entries;
    uint64_t size = 4096;
    if (consistent) {
        const bool tables = h.hashEntries() <= 4096;
        if (tables) {
            entries.resize(size_t(h.hashEntries()));
            for (uint64_t& e : entries) e = in.ConsumeIntegral<uint64_t>();
            const Bytes table = encodeHashTable(entries);
            pieces.push_back({h.hashTableA(), table});
            pieces.push_back({h.hashTableB(), table});
        }
        if (h.parityFileSize() <= (uint64_t{1} << 30)) {
            size = h.parityFileSize();
            pieces.push_back({size - kHeaderSize, header});
        }
    }
    for (Piece& p : pieces)
        if (in.ConsumeIntegralInRange(0, 3) == 0) damage(in, p.bytes);
    if (in.ConsumeIntegralInRange(0, 3) == 0) size = in.ConsumeIntegralInRange<uint64_t>(0, size);
    const std::string path = scratch().path("crafted.vekdi");
    writeSparse(path, size, pieces);
    readAndCheck(path, &header, entries.empty() ? nullptr : &entries);
}

int outcome(auto&& command) {
    try {
        return command();
    } catch (const Failure& e) {
        return e.status();
    }
}

// A file protected by the tool, damaged, verified and repaired.
void protectedFile(FuzzedDataProvider& in) {
    const Scratch& s = scratch();
    s.clear();
    const std::string file = s.path("data"), parity = s.path("data.vekdi"), out = s.path("out");
    Bytes original(in.ConsumeIntegralInRange<size_t>(0, 6000));
    std::mt19937 gen(in.ConsumeIntegral<uint32_t>());
    for (uint8_t& b : original) b = uint8_t(gen());
    writeSparse(file, original.size(), {{0, original}});
    const RunOptions run{unsigned(in.ConsumeIntegralInRange(1, 2)), true};
    ProtectOptions protect;
    protect.file = file;
    protect.percent = in.ConsumeIntegralInRange(1, 100);
    protect.blockSize = in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange<uint64_t>(1, 1024);
    FUZZ_CHECK(protectCommand(protect, run) == kExitOk);

    // Damage both files.
    Bytes data = original, parityBytes = readAll(parity);
    damage(in, data);
    damage(in, parityBytes);
    if (in.ConsumeIntegralInRange(0, 3) == 0) data.resize(in.ConsumeIntegralInRange<size_t>(0, data.size() + 100), 0x55);
    if (in.ConsumeIntegralInRange(0, 7) == 0) parityBytes.resize(in.ConsumeIntegralInRange<size_t>(0, parityBytes.size()));
    writeSparse(file, data.size(), {{0, data}});
    writeSparse(parity, parityBytes.size(), {{0, parityBytes}});

    readAndCheck(parity, nullptr, nullptr);
    VerifyOptions verify;
    verify.file = file;
    verify.parity = parity;
    const int verdict = outcome([&] { return verifyCommand(verify, run); });
    FUZZ_CHECK(verdict == kExitOk || verdict == kExitRepairable || verdict == kExitNotRepairable ||
               verdict == kExitParityUnusable);
    if (verdict == kExitOk) FUZZ_CHECK(data == original);
    RepairOptions repair;
    repair.file = file;
    repair.parity = parity;
    repair.output = out;
    const int repaired = outcome([&] { return repairCommand(repair, run); });
    // A rebuild that verify finds wrong is a failed repair.
    if (verdict == kExitNotRepairable)
        FUZZ_CHECK(repaired == kExitNotRepairable || repaired == kExitRepairFailed);
    else
        FUZZ_CHECK(repaired == (verdict == kExitRepairable ? kExitOk : verdict));
    if (repaired == kExitOk) FUZZ_CHECK(readAll(out) == original && s.files() == 3);
    else FUZZ_CHECK(!fileExists(out) && s.files() == 2);
    FUZZ_CHECK(readAll(file) == data);  // repair to another file leaves the input alone
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        Bytes raw = in.ConsumeRemainingBytes<uint8_t>();
        const std::string path = scratch().path("raw.vekdi");
        writeSparse(path, raw.size(), {{0, raw}});
        readAndCheck(path, nullptr, nullptr);
        (void)decodeHashTable(raw, raw, std::min<uint64_t>(raw.size(), 4096));
        break;
    }
    case 1: craftedParityFile(in); break;
    default: protectedFile(in); break;
    }
    return 0;
}
