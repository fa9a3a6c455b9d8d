// SPDX-License-Identifier: Apache-2.0
// verify, repair and info: they share opening the inputs and finding damage.
#include <algorithm>
#include <iterator>
#include <map>
#include <mutex>
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands/commands.h"
#include "rebuild/damage.h"
#include "base/errors.h"
#include "hash/file_hash.h"
#include "files/file_io.h"
#include "format/format.h"
#include "threads/parallel.h"
#include "rebuild/rebuild.h"
#include "commands/report.h"
#include "output/temp_output.h"

namespace vekdi::tool {

namespace {

struct Inputs {
    File file;
    File parity;
    ParityInfo info;
};

// Opens FILE and its parity file, and refuses a parity file recorded for a
// file of another name (unless forced).
Inputs openInputs(const std::string& filePath, const std::string& parityPath, bool force, bool mayBeMissing = false) {
    const bool missing = mayBeMissing && !statusOf(filePath).exists;
    Inputs in{missing ? File::absent(filePath) : openInput(filePath), openInput(parityPath), {}};
    if (sameFile(filePath, parityPath))
        throw Failure(kExitUsage, parityPath + ": is " + filePath + " itself, not its parity file");
    in.info = readParityInfo(in.parity);
    const uint64_t recorded = in.info.header.nameHash;
    if (recorded && !force && recorded != fileNameHash(filePath) && recorded != fileNameHash(resolveLinks(filePath)))
        throw Failure(kExitParityUnusable, parityPath + ": was made for a file of another name, not " + filePath +
                                               " (use --force if the file was renamed)");
    return in;
}

// The longest run of damaged bytes the parity file always repairs.
uint64_t repairableRun(const Layout& L) {
    return L.dataBlocks ? (static_cast<uint64_t>(L.p) * L.stripes - 1) * L.blockSize + 1 : 0;
}

// Bytes appended past the recorded end are damage only while the parity file
// could have repaired that much; more means the file grew since.
void checkGrowth(const std::string& file, const Layout& L, uint64_t size, bool force) {
    if (size <= L.fileSize || force) return;
    const uint64_t extra = size - L.fileSize;
    if (extra > repairableRun(L))
        throw Failure(kExitNotRepairable,
                      file + ": grew by " + std::to_string(extra) + " bytes since it was protected (more than the " +
                          "parity file could repair); repair --force cuts them");
}

std::string defaultParity(const std::string& file, const std::string& parity) {
    return parity.empty() ? file + ".vekdi" : parity;
}

// Damaged byte ranges, consecutive damaged blocks of one kind merged.
template <typename Each>
void damagedRuns(const Layout& L, const Damage& d, Each&& each) {
    for (uint64_t b = 0; b < L.dataBlocks;) {
        if (d.data[b] == BlockState::Good) {
            ++b;
            continue;
        }
        uint64_t e = b + 1;
        while (e < L.dataBlocks && d.data[e] == d.data[b]) ++e;
        each(b, e - 1, d.data[b]);
        b = e;
    }
}

Damage scan(const Inputs& in, const RunOptions& run, const char* label) {
    const Layout& L = in.info.header.layout;
    Progress progress(label, L.fileSize + L.parityBlocks() * L.blockSize, !run.quiet && stderrIsTerminal());
    Damage d = findDamage(in.file, in.parity, in.info, workerCount(run.threads), &progress);
    progress.finish();
    if (FileRecord* r = run.record) {
        r->scanned = true;
        r->fileSize = d.fileSize;
        r->recordedSize = L.fileSize;
        r->dataBlocks = L.dataBlocks;
        r->damagedBlocks = d.damagedData;
        r->damagedBytes = d.damagedBytes;
        r->parityBlocks = L.parityBlocks();
        r->damagedParityBlocks = d.damagedParity;
        damagedRuns(L, d, [&](uint64_t first, uint64_t last, BlockState) {
            r->damagedRanges.emplace_back(L.blockOffset(first), L.blockOffset(last) + L.blockLength(last) - 1);
        });
        if (d.fileSize > L.fileSize) r->damagedRanges.emplace_back(L.fileSize, d.fileSize - 1);
    }
    return d;
}

void printParityHealth(const Inputs& in, const Damage& d, const std::string& parityPath, const std::string& file) {
    const Layout& L = in.info.header.layout;
    const bool healthy = in.info.headerCopies == 2 && in.info.hashes.damagedSegments == 0 && d.damagedParity == 0 &&
                         in.info.actualSize == in.info.header.parityFileSize();
    if (healthy) {
        std::printf("%s: intact\n", parityPath.c_str());
        return;
    }
    std::printf("%s: damaged (header copies intact: %d of 2; hash table segments lost in both copies: %llu; "
                "parity blocks damaged: %llu of %llu)\n",
                parityPath.c_str(), in.info.headerCopies,
                static_cast<unsigned long long>(in.info.hashes.damagedSegments),
                static_cast<unsigned long long>(d.damagedParity), static_cast<unsigned long long>(L.parityBlocks()));
    if (d.wholeHashMatches && d.fileSize == L.fileSize)
        std::printf("%s: hint: protect the file again (vekdi protect %s -o %s --force)\n", parityPath.c_str(),
                    file.c_str(), parityPath.c_str());
}

// The damaged byte ranges, consecutive damaged blocks merged.
void listDamage(const std::string& file, const Layout& L, const Damage& d) {
    damagedRuns(L, d, [&](uint64_t b, uint64_t last, BlockState kind) {
        const uint64_t from = L.blockOffset(b), to = L.blockOffset(last) + L.blockLength(last);
        std::printf("%s: bytes %llu-%llu (blocks %llu-%llu) %s\n", file.c_str(), static_cast<unsigned long long>(from),
                    static_cast<unsigned long long>(to - 1), static_cast<unsigned long long>(b),
                    static_cast<unsigned long long>(last), kind == BlockState::Missing ? "missing" : "damaged");
    });
    if (d.fileSize > L.fileSize)
        std::printf("%s: bytes %llu-%llu appended\n", file.c_str(), static_cast<unsigned long long>(L.fileSize),
                    static_cast<unsigned long long>(d.fileSize - 1));
}

void printFileDamage(const std::string& file, const Layout& L, const Damage& d) {
    if (d.fileSize < L.fileSize)
        std::printf("%s: %s missing at the end (truncated)\n", file.c_str(), formatSize(L.fileSize - d.fileSize).c_str());
    else if (d.fileSize > L.fileSize)
        std::printf("%s: %s extra at the end\n", file.c_str(), formatSize(d.fileSize - L.fileSize).c_str());
    if (d.damagedData)
        std::printf("%s: %llu of %llu blocks damaged (%s in them)\n", file.c_str(),
                    static_cast<unsigned long long>(d.damagedData), static_cast<unsigned long long>(L.dataBlocks),
                    formatSize(d.damagedBytes).c_str());
}

// The outcome when the damage cannot be repaired. No block matching is
// damage too: a parity file of another name is refused before.
Failure notRepairable(const std::string& file, bool writes) {
    return Failure(kExitNotRepairable, file + (writes ? ": damaged beyond repair; nothing written"
                                                     : ": damaged beyond repair"));
}

bool allZero(const uint8_t* p, size_t n) {
    return n == 0 || (p[0] == 0 && std::memcmp(p, p + 1, n - 1) == 0);
}

// Damage with the content intact except for extra bytes at the end.
bool onlyTail(const Damage& d, const Layout& L) {
    return d.damagedData == 0 && d.wholeHashMatches && d.fileSize > L.fileSize;
}

// Whether every damaged data block has a surviving hash, so that a rebuild
// confirms each block it writes.
bool damagedBlocksHashed(const Inputs& in, const Damage& d) {
    const Layout& L = in.info.header.layout;
    for (uint64_t b = 0; b < L.dataBlocks; ++b)
        if (d.data[b] != BlockState::Good && !in.info.hashes.known[b]) return false;
    return true;
}

struct FileWriter final : BlockWriter {
    File& file;
    explicit FileWriter(File& f) : file(f) {}
    void writeAt(uint64_t offset, const uint8_t* data, size_t len) override { file.writeAt(offset, data, len); }
};

// Rebuilt bytes verify holds at once: with the rebuild's own pieces (about
// 48 MiB) it stays well under 100 MiB whatever the file.
constexpr uint64_t kRebuiltBudget = 24u << 20;

// The bytes a rebuild writes that differ from the file's (zero past its
// end), from `from` on, kept up to a budget: past it the pieces furthest in
// the file are dropped, and limit() says up to where every one is kept.
class ChangedBytes final : public BlockWriter {
public:
    ChangedBytes(const File& file, uint64_t available, uint64_t budget)
        : file_(file), available_(available), budget_(budget) {}

