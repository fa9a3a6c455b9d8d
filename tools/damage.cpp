// SPDX-License-Identifier: Apache-2.0
#include "damage.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "file_hash.h"
#include "file_io.h"
#include "parallel.h"


namespace vekdi::tool {

namespace {

constexpr uint64_t kTaskBytes = 4u << 20;

// Hash of `len` bytes at `offset` read in pieces; false when the file ends first.
bool hashRange(const File& f, uint64_t offset, uint64_t len, uint64_t seed, std::vector<uint8_t>& buf,
               uint64_t& hash) {
    BlockHasher state;
    state.reset(seed);
    for (uint64_t done = 0; done < len;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), len - done));
        const size_t got = f.readAt(offset + done, buf.data(), want);
        state.update(buf.data(), got);
        if (got < want) return false;
        done += got;
    }
    hash = state.digest();
    return true;
}

} // namespace

Damage findDamage(const File& file, const File& parityFile, const ParityInfo& info, unsigned workers,
                  Progress* progress) {
    const Header& h = info.header;
    const Layout& L = h.layout;
    Damage d;
    d.fileSize = file.size();
    d.data.assign(static_cast<size_t>(L.dataBlocks), BlockState::Good);
    d.parity.assign(static_cast<size_t>(L.parityBlocks()), BlockState::Good);
    const uint64_t paritySize = info.actualSize;

    std::exception_ptr hashError;
    std::thread hasher([&] {
        try {
            if (d.fileSize >= L.fileSize) d.wholeHashMatches = wholeFileHash(file, L.fileSize) == h.fileHash;
        } catch (...) {
            hashError = std::current_exception();
        }
    });

    try {
        const uint64_t perTask = std::max<uint64_t>(1, kTaskBytes / L.blockSize);
        const uint64_t dataTasks = (L.dataBlocks + perTask - 1) / perTask;
        const uint64_t parityTasks = (L.parityBlocks() + perTask - 1) / perTask;
        std::vector<std::vector<uint8_t>> buffers(workers);
        parallelFor(dataTasks + parityTasks, workers, [&](uint64_t task, unsigned w) {
            auto& buf = buffers[w];
            if (buf.empty()) buf.resize(static_cast<size_t>(std::min<uint64_t>(L.blockSize, 1u << 20)));
            const bool isData = task < dataTasks;
            const uint64_t first = (isData ? task : task - dataTasks) * perTask;
            const uint64_t end = std::min(first + perTask, isData ? L.dataBlocks : L.parityBlocks());
            for (uint64_t i = first; i < end; ++i) {
                uint64_t hash = 0;
                if (isData) {
                    const uint64_t off = L.blockOffset(i), len = L.blockLength(i);
                    BlockState st = BlockState::Good;
                    if (off >= d.fileSize && len > 0)
                        st = BlockState::Missing;
                    else if (!hashRange(file, off, len, dataHashSeed(i), buf, hash) || !info.hashes.known[i] ||
                             hash != info.hashes.entries[i])
                        st = BlockState::Damaged;
                    d.data[i] = st;
                    if (progress) progress->add(len);
                } else {
                    const uint64_t off = h.parityOffset() + i * L.blockSize;
                    const size_t entry = static_cast<size_t>(L.dataBlocks + i);
                    BlockState st = BlockState::Good;
                    if (off >= paritySize)
                        st = BlockState::Missing;
                    else if (!hashRange(parityFile, off, L.blockSize, parityHashSeed(i), buf, hash) ||
                             !info.hashes.known[entry] || hash != info.hashes.entries[entry])
                        st = BlockState::Damaged;
                    d.parity[i] = st;
                    if (progress) progress->add(L.blockSize);
                }
            }
        });
    } catch (...) {
        hasher.join();
        throw;
    }
    hasher.join();
    if (hashError) std::rethrow_exception(hashError);

    for (uint64_t b = 0; b < L.dataBlocks; ++b) {
        if (d.data[b] == BlockState::Good) {
            ++d.matchingData;
        } else {
            ++d.damagedData;
            d.damagedBytes += L.blockLength(b);
        }
    }
    for (BlockState st : d.parity) d.damagedParity += st != BlockState::Good;
    return d;
}

} // namespace vekdi::tool
