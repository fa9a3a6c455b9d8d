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

namespace vekdi::tool {

namespace {

struct Inputs {
    File file;
    File parity;
    ParityInfo info;
};

Inputs openInputs(const std::string& filePath, const std::string& parityPath) {
    Inputs in{openInput(filePath), openInput(parityPath), {}};
    in.info = readParityInfo(in.parity);
    return in;
}

std::string defaultParity(const std::string& file, const std::string& parity) {
    return parity.empty() ? file + ".vekdi" : parity;
}

Damage scan(const Inputs& in, const RunOptions& run, const char* label) {
    const Layout& L = in.info.header.layout;
    Progress progress(label, L.fileSize + L.parityBlocks() * L.blockSize, !run.quiet && stderrIsTerminal());
    Damage d = findDamage(in.file, in.parity, in.info, workerCount(run.threads), &progress);
    progress.finish();
    return d;
}

void printParityHealth(const Inputs& in, const Damage& d, const std::string& parityPath) {
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

// The outcome when the damage cannot be repaired: a parity file none of whose
// blocks match a non-empty file is reported as belonging to another file.
Failure notRepairable(const Inputs& in, const Damage& d, const std::string& file, const std::string& parityPath) {
    if (d.matchingData == 0 && d.fileSize > 0 && in.info.header.layout.dataBlocks > 0)
        return Failure(kExitUsage, parityPath + ": does not belong to " + file +
                                       " (no block matches and the damage cannot be undone)");
    return Failure(kExitNotRepairable, file + ": damaged beyond repair; nothing written");
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

// The repaired file in `out` (cut or extended to its recorded length, the
// rebuilt blocks over it, runs of zeros left as holes), checked against the
// whole-file hash; throws what repair reports when it cannot be done.
RebuildResult rebuildInto(const Inputs& in, const Damage& d, File& out, const RunOptions& run, const char* label,
                          const std::string& file, const std::string& parityPath) {
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
    const RebuildResult r = rebuild(in.info, d, in.file, in.parity, &out, workerCount(run.threads), &progress);
    progress.finish();
    if (r.failedStripes) throw notRepairable(in, d, file, parityPath);
    if (wholeFileHash(out, L.fileSize) != in.info.header.fileHash)
        throw Failure(kExitNotRepairable,
                      file + ": the rebuilt file does not match the recorded whole-file hash; nothing written");
    return r;
}

} // namespace

int verifyCommand(const std::string& filePath, const std::string& parityArg, const RunOptions& run) {
    const std::string parityPath = defaultParity(filePath, parityArg);
    const Inputs in = openInputs(filePath, parityPath);
    const Layout& L = in.info.header.layout;
    const Damage d = scan(in, run, "verify");
    if (!run.quiet) printParityHealth(in, d, parityPath);
    if (d.contentIntact() && d.fileSize == L.fileSize) {
        if (!run.quiet) std::printf("%s: intact\n", filePath.c_str());
        return kExitOk;
    }
    if (!run.quiet) printFileDamage(filePath, L, d);
    if (onlyTail(d, L)) {
        if (!run.quiet) std::printf("%s: repairable (repair removes the extra bytes)\n", filePath.c_str());
        return kExitRepairable;
    }
    if (d.damagedData == 0)
        throw Failure(kExitNotRepairable, filePath + ": every block matches but the whole-file hash does not");
    if (damagedBlocksHashed(in, d)) {
        const RebuildResult r = rebuild(in.info, d, in.file, in.parity, nullptr, workerCount(run.threads), nullptr);
        if (r.failedStripes) throw notRepairable(in, d, filePath, parityPath);
    } else {
        // Without their hashes only the whole-file hash of the rebuilt file
        // tells whether the repair would hold: rebuild into a temporary file
        // beside the file, then remove it.
        File out = createOutput(filePath);
        struct Discard {  // on every way out, the file closed and removed
            File& file;
            const std::string path;
            ~Discard() {
                file.close();
                removeQuietly(path);
            }
        } discard{out, out.path()};
        rebuildInto(in, d, out, run, "verify", filePath, parityPath);
    }
    if (!run.quiet) std::printf("%s: repairable\n", filePath.c_str());
    return kExitRepairable;
}

int repairCommand(const RepairOptions& options, const RunOptions& run) {
    const std::string parityPath = defaultParity(options.file, options.parity);
    if (options.inPlace == !options.output.empty())
        throw Failure(kExitUsage, "repair needs exactly one of -o OUT and --in-place");
    const std::string target = options.inPlace ? options.file : options.output;
    if (target == parityPath) throw Failure(kExitUsage, target + ": the output cannot be the parity file");
    Inputs in = openInputs(options.file, parityPath);
    const Layout& L = in.info.header.layout;
    const Damage d = scan(in, run, "verify");
    const bool inPlace = target == options.file;

    if (d.contentIntact() && d.fileSize == L.fileSize && inPlace) {
        if (!run.quiet) std::printf("%s: intact, nothing to repair\n", options.file.c_str());
        return kExitOk;
    }
    if (d.damagedData == 0 && !d.wholeHashMatches)
        throw Failure(kExitNotRepairable, options.file + ": every block matches but the whole-file hash does not");

    File out = createOutput(target);
    const std::string tempPath = out.path();
    RebuildResult r;
    try {
        r = rebuildInto(in, d, out, run, "repair", options.file, parityPath);
        if (inPlace) out.copyPermissionsFrom(options.file);
        out.sync();
        out.close();
        in.file.close();
        replaceFile(tempPath, target);
    } catch (...) {
        out.close();
        removeQuietly(tempPath);
        throw;
    }
    if (!run.quiet) {
        printFileDamage(options.file, L, d);
        if (d.damagedData)
            std::printf("%s: repaired %llu blocks (%s changed%s)\n", options.file.c_str(),
                        static_cast<unsigned long long>(r.repairedBlocks), formatSize(r.changedBytes).c_str(),
                        r.correctedWords ? (", " + std::to_string(r.correctedWords) + " codewords corrected").c_str()
                                         : "");
        std::printf("%s: written, whole-file hash matches\n", target.c_str());
    }
    return kExitOk;
}

int infoCommand(const std::string& parityPath) {
    const File parity = openInput(parityPath);
    const ParityInfo info = readParityInfo(parity);
    std::printf("%s: vekdi parity file, format version %u\n", parityPath.c_str(), kFormatVersion);
    printLayout(info.header);
    std::printf("  header copies    %d of 2 intact\n", info.headerCopies);
    std::printf("  hash table       %llu entries, %llu segments lost in both copies\n",
                static_cast<unsigned long long>(info.header.hashEntries()),
                static_cast<unsigned long long>(info.hashes.damagedSegments));
    if (info.actualSize != info.header.parityFileSize())
        std::printf("  note             the parity file is %s, not %s as recorded\n",
                    formatSize(info.actualSize).c_str(), formatSize(info.header.parityFileSize()).c_str());
    return kExitOk;
}

} // namespace vekdi::tool