    void start(uint64_t from) {
        pieces_.clear();
        held_ = 0;
        from_ = from;
        limit_ = UINT64_MAX;
    }

    // Called from several threads, for distinct bytes.
    void writeAt(uint64_t offset, const uint8_t* data, size_t len) override {
        if (offset + len <= from_) return;
        if (offset < from_) {
            data += from_ - offset;
            len -= static_cast<size_t>(from_ - offset);
            offset = from_;
        }
        thread_local std::vector<uint8_t> own;
        own.resize(len);
        const size_t have = offset < available_ ? static_cast<size_t>(std::min<uint64_t>(len, available_ - offset)) : 0;
        const size_t got = have ? file_.readAt(offset, own.data(), have) : 0;
        std::fill(own.begin() + static_cast<std::ptrdiff_t>(got), own.end(), 0);
        size_t a = 0, b = len;
        while (a < b && own[a] == data[a]) ++a;
        while (b > a && own[b - 1] == data[b - 1]) --b;
        if (a == b) return;
        const std::lock_guard<std::mutex> hold(lock_);
        if (offset + a >= limit_) return;
        pieces_.emplace(offset + a, std::vector<uint8_t>(data + a, data + b));
        held_ += (b - a) + kPieceCost;
        // The first piece always stays, so that every pass gets further.
        while (held_ > budget_ && pieces_.size() > 1) {
            const auto last = std::prev(pieces_.end());
            limit_ = last->first;
            held_ -= last->second.size() + kPieceCost;
            pieces_.erase(last);
        }
    }

