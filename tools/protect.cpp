// SPDX-License-Identifier: Apache-2.0
// protect: hashes every block, encodes every stripe, writes the parity file
// under a temporary name and renames it into place when it is complete.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <thread>
#include <vector>

#include "codec.h"
#include "commands.h"
#include "errors.h"
#include "file_hash.h"
#include "file_io.h"
#include "format.h"
#include "parallel.h"
#include "report.h"
#include "stripe_io.h"
#include "temp_output.h"


namespace vekdi::tool {

namespace {

struct Worker {
    std::vector<uint8_t> pieces;            // (k + p) chunks
    std::vector<BlockHasher> states;        // one per row
};

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
        std::vector<uint64_t> hashes(static_cast<size_t>(header.hashEntries()));
        Progress progress("protect", fileSize * 2, !run.quiet && stderrIsTerminal());

        // The whole-file hash reads the file in order beside the stripe work.
        // It also hashes every block from the bytes it hashes the file with:
        // blocks that differ from the ones encoded mean the file changed.
        std::exception_ptr hashError;
        std::vector<uint64_t> inOrder;
        std::thread hasher([&] {
            try {
                header.fileHash = wholeFileAndBlockHashes(input, L, &progress, inOrder);
            } catch (...) {
                hashError = std::current_exception();
            }
        });

        try {
            if (L.dataBlocks) {
                const StripeCode code(L.k, L.p);
                const size_t chunk = chunkSize(L, workers);
                const size_t rows = static_cast<size_t>(L.k + L.p);
                std::vector<Worker> pool(workers);
                parallelFor(L.stripes, workers, [&](uint64_t s, unsigned w) {
                    Worker& wk = pool[w];
                    if (wk.pieces.empty()) {
                        wk.pieces.resize(rows * chunk);
                        wk.states.resize(rows);
                    }
                    std::vector<const uint8_t*> in(static_cast<size_t>(L.k));
                    std::vector<uint8_t*> par(static_cast<size_t>(L.p));
                    for (int r = 0; r < L.p; ++r) par[r] = &wk.pieces[(L.k + r) * chunk];
                    for (size_t r = 0; r < rows; ++r) {
                        const uint64_t seed = r < static_cast<size_t>(L.k)
                                                  ? dataHashSeed(L.blockAt(s, static_cast<int>(r)))
                                                  : parityHashSeed(s * L.p + (r - L.k));
                        wk.states[r].reset(seed);
                    }
                    for (uint64_t x = 0; x < L.blockSize; x += chunk) {
                        const size_t len = static_cast<size_t>(std::min<uint64_t>(chunk, L.blockSize - x));
                        for (int j = 0; j < L.k; ++j) {
                            const uint64_t b = L.blockAt(s, j);
                            if (b >= L.dataBlocks) {
                                in[j] = nullptr;
                                continue;
                            }
                            uint8_t* piece = &wk.pieces[j * chunk];
                            const size_t own = readDataChunk(input, fileSize, L, b, x, len, piece);
                            wk.states[j].update(piece, own);
                            progress.add(own);
                            in[j] = own ? piece : nullptr;
                        }
                        code.encode(in.data(), par.data(), len);
                        for (int r = 0; r < L.p; ++r) {
                            const uint64_t index = s * L.p + r;
                            wk.states[L.k + r].update(par[r], len);
                            out.writeAt(header.parityOffset() + index * L.blockSize + x, par[r], len);
                        }
                    }
                    for (int j = 0; j < L.k; ++j) {
                        const uint64_t b = L.blockAt(s, j);
                        if (b < L.dataBlocks) hashes[b] = wk.states[j].digest();
                    }
                    for (int r = 0; r < L.p; ++r)
                        hashes[L.dataBlocks + s * L.p + r] = wk.states[L.k + r].digest();
                });
            }
        } catch (...) {
            hasher.join();
            throw;
        }
        hasher.join();
        if (hashError) std::rethrow_exception(hashError);
        progress.finish();
        if (!input.status().sameContentAs(before) ||
            !std::equal(inOrder.begin(), inOrder.end(), hashes.begin()))
            throw Failure(kExitIo, options.file + ": changed while it was read; no parity file written");

        const std::vector<uint8_t> table = encodeHashTable(hashes);
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
