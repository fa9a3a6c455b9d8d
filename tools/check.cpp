// SPDX-License-Identifier: Apache-2.0
// verify, repair and info: they share opening the inputs and finding damage.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands.h"
#include "damage.h"
#include "errors.h"
#include "file_hash.h"
#include "file_io.h"
#include "format.h"
#include "parallel.h"
#include "rebuild.h"
#include "report.h"
#include "temp_output.h"

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
constexpr uint64_t kRebuiltWindow = 32u << 20;

// A window of the file in order, [from, to): the byte ranges of damaged
// blocks within it, holding what the rebuild writes there (the file's bytes,
// zero past its end, where the rebuild leaves a block as read).
struct Window final : BlockWriter {
    struct Span {
        uint64_t from, to;
        size_t at; // in bytes
    };
    uint64_t from = 0, to = 0;
    std::vector<Span> spans; // in file order, disjoint
    std::vector<uint8_t> bytes;

    // Called from several threads, for distinct bytes: nothing moves here.
    void writeAt(uint64_t offset, const uint8_t* data, size_t len) override {
        auto it = std::upper_bound(spans.begin(), spans.end(), offset,
                                   [](uint64_t x, const Span& s) { return x < s.from; });
        if (it != spans.begin()) --it;
        for (; it != spans.end() && it->from < offset + len; ++it) {
            const uint64_t a = std::max(offset, it->from), b = std::min(offset + len, it->to);
            if (a < b) std::memcpy(&bytes[it->at + (a - it->from)], data + (a - offset), static_cast<size_t>(b - a));
        }
    }

    // The window from `start` on: damaged bytes up to `budget`, and the
    // intact bytes up to the next damaged byte past them (or the file's end).
    void plan(const Layout& L, const Damage& d, uint64_t start, uint64_t budget) {
        from = to = start;
        spans.clear();
        uint64_t held = 0;
        for (uint64_t b = start / L.blockSize; b < L.dataBlocks; ++b) {
            if (d.data[b] == BlockState::Good) continue;
            const uint64_t a = std::max(start, L.blockOffset(b)), e = L.blockOffset(b) + L.blockLength(b);
            if (held == budget) {
                to = a;
                return;
            }
            const uint64_t n = std::min(e - a, budget - held);
            if (!spans.empty() && spans.back().to == a)
                spans.back().to += n;
            else
                spans.push_back({a, a + n, static_cast<size_t>(held)});
            held += n;
            if (a + n < e) {
                to = a + n;
                return;
            }
        }
        to = L.fileSize;
    }
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
// found without writing anything: the file is walked in order, a window at a
// time whose damaged bytes fit kRebuiltWindow. For each window the stripes
// with damaged blocks in it are rebuilt and only the rebuilt bytes inside it
// kept, then the window is hashed, rebuilt bytes where blocks are damaged and
// the file's elsewhere. Memory stays bounded for any file; more damaged bytes
// than one window cost a rebuild per window. Throws what verify reports when
// a stripe cannot be rebuilt.
bool rebuiltFileMatches(const Inputs& in, const Damage& d, const RunOptions& run, const std::string& file) {
    const Layout& L = in.info.header.layout;
    Progress progress("verify", L.fileSize, !run.quiet && stderrIsTerminal());
    WholeFileHasher h;
    std::vector<uint8_t> buf(1u << 20);
    Window w;
    for (uint64_t at = 0; at < L.fileSize;) {
        w.plan(L, d, at, kRebuiltWindow);
        if (!w.spans.empty()) {
            const Window::Span& last = w.spans.back();
            w.bytes.resize(static_cast<size_t>(last.at + (last.to - last.from)));
            for (const Window::Span& s : w.spans) {
                const uint64_t have = s.from < d.fileSize ? std::min(s.to, d.fileSize) - s.from : 0;
                const size_t got = have ? in.file.readAt(s.from, &w.bytes[s.at], static_cast<size_t>(have)) : 0;
                std::fill(w.bytes.begin() + static_cast<std::ptrdiff_t>(s.at + got),
                          w.bytes.begin() + static_cast<std::ptrdiff_t>(s.at + (s.to - s.from)), 0);
            }
            const RebuildResult r = rebuild(in.info, d, in.file, in.parity, &w, workerCount(run.threads), nullptr,
                                            w.spans.front().from / L.blockSize,
                                            (last.to + L.blockSize - 1) / L.blockSize);
            if (r.failedStripes) throw notRepairable(file, false);
        }
        for (const Window::Span& s : w.spans) {
            hashFileBytes(in.file, d.fileSize, at, s.from, buf, h, progress);
            h.update(&w.bytes[s.at], static_cast<size_t>(s.to - s.from));
            progress.add(s.to - s.from);
            at = s.to;
        }
        hashFileBytes(in.file, d.fileSize, at, w.to, buf, h, progress);
        at = w.to;
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