    const std::map<uint64_t, std::vector<uint8_t>>& pieces() const { return pieces_; }
    uint64_t limit() const { return limit_; }

private:
    static constexpr uint64_t kPieceCost = 96; // what holding a piece costs beside its bytes
    const File& file_;
    uint64_t available_, budget_;
    std::mutex lock_;
    std::map<uint64_t, std::vector<uint8_t>> pieces_;
    uint64_t held_ = 0, from_ = 0, limit_ = UINT64_MAX;
};

// Hashes bytes [at, end) of the file as it is, zero past `available`.
void hashFileBytes(const File& file, uint64_t available, uint64_t at, uint64_t end, std::vector<uint8_t>& buf,
                   WholeFileHasher& h, Progress& progress) {
    while (at < end) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), end - at));
        const size_t have = at < available ? static_cast<size_t>(std::min<uint64_t>(want, available - at)) : 0;
        const size_t got = have ? file.readAt(at, buf.data(), have) : 0;
        std::fill(buf.begin() + static_cast<std::ptrdiff_t>(got), buf.begin() + static_cast<std::ptrdiff_t>(want), 0);
        h.update(buf.data(), want);
        progress.add(want);
        at += want;
    }
}

// Whether the file as repair would write it matches the whole-file hash,
// found without writing anything: the file is hashed in order with the
// rebuilt bytes that differ from it in their place. A rebuild keeps those up
// to kRebuiltBudget; when more differ, the file is hashed up to where they
// are all known and the stripes with damaged blocks further on are rebuilt
// again for the next ones. Memory stays bounded for any file; only more than
// kRebuiltBudget of changed bytes costs more than one rebuild. Throws what
// verify reports when a stripe cannot be rebuilt.
bool rebuiltFileMatches(const Inputs& in, const Damage& d, const RunOptions& run, const std::string& file) {
    const Layout& L = in.info.header.layout;
    Progress progress("verify", L.fileSize, !run.quiet && stderrIsTerminal());
    WholeFileHasher h;
    std::vector<uint8_t> buf(1u << 20);
    ChangedBytes changed(in.file, d.fileSize, kRebuiltBudget);
    for (uint64_t at = 0; at < L.fileSize;) {
        changed.start(at);
        const RebuildResult r =
            rebuild(in.info, d, in.file, in.parity, &changed, workerCount(run.threads), nullptr, at / L.blockSize);
        if (r.failedStripes) throw notRepairable(file, false);
        for (const auto& [offset, bytes] : changed.pieces()) {
            hashFileBytes(in.file, d.fileSize, at, offset, buf, h, progress);
            h.update(bytes.data(), bytes.size());
            progress.add(bytes.size());
            at = offset + bytes.size();
        }
        const uint64_t end = std::min(changed.limit(), L.fileSize);
        hashFileBytes(in.file, d.fileSize, at, end, buf, h, progress);
        at = end;
    }
    progress.finish();
    return h.digest() == in.info.header.fileHash;
}

