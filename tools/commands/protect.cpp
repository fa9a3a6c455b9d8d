// SPDX-License-Identifier: Apache-2.0
// protect: hashes every block, encodes every stripe, writes the parity file
// under a temporary name and renames it into place when it is complete.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <iostream>
#include <thread>
#include <vector>

#include "rebuild/codec.h"
#include "commands/commands.h"
#include "base/errors.h"
#include "hash/file_hash.h"
#include "files/file_io.h"
#include "format/format.h"
#include "threads/parallel.h"
#include "commands/report.h"
#include "rebuild/stripe_io.h"
#include "output/temp_output.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif


namespace vekdi::tool {

namespace {

// Parity held in memory while the file is read once, in order; beyond it (or
// when one row of blocks exceeds a window) the file is read in stripe order
// and then again in order for the whole-file hash.
// (A 32-bit process keeps to less: its address space is a few GiB at most.)
constexpr bool kWide = sizeof(void*) >= 8;
constexpr uint64_t kParityInMemory = kWide ? 256u << 20 : 64u << 20;
// Bytes of the file read at once (whole rows of blocks); two windows are held,
// one being read and hashed while the other is encoded. Each window reads and
// writes all the parity once: larger windows mean less of that traffic.
constexpr uint64_t kWindowBytes = kWide ? 64u << 20 : 32u << 20;
// Bytes read and hashed at once.
constexpr size_t kPieceBytes = 1u << 20;
// Bytes of each block encoded at once.
constexpr size_t kTile = 16u << 10;

// A large buffer, left uninitialised; on Linux its pages are made present
// in one call rather than by a fault per 4 KiB page first touched.
class LargeBuffer {
public:
    explicit LargeBuffer(size_t size) : size_(std::max<size_t>(size, 1)) {
#if defined(__linux__)
        void* p = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        data_ = static_cast<uint8_t*>(p);
#else
        data_ = new uint8_t[size_];
#endif
    }
    ~LargeBuffer() {
#if defined(__linux__)
        ::munmap(data_, size_);
#else
        delete[] data_;
#endif
    }
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    uint8_t* get() const { return data_; }

private:
    size_t size_;
    uint8_t* data_;
};

struct Hashes {
    std::vector<uint64_t> blocks;    // data blocks, then parity blocks
    std::array<uint8_t, 16> file{}; // whole-file hash
};

// One read of the file, in order: each window of whole rows (row r holds
// block r of every stripe) is hashed (whole file and blocks) and its share of
// every stripe's parity added to the parity in memory, so every hash and the
// parity come from the same bytes. Reading and hashing the next window runs
// beside the encode of this one.
void protectInOrder(const File& input, const Layout& L, const StripeCode& code, unsigned workers,
                    Progress& progress, Hashes& hashes, File& out, uint64_t parityOffset) {
    const uint64_t rowBytes = L.stripes * L.blockSize;
    const uint64_t rows = static_cast<uint64_t>(L.k);
    const uint64_t perWindow = std::clamp<uint64_t>(kWindowBytes / rowBytes, 1, rows);
    const uint64_t windows = (rows + perWindow - 1) / perWindow;
    const size_t windowBytes = static_cast<size_t>(perWindow * rowBytes);
    const size_t block = static_cast<size_t>(L.blockSize);
    const size_t parityRow = static_cast<size_t>(L.p) * block;
    // Left uninitialised: every byte is written before it is read.
    const LargeBuffer parity(static_cast<size_t>(L.stripes) * parityRow);
    const LargeBuffer buffers[2] = {LargeBuffer(windowBytes), LargeBuffer(windowBytes)};
    WholeFileHasher whole;

    // Rows [w * perWindow, ...) into buffers[w % 2]: bytes past the file's end
    // (the last block's tail and the virtual blocks) read as zero. Read and
    // hashed in pieces, each hashed while it is still in the core's cache.
    BlockHasher partial;
    auto readWindow = [&](uint64_t w) {
        uint8_t* buf = buffers[w % 2].get();
        const uint64_t start = w * perWindow * rowBytes;
        const uint64_t end = std::min<uint64_t>(start + windowBytes, std::max(start, L.fileSize));
        uint64_t at = start;
        while (at < end) {
            uint8_t* piece = buf + (at - start);
            const size_t want = static_cast<size_t>(std::min<uint64_t>(kPieceBytes, end - at));
            const size_t got = input.readAt(at, piece, want);
            whole.update(piece, got);
            for (size_t i = 0; i < got;) {
                const uint64_t pos = at + i, b = pos / L.blockSize, inBlock = pos % L.blockSize;
                const uint64_t blockLen = L.blockLength(b);
                const size_t n = static_cast<size_t>(std::min<uint64_t>(got - i, blockLen - inBlock));
                if (inBlock == 0 && n == blockLen) {
                    hashes.blocks[static_cast<size_t>(b)] = hash64(piece + i, n, dataHashSeed(b));
                } else {
                    if (inBlock == 0) partial.reset(dataHashSeed(b));
                    partial.update(piece + i, n);
                    if (inBlock + n == blockLen) hashes.blocks[static_cast<size_t>(b)] = partial.digest();
                }
                i += n;
            }
            progress.add(got);
            at += got;
            if (got < want) break;  // the file shrank: the check after the read says so
        }
        std::memset(buf + (at - start), 0, windowBytes - static_cast<size_t>(at - start));
    };

    // A stripe's parity is final after the last window: hashed and written
    // while it is still in the core's cache.
    auto finishStripe = [&](uint64_t s) {
        const uint8_t* row = parity.get() + s * parityRow;
        for (int r = 0; r < L.p; ++r) {
            const uint64_t index = s * L.p + static_cast<uint64_t>(r);
            hashes.blocks[static_cast<size_t>(L.dataBlocks + index)] =
                hash64(row + static_cast<size_t>(r) * block, block, parityHashSeed(index));
        }
        out.writeAt(parityOffset + s * parityRow, row, parityRow);
    };

    std::future<void> next = std::async(std::launch::async, readWindow, 0);
    for (uint64_t w = 0; w < windows; ++w) {
        next.get();
        if (w + 1 < windows) next = std::async(std::launch::async, readWindow, w + 1);
        const uint8_t* buf = buffers[w % 2].get();
        const uint64_t r0 = w * perWindow, r1 = std::min(rows, r0 + perWindow);
        try {
            parallelFor(L.stripes, workers, [&](uint64_t s, unsigned) {
                const uint8_t* in[256];
                uint8_t* out[256];
                int cols = 0;
                for (uint64_t r = r0; r < r1 && L.blockAt(s, static_cast<int>(r)) < L.dataBlocks; ++r)
                    in[cols++] = buf + ((r - r0) * L.stripes + s) * block;
                for (int r = 0; r < L.p; ++r) out[r] = parity.get() + s * parityRow + static_cast<size_t>(r) * block;
                // In tiles whose inputs and parity stay in the core's cache
                // while every parity row is made.
                for (size_t x = 0; cols && x < block; x += kTile) {
                    const size_t len = std::min(kTile, block - x);
                    code.regions().encodePart(static_cast<int>(r0), {in, static_cast<size_t>(cols)},
                                              {out, static_cast<size_t>(L.p)}, len, r0 != 0);
                    for (int c = 0; c < cols; ++c) in[c] += len;
                    for (int r = 0; r < L.p; ++r) out[r] += len;
                }
                if (w + 1 == windows) finishStripe(s);
            });
        } catch (...) {
            if (next.valid()) next.wait();
            throw;
        }
    }
    hashes.file = whole.digest();
}

struct Worker {
    std::vector<uint8_t> pieces;            // (k + p) chunks
    std::vector<uint8_t> zeros;             // one chunk: the virtual blocks
    std::vector<BlockHasher> states;        // one per row
};

// Two reads, for parity too large to hold: the stripes in turn (block hashes
// and parity), and the file in order for the whole-file hash and the block
// hashes again, which must agree with the first read's.
void protectByStripes(const File& input, const Layout& L, const StripeCode& code, unsigned workers,
                      Progress& progress, Hashes& hashes, File& out, uint64_t parityOffset,
                      const std::string& name) {
    std::exception_ptr hashError;
    std::vector<uint64_t> inOrder;
    std::thread hasher([&] {
        try {
            hashes.file = wholeFileAndBlockHashes(input, L, &progress, inOrder);
        } catch (...) {
            hashError = std::current_exception();
        }
    });
    try {
        const size_t chunk = chunkSize(L, workers);
        const size_t rows = static_cast<size_t>(L.k + L.p);
        std::vector<Worker> pool(workers);
        parallelFor(L.stripes, workers, [&](uint64_t s, unsigned w) {
            Worker& wk = pool[w];
            if (wk.pieces.empty()) {
                wk.pieces.resize(rows * chunk);
                wk.zeros.assign(chunk, 0);
                wk.states.resize(rows);
            }
            std::vector<const uint8_t*> in(static_cast<size_t>(L.k));
            std::vector<uint8_t*> par(static_cast<size_t>(L.p));
            for (int r = 0; r < L.p; ++r) par[r] = &wk.pieces[(L.k + r) * chunk];
            for (size_t r = 0; r < rows; ++r) {
                const uint64_t seed = r < static_cast<size_t>(L.k) ? dataHashSeed(L.blockAt(s, static_cast<int>(r)))
                                                                   : parityHashSeed(s * L.p + (r - L.k));
                wk.states[r].reset(seed);
            }
            for (uint64_t x = 0; x < L.blockSize; x += chunk) {
                const size_t len = static_cast<size_t>(std::min<uint64_t>(chunk, L.blockSize - x));
                for (int j = 0; j < L.k; ++j) {
                    const uint64_t b = L.blockAt(s, j);
                    if (b >= L.dataBlocks) {
                        in[j] = wk.zeros.data();
                        continue;
                    }
                    uint8_t* piece = &wk.pieces[j * chunk];
                    const size_t own = readDataChunk(input, L.fileSize, L, b, x, len, piece);
                    wk.states[j].update(piece, own);
                    progress.add(own);
                    in[j] = piece;
                }
                code.regions().encode(in, par, len);
                for (int r = 0; r < L.p; ++r) {
                    const uint64_t index = s * L.p + r;
                    wk.states[L.k + r].update(par[r], len);
                    out.writeAt(parityOffset + index * L.blockSize + x, par[r], len);
                }
            }
            for (int j = 0; j < L.k; ++j) {
                const uint64_t b = L.blockAt(s, j);
                if (b < L.dataBlocks) hashes.blocks[b] = wk.states[j].digest();
            }
            for (int r = 0; r < L.p; ++r) hashes.blocks[L.dataBlocks + s * L.p + r] = wk.states[L.k + r].digest();
        });
    } catch (...) {
        hasher.join();
        throw;
    }
    hasher.join();
    if (hashError) std::rethrow_exception(hashError);
    if (!std::equal(inOrder.begin(), inOrder.end(), hashes.blocks.begin()))
        throw Failure(kExitIo, name + ": changed while it was read; no parity file written");
}

} // namespace

int protectCommand(const ProtectOptions& options, const RunOptions& run) {
    const std::string parityPath = options.parity.empty() ? options.file + ".vekdi" : options.parity;
    if (options.percent < 1 || options.percent > 100)
        throw Failure(kExitUsage, "redundancy must be 1 to 100 percent");
    File input = openInput(options.file);
    checkOutput(parityPath, {{options.file, "the file to protect"}}, options.force);
    const FileStatus before = input.status();

    const uint64_t fileSize = before.size;
    std::string why;
    Header header;
    header.layout = Layout::choose(fileSize, options.percent, options.blockSize, &why);
    if (!why.empty()) throw Failure(kExitUsage, why);
    header.percent = static_cast<uint32_t>(options.percent);
    header.nameHash = fileNameHash(options.file);
    const Layout& L = header.layout;
    const unsigned workers = workerCount(run.threads);

    // The parity file can rebuild the whole file: no one may read it who may
    // not read the file.
    TempOutput output(parityPath, before, 0666);
    File& out = output.file();
    {
        out.resize(header.parityFileSize());
        Hashes hashes;
        hashes.blocks.assign(static_cast<size_t>(header.hashEntries()), 0);
        const uint64_t parityBytes = L.parityBlocks() * L.blockSize;
        const uint64_t inMemory = options.parityInMemory ? options.parityInMemory : kParityInMemory;
        const bool inOrder = parityBytes <= inMemory && L.stripes * L.blockSize <= kWindowBytes;
        Progress progress("protect", inOrder ? fileSize : fileSize * 2, !run.quiet && stderrIsTerminal());
        if (!L.dataBlocks) {
            WholeFileHasher empty;
            hashes.file = empty.digest();
        } else if (inOrder) {
            protectInOrder(input, L, StripeCode(L.k, L.p), workers, progress, hashes, out, header.parityOffset());
        } else {
            protectByStripes(input, L, StripeCode(L.k, L.p), workers, progress, hashes, out, header.parityOffset(),
                             options.file);
        }
        progress.finish();
        header.fileHash = hashes.file;
        // The file may have changed while it was read, even back to its size.
        if (!input.status().sameContentAs(before))
            throw Failure(kExitIo, options.file + ": changed while it was read; no parity file written");

        const std::vector<uint8_t> table = encodeHashTable(hashes.blocks);
        const auto head = header.encode();
        out.writeAt(0, head.data(), head.size());
        out.writeAt(header.hashTableA(), table.data(), table.size());
        out.writeAt(header.hashTableB(), table.data(), table.size());
        out.writeAt(header.parityFileSize() - kHeaderSize, head.data(), head.size());
        output.commit();
    }
    if (!run.quiet) {
        std::printf("%s: protected by %s\n", options.file.c_str(), parityPath.c_str());
        printLayout(header);
    }
    return kExitOk;
}

} // namespace vekdi::tool
