// SPDX-License-Identifier: Apache-2.0
#include "commands/report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/errors.h"

namespace vekdi::tool {

File openInput(const std::string& path) {
    const FileStatus st = statusOf(path);
    if (!st.exists) throw Failure(kExitUsage, path + ": no such file");
    if (st.directory) throw Failure(kExitUsage, path + ": is a directory");
    if (!st.regular) throw Failure(kExitUsage, path + ": is not a regular file");
    try {
        return File(path, File::Mode::Read);
    } catch (const IoError& e) {
        throw Failure(kExitIo, e.what());
    }
}

void checkOutput(const std::string& target, std::initializer_list<Guarded> inputs, bool force) {
    for (const Guarded& g : inputs)
        if (sameFile(target, g.path))
            throw Failure(kExitUsage, target + ": is " + g.what + " (" + g.path + "); refusing to write over it");
    const FileStatus st = statusOf(target);
    if (!st.exists) return;
    if (st.directory) throw Failure(kExitUsage, target + ": is a directory");
    if (!st.regular) throw Failure(kExitUsage, target + ": is not a regular file; refusing to replace it");
    if (!force) throw Failure(kExitUsage, target + ": exists (use --force to replace it)");
}

bool looksLikeParityFile(const std::string& path) {
    if (path.size() > 6 && path.compare(path.size() - 6, 6, ".vekdi") == 0) return true;
    const FileStatus st = statusOf(path);
    if (!st.regular || st.size < kHeaderSize) return false;
    try {
        const File f(path, File::Mode::Read);
        char head[8] = {}, tail[8] = {};
        f.readAt(0, head, 8);
        f.readAt(st.size - kHeaderSize, tail, 8);
        return std::memcmp(head, "VEKDIPAR", 8) == 0 || std::memcmp(tail, "VEKDIPAR", 8) == 0;
    } catch (const IoError&) {
        return false;
    }
}

std::string formatSize(uint64_t bytes) {
    static const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double v = static_cast<double>(bytes);
    int u = 0;
    while (v >= 1024 && u < 4) {
        v /= 1024;
        ++u;
    }
    char buf[64];
    if (u == 0)
        std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(bytes));
    else
        std::snprintf(buf, sizeof buf, "%.1f %s (%llu bytes)", v, units[u], static_cast<unsigned long long>(bytes));
    return buf;
}

std::string hexHash(const std::array<uint8_t, 16>& hash) {
    std::string s;
    char buf[3];
    for (uint8_t b : hash) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        s += buf;
    }
    return s;
}

void printLayout(const Header& h) {
    const Layout& L = h.layout;
    std::printf("  file size        %s\n", formatSize(L.fileSize).c_str());
    std::printf("  file hash        %s (XXH3-128)\n", hexHash(h.fileHash).c_str());
    std::printf("  blocks           %llu of %s\n", static_cast<unsigned long long>(L.dataBlocks),
                formatSize(L.blockSize).c_str());
    std::printf("  stripes          %llu, each %d data + %d parity blocks\n",
                static_cast<unsigned long long>(L.stripes), L.k, L.p);
    const double ratio = L.fileSize ? 100.0 * static_cast<double>(h.parityFileSize()) / static_cast<double>(L.fileSize)
                                    : 0.0;
    std::printf("  parity file      %s, %.1f %% of the file (asked: %u %%)\n",
                formatSize(h.parityFileSize()).c_str(), ratio, h.percent);
    if (L.dataBlocks) {
        // Blocks a stripe affords, spread round-robin: the longest run of
        // damaged bytes that is always repairable.
        const uint64_t guaranteed = (static_cast<uint64_t>(L.p) * L.stripes - 1) * L.blockSize + 1;
        std::printf("  repairs          any %d lost blocks per stripe; any one damaged run of up to %s\n", L.p,
                    formatSize(std::min(guaranteed, L.fileSize)).c_str());
    }
}

} // namespace vekdi::tool