// The repaired file in `out` (cut or extended to its recorded length, the
// rebuilt blocks over it, runs of zeros left as holes), checked against the
// whole-file hash; throws what repair reports when it cannot be done.
RebuildResult rebuildInto(const Inputs& in, const Damage& d, File& out, const RunOptions& run, const char* label,
                          const std::string& file, bool writes) {
    const Layout& L = in.info.header.layout;
    out.resize(L.fileSize);
    std::vector<uint8_t> buf(1u << 20);
    const uint64_t keep = std::min(d.fileSize, L.fileSize);
    for (uint64_t at = 0; at < keep;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), keep - at));
        const size_t got = in.file.readAt(at, buf.data(), want);
        if (got == 0) break;
        if (!allZero(buf.data(), got)) out.writeAt(at, buf.data(), got);
        at += got;
    }
    Progress progress(label, 0, !run.quiet && stderrIsTerminal());
    FileWriter writer(out);
    const RebuildResult r = rebuild(in.info, d, in.file, in.parity, &writer, workerCount(run.threads), &progress);
    progress.finish();
    if (r.failedStripes) throw notRepairable(file, writes);
    if (wholeFileHash(out, L.fileSize) != in.info.header.fileHash)
        throw Failure(writes ? kExitRepairFailed : kExitNotRepairable,
                      file + ": the rebuilt file does not match the recorded whole-file hash" +
                          (writes ? "; nothing written" : ""));
    return r;
}

} // namespace

int verifyCommand(const VerifyOptions& options, const RunOptions& run) {
    const std::string& filePath = options.file;
    const std::string parityPath = defaultParity(filePath, options.parity);
    const Inputs in = openInputs(filePath, parityPath, options.force);
    const Layout& L = in.info.header.layout;
    const Damage d = scan(in, run, "verify");
    if (!run.quiet) printParityHealth(in, d, parityPath, filePath);
    // The whole-file hash decides, even where block hashes were lost.
    if (d.wholeHashMatches && d.fileSize == L.fileSize) {
        if (!run.quiet) std::printf("%s: intact\n", filePath.c_str());
        return kExitOk;
    }
    if (!run.quiet) printFileDamage(filePath, L, d);
    if (!run.quiet && options.list) listDamage(filePath, L, d);
    checkGrowth(filePath, L, d.fileSize, options.force);
    if (onlyTail(d, L)) {
        if (!run.quiet) std::printf("%s: repairable (repair removes the extra bytes)\n", filePath.c_str());
        return kExitRepairable;
    }
    if (d.damagedData == 0)
        throw Failure(kExitNotRepairable, filePath + ": every block matches but the whole-file hash does not");
    if (damagedBlocksHashed(in, d)) {
        const RebuildResult r = rebuild(in.info, d, in.file, in.parity, nullptr, workerCount(run.threads), nullptr);
        if (r.failedStripes) throw notRepairable(filePath, false);
    } else if (!rebuiltFileMatches(in, d, run, filePath)) {
        // Without their hashes only the whole-file hash of the rebuilt file
        // tells whether the repair would hold.
        throw Failure(kExitNotRepairable, filePath + ": the rebuilt file does not match the recorded whole-file hash");
    }
    if (!run.quiet) std::printf("%s: repairable\n", filePath.c_str());
    return kExitRepairable;
}

