// SPDX-License-Identifier: Apache-2.0
// protect, verify and repair over many files: listed, or every regular file
// under a folder (-R). Each file is handled as the single-file command does,
// the files spread over the worker threads (small ones side by side, a large
// one with several threads); one line each in the order given, then a
// summary; the exit status is the worst file's.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>

#include "commands/commands.h"
#include "base/errors.h"
#include "hash/file_hash.h"
#include "files/file_io.h"
#include "format/format.h"
#include "threads/parallel.h"
#include "commands/report.h"

namespace vekdi::tool {

namespace {

namespace fs = std::filesystem;

bool isParityName(const std::string& name) {
    return (name.size() > 6 && name.compare(name.size() - 6, 6, ".vekdi") == 0) || name.rfind(".vekdi-tmp-", 0) == 0;
}

// Every regular file under `dir` (symlinks not followed, parity files and
// temporary files left out); the others are listed as skipped.
std::vector<std::string> collect(const std::string& dir, bool quiet) {
    const FileStatus st = statusOf(dir);
    if (!st.directory) throw Failure(kExitUsage, dir + ": is not a folder");
    std::vector<std::string> files;
    std::error_code ec;
    fs::recursive_directory_iterator it(fs::path(dir), fs::directory_options::none, ec), end;
    if (ec) throw Failure(kExitIo, dir + ": cannot list it (" + ec.message() + ")");
    for (; it != end; it.increment(ec)) {
        if (ec) throw Failure(kExitIo, dir + ": cannot list it (" + ec.message() + ")");
        const fs::directory_entry& e = *it;
        const std::string path = e.path().string();
        if (e.is_symlink(ec)) {
            if (!quiet) std::printf("%s: skipped (a symlink)\n", path.c_str());
        } else if (e.is_directory(ec)) {
            continue;
        } else if (!e.is_regular_file(ec)) {
            if (!quiet) std::printf("%s: skipped (not a regular file)\n", path.c_str());
        } else if (!isParityName(e.path().filename().string())) {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// What handling one file gives: its exit status, its line on stdout, its
// failure's line on stderr, and its record (--json).
struct Outcome {
    int status = kExitOk;
    bool ok = false;
    std::string line;
    std::string error;
    FileRecord record;
};

// Runs `command` on one file into `out`, a failure's message kept for stderr
// and the file's record.
template <typename Command>
void attempt(const char* name, const std::string& file, RunOptions& run, Outcome& out, Command&& command) {
    out.record.path = file;
    run.record = &out.record;
    int status = kExitOk;
    try {
        status = command();
    } catch (const Failure& e) {
        out.error = e.what();
        status = e.status();
    } catch (const IoError& e) {
        out.error = e.what();
        status = kExitIo;
    } catch (const std::bad_alloc&) {
        out.error = "out of memory";
        status = kExitNoMemory;
    } catch (const std::exception& e) {
        out.error = std::string("internal error: ") + e.what();
        status = kExitInternal;
    }
    run.record = nullptr;
    out.status = status;
    out.record.message = out.error;
    out.record.status = status;
    out.record.result = resultName(name, status);
}

// A file's share of the worker threads, in quarters: a small file (mostly
// opening, syncing and renaming) a quarter, so that several wait on the disk
// side by side; a larger one a thread per 8 MiB, so that a large one still
// gets several.
constexpr unsigned kQuarters = 4;
unsigned quartersFor(const std::string& file, unsigned workers) {
    constexpr uint64_t kSmallFile = 1u << 20, kBytesPerThread = 8u << 20;
    const uint64_t size = statusOf(file).size;
    if (size < kSmallFile) return 1;
    return kQuarters * static_cast<unsigned>(std::min<uint64_t>(workers, size / kBytesPerThread + 1));
}

// Files handled at once at most: each holds its buffers and possibly a
// temporary output.
constexpr unsigned kFilesAtOnce = 16;

struct Tally {
    size_t files = 0, good = 0;
    int worst = kExitOk;
    void add(int status, bool ok) {
        ++files;
        good += ok;
        worst = std::max(worst, status);
    }
    int finish(const char* verb, bool quiet) const {
        if (!quiet)
            std::printf("%zu files: %zu %s, %zu not (worst exit status %d)\n", files, good, verb, files - good, worst);
        return worst;
    }
};

// Handles every file with `each` over the worker threads, then prints each
// file's lines in order and the summary.
template <typename Each>
int runMany(const std::vector<std::string>& files, const RunOptions& run, const char* verb, Each&& each) {
    const unsigned workers = workerCount(run.threads);
    std::vector<unsigned> quarters;
    quarters.reserve(files.size());
    for (const std::string& file : files) quarters.push_back(quartersFor(file, workers));
    std::vector<Outcome> outcomes(files.size());
    Tally tally;
    shareThreads(
        quarters, kQuarters * workers, kFilesAtOnce,
        [&](uint64_t i, unsigned held) {
            RunOptions one = run;
            one.quiet = true;
            one.report = nullptr;
            one.threads = std::max(1u, held / kQuarters);
            each(files[static_cast<size_t>(i)], one, outcomes[static_cast<size_t>(i)]);
        },
        [&](uint64_t i) {
            Outcome& o = outcomes[static_cast<size_t>(i)];
            if (!o.error.empty()) std::fprintf(stderr, "vekdi: %s\n", o.error.c_str());
            if (!run.quiet && !o.line.empty()) std::printf("%s\n", o.line.c_str());
            std::fflush(stdout);
            if (run.report) run.report->files.push_back(std::move(o.record));
            tally.add(o.status, o.ok);
            o = Outcome{};
        });
    return tally.finish(verb, run.quiet);
}

std::vector<std::string> inputs(const std::vector<std::string>& files, const std::string& dir, bool quiet) {
    std::vector<std::string> all = files;
    if (!dir.empty()) {
        const auto found = collect(dir, quiet);
        all.insert(all.end(), found.begin(), found.end());
    }
    return all;
}

// With -R, the files without a parity file are left out.
std::vector<std::string> protectedOnly(std::vector<std::string> files, const std::string& dir) {
    if (!dir.empty())
        files.erase(std::remove_if(files.begin(), files.end(),
                                   [](const std::string& f) { return !statusOf(f + ".vekdi").exists; }),
                    files.end());
    return files;
}

} // namespace

int protectMany(const std::vector<std::string>& files, const std::string& dir, const ProtectOptions& base,
                const RunOptions& run) {
    return runMany(inputs(files, dir, run.quiet), run, "protected", [&](const std::string& file, RunOptions& one,
                                                                         Outcome& out) {
        ProtectOptions options = base;
        options.file = file;
        options.parity = file + ".vekdi";
        out.record.path = file;
        out.record.parity = options.parity;
        // An existing parity file recording the file's size is current when
        // it is newer than the file or records the file's hash; another one
        // is replaced only with --force.
        const FileStatus fileStatus = statusOf(file), parityStatus = statusOf(options.parity);
        if (parityStatus.exists && parityStatus.regular && fileStatus.regular) {
            bool current = false;
            try {
                const File parity(options.parity, File::Mode::Read);
                const Header h = readParityInfo(parity).header;
                current = h.layout.fileSize == fileStatus.size &&
                          (fileStatus.modified <= parityStatus.modified ||
                           wholeFileHash(File(file, File::Mode::Read), h.layout.fileSize) == h.fileHash);
            } catch (const std::exception&) {
            }
            if (current) {
                out.line = file + ": unchanged since protected, skipped";
                out.ok = true;
                out.record.result = "skipped";
                return;
            }
            if (!base.force) {
                out.error = file + ": changed since protected (use --force to protect it again)";
                out.status = kExitUsage;
                out.record.status = kExitUsage;
                out.record.result = "changed";
                out.record.message = out.error;
                return;
            }
            options.force = true;
        }
        attempt("protect", file, one, out, [&] { return protectCommand(options, one); });
        out.ok = out.status == kExitOk;
        if (out.ok) out.line = file + ": protected";
    });
}

int verifyMany(const std::vector<std::string>& files, const std::string& dir, const VerifyOptions& base,
               const RunOptions& run) {
    const std::vector<std::string> all = protectedOnly(inputs(files, dir, run.quiet), dir);
    return runMany(all, run, "intact", [&](const std::string& file, RunOptions& one, Outcome& out) {
        VerifyOptions options = base;
        options.file = file;
        options.parity.clear();
        attempt("verify", file, one, out, [&] { return verifyCommand(options, one); });
        out.ok = out.status == kExitOk;
        if (out.status <= kExitRepairable)
            out.line = file + (out.ok ? ": intact" : ": damaged, repairable");
    });
}

int repairMany(const std::vector<std::string>& files, const std::string& dir, const RepairOptions& base,
               const RunOptions& run) {
    const std::vector<std::string> all = protectedOnly(inputs(files, dir, run.quiet), dir);
    return runMany(all, run, "intact or repaired", [&](const std::string& file, RunOptions& one, Outcome& out) {
        RepairOptions options = base;
        options.file = file;
        options.parity.clear();
        attempt("repair", file, one, out, [&] { return repairCommand(options, one); });
        out.ok = out.status == kExitOk;
        if (out.ok) out.line = file + ": intact or repaired";
    });
}

} // namespace vekdi::tool
