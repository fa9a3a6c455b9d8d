// SPDX-License-Identifier: Apache-2.0
#include "rebuild/damage.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "hash/file_hash.h"
#include "files/file_io.h"
#include "threads/parallel.h"


namespace vekdi::tool {

namespace {

constexpr uint64_t kTaskBytes = 4u << 20;
// Bytes of the file read at once.
constexpr uint64_t kReadBytes = 1u << 20;

BlockState blockState(const ParityInfo& info, uint64_t b, uint64_t hash) {
    return info.hashes.known[b] && hash == info.hashes.entries[b] ? BlockState::Good : BlockState::Damaged;
}

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

// The data blocks' states and the whole-file hash (over the recorded length,
// when the file has it) from one read of the file in order.
void hashInOrder(const File& file, Damage& d, const ParityInfo& info, Progress* progress) {
    const Layout& L = info.header.layout;
    const uint64_t length = std::min(d.fileSize, L.fileSize);
    WholeFileHasher whole;
    BlockHasher block;
    std::vector<uint8_t> buf(static_cast<size_t>(kReadBytes));
    uint64_t at = 0;
    while (at < length) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), length - at));
        const size_t got = file.readAt(at, buf.data(), want);
        whole.update(buf.data(), got);
        for (size_t i = 0; i < got;) {
            const uint64_t pos = at + i, b = pos / L.blockSize, inBlock = pos % L.blockSize;
            const uint64_t blockLen = L.blockLength(b);
            const size_t n = static_cast<size_t>(std::min<uint64_t>(got - i, blockLen - inBlock));
            if (inBlock == 0 && n == blockLen) {
                d.data[static_cast<size_t>(b)] = blockState(info, b, hash64(buf.data() + i, n, dataHashSeed(b)));
            } else {
                if (inBlock == 0) block.reset(dataHashSeed(b));
                block.update(buf.data() + i, n);
                if (inBlock + n == blockLen) d.data[static_cast<size_t>(b)] = blockState(info, b, block.digest());
            }
            i += n;
        }
        if (progress) progress->add(got);
        at += got;
        if (got < want) break;  // the file ended early: it shrank since it was measured
    }
    // Blocks not wholly read: missing when they start past the end.
    for (uint64_t b = at / L.blockSize; b < L.dataBlocks; ++b) {
        if (L.blockOffset(b) + L.blockLength(b) <= at) continue;
        d.data[static_cast<size_t>(b)] = L.blockOffset(b) >= at ? BlockState::Missing : BlockState::Damaged;
        if (progress) progress->add(L.blockLength(b));
    }
    d.wholeHashMatches = at == L.fileSize && whole.digest() == info.header.fileHash;
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

    // The file is read once, in order, for the whole-file hash and the block
    // hashes; the parity blocks are hashed meanwhile by the workers.
    std::exception_ptr hashError;
    std::thread reader([&] {
        try {
            hashInOrder(file, d, info, progress);
        } catch (...) {
            hashError = std::current_exception();
        }
    });

    try {
        const uint64_t perTask = std::max<uint64_t>(1, kTaskBytes / L.blockSize);
        const uint64_t parityTasks = (L.parityBlocks() + perTask - 1) / perTask;
        std::vector<std::vector<uint8_t>> buffers(workers);
        parallelFor(parityTasks, workers, [&](uint64_t task, unsigned w) {
            auto& buf = buffers[w];
            if (buf.empty()) buf.resize(static_cast<size_t>(std::min<uint64_t>(L.blockSize, 1u << 20)));
            const uint64_t first = task * perTask;
            const uint64_t end = std::min(first + perTask, L.parityBlocks());
            for (uint64_t i = first; i < end; ++i) {
                uint64_t hash = 0;
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
        });
    } catch (...) {
        reader.join();
        throw;
    }
    reader.join();
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