int repairCommand(const RepairOptions& options, const RunOptions& run) {
    const std::string parityPath = defaultParity(options.file, options.parity);
    if (options.inPlace == !options.output.empty())
        throw Failure(kExitUsage, "repair needs exactly one of -o OUT and --in-place");
    // A deleted file is rebuilt to -o OUT when the parity file affords it.
    Inputs in = openInputs(options.file, parityPath, options.force, !options.inPlace);
    const bool deleted = in.file.size() == 0 && !statusOf(options.file).exists;
    const FileStatus source = deleted ? in.parity.status() : in.file.status();
    // In place, the file a symlink points to is replaced (the link stays);
    // a file with other hard links is not, as that would split them.
    std::string target = options.output;
    if (options.inPlace) {
        target = resolveLinks(options.file);
        if (source.links > 1)
            throw Failure(kExitUsage, options.file + ": has " + std::to_string(source.links) +
                                          " hard links; repairing it in place would split them (use -o OUT)");
    } else {
        checkOutput(target, {{options.file, "the file to repair"}, {parityPath, "the parity file"}}, options.force);
    }
    const Layout& L = in.info.header.layout;
    if (deleted && L.p < L.k)
        throw Failure(kExitNotRepairable,
                      options.file + ": missing, and its parity file cannot rebuild all " + formatSize(L.fileSize) +
                          " of it: a stripe holds " + std::to_string(L.k) + " data blocks but only " +
                          std::to_string(L.p) + " parity blocks (a deleted file needs at least as many; nothing written)");
    const Damage d = scan(in, run, "verify");

    if (d.wholeHashMatches && d.fileSize == L.fileSize && options.inPlace) {
        if (!run.quiet) std::printf("%s: intact, nothing to repair\n", options.file.c_str());
        return kExitOk;
    }
    checkGrowth(options.file, L, d.fileSize, options.force);
    if (d.damagedData == 0 && !d.wholeHashMatches)
        throw Failure(kExitNotRepairable, options.file + ": every block matches but the whole-file hash does not");

    TempOutput out(target, source, options.inPlace ? 07777 : 0777);
    const RebuildResult r = rebuildInto(in, d, out.file(), run, "repair", options.file, true);
    out.commit();
    if (run.record) run.record->repairedBlocks = r.repairedBlocks;
    if (!run.quiet) {
        if (deleted)
            std::printf("%s: missing; rebuilt from the parity file alone\n", options.file.c_str());
        else
            printFileDamage(options.file, L, d);
        if (d.damagedData && !deleted)
            std::printf("%s: repaired %llu blocks (%s changed%s)\n", options.file.c_str(),
                        static_cast<unsigned long long>(r.repairedBlocks), formatSize(r.changedBytes).c_str(),
                        r.correctedWords ? (", " + std::to_string(r.correctedWords) + " codewords corrected").c_str()
                                         : "");
        std::printf("%s: written, whole-file hash matches\n", target.c_str());
    }
    return kExitOk;
}

int infoCommand(const std::string& parityPath, const RunOptions& run) {
    const File parity = openInput(parityPath);
    const ParityInfo info = readParityInfo(parity);
    if (run.report) {
        const Header& h = info.header;
        InfoRecord& n = run.report->info;
        run.report->hasInfo = true;
        n.path = parityPath;
        n.version = h.version;
        n.fileSize = h.layout.fileSize;
        n.blockSize = h.layout.blockSize;
        n.dataBlocks = h.layout.dataBlocks;
        n.stripes = h.layout.stripes;
        n.k = h.layout.k;
        n.p = h.layout.p;
        n.percent = h.percent;
        n.fileHash = hexHash(h.fileHash);
        n.headerCopies = info.headerCopies;
        n.lostHashSegments = info.hashes.damagedSegments;
        n.actualSize = info.actualSize;
        n.recordedSize = h.parityFileSize();
        n.rebuildsDeletedFile = h.layout.p >= h.layout.k;
        return kExitOk;
    }
    std::printf("%s: vekdi parity file, format version %u\n", parityPath.c_str(), info.header.version);
    printLayout(info.header);
    std::printf("  header copies    %d of 2 intact\n", info.headerCopies);
    std::printf("  hash table       %llu entries, %llu segments lost in both copies\n",
                static_cast<unsigned long long>(info.header.hashEntries()),
                static_cast<unsigned long long>(info.hashes.damagedSegments));
    const Layout& L = info.header.layout;
    std::printf("  deleted file     %s\n", L.p >= L.k ? "can be rebuilt from the parity file alone"
                                                     : "cannot be rebuilt from the parity file alone (fewer parity "
                                                       "than data blocks per stripe)");
    if (info.actualSize != info.header.parityFileSize())
        std::printf("  note             the parity file is %s, not %s as recorded\n",
                    formatSize(info.actualSize).c_str(), formatSize(info.header.parityFileSize()).c_str());
    return kExitOk;
}

} // namespace vekdi::tool
