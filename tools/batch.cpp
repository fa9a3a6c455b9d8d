// SPDX-License-Identifier: Apache-2.0
// protect, verify and repair over many files: listed, or every regular file
// under a folder (-R). Each file is handled as the single-file command does,
// one line each, then a summary; the exit status is the worst file's.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>

#include "commands.h"
#include "errors.h"
#include "file_hash.h"
#include "file_io.h"
#include "format.h"
#include "report.h"

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

// Runs `command` on one file: its exit status, with a failure's message on
// stderr and in the file's record (--json).
template <typename Command>
int outcome(const char* name, const std::string& file, RunOptions& run, Command&& command) {
    FileRecord record;
    record.path = file;
    if (run.report) run.record = &record;
    int status = kExitOk;
    try {
        status = command();
    } catch (const Failure& e) {
        std::fprintf(stderr, "vekdi: %s\n", e.what());
        record.message = e.what();
        status = e.status();
    } catch (const IoError& e) {
        std::fprintf(stderr, "vekdi: %s\n", e.what());
        record.message = e.what();
        status = kExitIo;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vekdi: out of memory\n");
        record.message = "out of memory";
        status = kExitNoMemory;
    }
    run.record = nullptr;
    if (run.report) {
        record.status = status;
        record.result = resultName(name, status);
        run.report->files.push_back(std::move(record));
    }
    return status;
}

void noteFile(JsonReport& report, const std::string& file, const std::string& parity, int status, const char* result,
              const std::string& message) {
    FileRecord r;
    r.path = file;
    r.parity = parity;
    r.status = status;
    r.result = result;
    r.message = message;
    report.files.push_back(std::move(r));
}

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

std::vector<std::string> inputs(const std::vector<std::string>& files, const std::string& dir, bool quiet) {
    std::vector<std::string> all = files;
    if (!dir.empty()) {
        const auto found = collect(dir, quiet);
        all.insert(all.end(), found.begin(), found.end());
    }
    return all;
}

} // namespace

int protectMany(const std::vector<std::string>& files, const std::string& dir, const ProtectOptions& base,
                const RunOptions& run) {
    RunOptions quiet = run;
    quiet.quiet = true;
    Tally tally;
    for (const std::string& file : inputs(files, dir, run.quiet)) {
        ProtectOptions one = base;
        one.file = file;
        one.parity = file + ".vekdi";
        // An existing parity file recording the file's size is current when
        // it is newer than the file or records the file's hash; another one
        // is replaced only with --force.
        const FileStatus fileStatus = statusOf(file), parityStatus = statusOf(one.parity);
        if (parityStatus.exists && parityStatus.regular && fileStatus.regular) {
            bool current = false;
            try {
                const File parity(one.parity, File::Mode::Read);
                const Header h = readParityInfo(parity).header;
                current = h.layout.fileSize == fileStatus.size &&
                          (fileStatus.modified <= parityStatus.modified ||
                           wholeFileHash(File(file, File::Mode::Read), h.layout.fileSize) == h.fileHash);
            } catch (const std::exception&) {
            }
            if (current) {
                if (!run.quiet) std::printf("%s: unchanged since protected, skipped\n", file.c_str());
                if (run.report) noteFile(*run.report, file, one.parity, kExitOk, "skipped", {});
                tally.add(kExitOk, true);
                continue;
            }
            if (!base.force) {
                const std::string message = file + ": changed since protected (use --force to protect it again)";
                std::fprintf(stderr, "vekdi: %s\n", message.c_str());
                if (run.report) noteFile(*run.report, file, one.parity, kExitUsage, "changed", message);
                tally.add(kExitUsage, false);
                continue;
            }
            one.force = true;
        }
        const int status = outcome("protect", file, quiet, [&] { return protectCommand(one, quiet); });
        if (status == kExitOk && !run.quiet) std::printf("%s: protected\n", file.c_str());
        tally.add(status, status == kExitOk);
    }
    return tally.finish("protected", run.quiet);
}

int verifyMany(const std::vector<std::string>& files, const std::string& dir, const VerifyOptions& base,
               const RunOptions& run) {
    RunOptions quiet = run;
    quiet.quiet = true;
    Tally tally;
    for (const std::string& file : inputs(files, dir, run.quiet)) {
        if (!dir.empty() && !statusOf(file + ".vekdi").exists) continue;  // not protected
        VerifyOptions one = base;
        one.file = file;
        one.parity.clear();
        const int status = outcome("verify", file, quiet, [&] { return verifyCommand(one, quiet); });
        if (!run.quiet && status <= kExitRepairable)
            std::printf("%s: %s\n", file.c_str(), status == kExitOk ? "intact" : "damaged, repairable");
        tally.add(status, status == kExitOk);
    }
    return tally.finish("intact", run.quiet);
}

int repairMany(const std::vector<std::string>& files, const std::string& dir, const RepairOptions& base,
               const RunOptions& run) {
    RunOptions quiet = run;
    quiet.quiet = true;
    Tally tally;
    for (const std::string& file : inputs(files, dir, run.quiet)) {
        if (!dir.empty() && !statusOf(file + ".vekdi").exists) continue;
        RepairOptions one = base;
        one.file = file;
        one.parity.clear();
        const int status = outcome("repair", file, quiet, [&] { return repairCommand(one, quiet); });
        if (!run.quiet && status == kExitOk) std::printf("%s: intact or repaired\n", file.c_str());
        tally.add(status, status == kExitOk);
    }
    return tally.finish("intact or repaired", run.quiet);
}

} // namespace vekdi::tool
