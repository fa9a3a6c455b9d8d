// SPDX-License-Identifier: Apache-2.0
#include "rebuild/rebuild.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "rebuild/codec.h"
#include "hash/file_hash.h"
#include "files/file_io.h"
#include "threads/parallel.h"
#include "rebuild/stripe_io.h"


namespace vekdi::tool {

namespace {

struct Scratch {
    std::vector<uint8_t> pieces;    // k + p received (then corrected) chunks
    std::vector<uint8_t> recomputed;// p chunks: parity of the received data
    std::vector<uint8_t> spare;     // one chunk
    std::vector<uint8_t> zeros;     // one chunk of zeros: virtual blocks, and rows not read
    std::vector<BlockHasher> states;
};

struct Context {
    const ParityInfo& info;
    const Damage& damage;
    const File& file;
    const File& parityFile;
    BlockWriter* output;
    const StripeCode& code;
    size_t chunk;
};

// Thrown out of the worker pool to stop at the first stripe beyond repair.
struct StripeFailure {};

struct StripeResult {
    bool ok = true;
    bool decoded = false;
    uint64_t repairedBlocks = 0;
    uint64_t changedBytes = 0;
    uint64_t correctedWords = 0;
};

const Layout& layoutOf(const Context& c) { return c.info.header.layout; }

uint64_t parityBlockOffset(const Context& c, uint64_t s, int r) {
    const Layout& L = layoutOf(c);
    return c.info.header.parityOffset() + (s * L.p + r) * L.blockSize;
}

bool isLostData(const Context& c, uint64_t s, int j) {
    const Layout& L = layoutOf(c);
    const uint64_t b = L.blockAt(s, j);
    return b < L.dataBlocks && c.damage.data[b] != BlockState::Good;
}

// True when the finished block matches its recorded hash (or no hash survives).
bool blockConfirmed(const Context& c, uint64_t b, const BlockHasher& state) {
    return !c.info.hashes.known[b] || state.digest() == c.info.hashes.entries[b];
}

// Counts bytes of the received block that differ from the rebuilt piece.
uint64_t countChanged(const Context& c, uint64_t b, uint64_t x, const uint8_t* rebuilt, size_t own,
                      std::vector<uint8_t>& spare) {
    const Layout& L = layoutOf(c);
    readDataChunk(c.file, c.damage.fileSize, L, b, x, own, spare.data());
    const uint64_t start = L.blockOffset(b) + x;
    const uint64_t present = start >= c.damage.fileSize ? 0 : std::min<uint64_t>(own, c.damage.fileSize - start);
    uint64_t n = own - present;
    for (size_t i = 0; i < present; ++i) n += spare[i] != rebuilt[i];
    return n;
}

void writePiece(const Context& c, uint64_t b, uint64_t x, const uint8_t* piece, size_t own) {
    if (c.output && own) c.output->writeAt(layoutOf(c).blockOffset(b) + x, piece, own);
}

// Erasures only: the lost data rows from the other rows and the first intact
// parity rows (`use`, as many as lost), which are the rows the library's
// reconstruct reads; damaged parity rows before the last of them are rebuilt
// into scratch so that they are not read.
bool solveErasures(const Context& c, uint64_t s, const std::vector<int>& lost, const std::vector<int>& use,
                   Scratch& w, StripeResult& res) {
    const Layout& L = layoutOf(c);
    const int e = static_cast<int>(lost.size());
    std::vector<uint8_t*> shards(static_cast<size_t>(L.k + L.p), w.zeros.data());
    std::vector<int> gone(lost.begin(), lost.end());
    std::vector<uint8_t*> out(static_cast<size_t>(e));
    for (int l = 0; l < e; ++l) {
        out[l] = &w.recomputed[static_cast<size_t>(l) * c.chunk];
        shards[static_cast<size_t>(lost[l])] = out[l];
        w.states[l].reset(dataHashSeed(L.blockAt(s, lost[l])));
    }
    std::vector<int> read;
    for (int r = 0, spare = e; r <= use.back(); ++r) {
        if (std::find(use.begin(), use.end(), r) != use.end()) {
            read.push_back(r);
            shards[static_cast<size_t>(L.k + r)] = &w.pieces[static_cast<size_t>(L.k + r) * c.chunk];
        } else {
            gone.push_back(L.k + r);
            shards[static_cast<size_t>(L.k + r)] = &w.recomputed[static_cast<size_t>(spare++) * c.chunk];
        }
    }
    uint64_t changed = 0;
    for (uint64_t x = 0; x < L.blockSize; x += c.chunk) {
        const size_t len = static_cast<size_t>(std::min<uint64_t>(c.chunk, L.blockSize - x));
        for (int j = 0; j < L.k; ++j) {
            const uint64_t b = L.blockAt(s, j);
            if (b >= L.dataBlocks || isLostData(c, s, j)) continue;
            uint8_t* piece = &w.pieces[static_cast<size_t>(j) * c.chunk];
            readDataChunk(c.file, c.damage.fileSize, L, b, x, len, piece);
            shards[static_cast<size_t>(j)] = piece;
        }
        for (int r : read)
            readParityChunk(c.parityFile, c.info.actualSize, parityBlockOffset(c, s, r) + x, len,
                            shards[static_cast<size_t>(L.k + r)]);
        try {
            c.code.regions().reconstruct(shards, gone, len);
        } catch (const vekdi::Error& e) {
            // A singular survivor set (never for this code) fails the stripe;
            // any other status is the program's own fault.
            if (exitStatusForLibrary(e.status()) != kExitNotRepairable) throw;
            return false;
        }
        for (int l = 0; l < e; ++l) {
            const uint64_t b = L.blockAt(s, lost[l]);
            const uint64_t bl = L.blockLength(b);
            const size_t own = x < bl ? static_cast<size_t>(std::min<uint64_t>(len, bl - x)) : 0;
            w.states[l].update(out[l], own);
            changed += countChanged(c, b, x, out[l], own, w.spare);
            writePiece(c, b, x, out[l], own);
        }
    }
    for (int l = 0; l < e; ++l)
        if (!blockConfirmed(c, L.blockAt(s, lost[l]), w.states[l])) return false;
    res.repairedBlocks += static_cast<uint64_t>(e);
    res.changedBytes += changed;
    return true;
}

// Errors and erasures: every codeword whose parity disagrees with its data is decoded.
bool decodeErrors(const Context& c, uint64_t s, Scratch& w, StripeResult& res) {
    const Layout& L = layoutOf(c);
    const int n = L.k + L.p;
    res.decoded = true;
    // Rows known to be right (hash matches, or a virtual zero block) and rows known to be gone.
    std::vector<bool> trusted(static_cast<size_t>(n)), gone(static_cast<size_t>(n), false);
    std::vector<int> base;
    for (int j = 0; j < L.k; ++j) {
        const uint64_t b = L.blockAt(s, j);
        trusted[j] = b >= L.dataBlocks || c.damage.data[b] == BlockState::Good;
        gone[j] = b < L.dataBlocks && c.damage.data[b] == BlockState::Missing;
    }
    for (int r = 0; r < L.p; ++r) {
        const BlockState st = c.damage.parity[static_cast<size_t>(s * L.p + r)];
        trusted[L.k + r] = st == BlockState::Good;
        gone[L.k + r] = st == BlockState::Missing;
    }
    for (int i = 0; i < n; ++i)
        if (gone[i]) base.push_back(i);
    if (static_cast<int>(base.size()) > L.p) return false;
    if (static_cast<int>(base.size()) == L.p) {
        // Erasures use up every parity row: no error can be corrected, so a
        // row whose hash is known to differ makes the stripe hopeless. Said
        // at once rather than after decoding every column (a parity file cut
        // short costs no work for the blocks it lacks).
        for (int j = 0; j < L.k; ++j) {
            const uint64_t b = L.blockAt(s, j);
            if (!trusted[j] && !gone[j] && c.info.hashes.known[b]) return false;
        }
        for (int r = 0; r < L.p; ++r) {
            const size_t entry = static_cast<size_t>(L.dataBlocks + s * L.p + r);
            if (!trusted[L.k + r] && !gone[L.k + r] && c.info.hashes.known[entry]) return false;
        }
        // With every parity row gone, decoding could only recompute them: the
        // data rows stay as read, for the whole-file hash to judge.
        bool dataGone = false;
        for (int j = 0; j < L.k; ++j) dataGone = dataGone || gone[j];
        if (!dataGone) return true;
    }

    for (int j = 0; j < L.k; ++j) w.states[j].reset(dataHashSeed(L.blockAt(s, j)));
    std::vector<const uint8_t*> data(static_cast<size_t>(L.k));
    std::vector<uint8_t*> recomputed(static_cast<size_t>(L.p));
    for (int r = 0; r < L.p; ++r) recomputed[r] = &w.recomputed[static_cast<size_t>(r) * c.chunk];
    std::vector<uint8_t> word(static_cast<size_t>(n)), before(static_cast<size_t>(n));
    std::vector<int> changed, erasures, failed;
    std::vector<uint32_t> changes(static_cast<size_t>(n));
    uint64_t changedBytes = 0;

    for (uint64_t x = 0; x < L.blockSize; x += c.chunk) {
        const size_t len = static_cast<size_t>(std::min<uint64_t>(c.chunk, L.blockSize - x));
        auto piece = [&](int row) { return &w.pieces[static_cast<size_t>(row) * c.chunk]; };
        for (int j = 0; j < L.k; ++j) {
            const uint64_t b = L.blockAt(s, j);
            if (b >= L.dataBlocks)
                std::memset(piece(j), 0, len);
            else
                readDataChunk(c.file, c.damage.fileSize, L, b, x, len, piece(j));
            data[j] = piece(j);
        }
        for (int r = 0; r < L.p; ++r)
            readParityChunk(c.parityFile, c.info.actualSize, parityBlockOffset(c, s, r) + x, len, piece(L.k + r));
        c.code.regions().encode(data, recomputed, len);

        std::fill(changes.begin(), changes.end(), 0);
        failed.clear();
        uint32_t successes = 0;
        auto tryColumn = [&](size_t col, const std::vector<int>& er) {
            for (int i = 0; i < n; ++i) word[i] = piece(i)[col];
            std::memcpy(before.data(), word.data(), word.size());
            if (!c.code.decodeWord(word.data(), er, changed)) return false;
            // Erased symbols may decode to what was read: count only changes.
            changed.erase(std::remove_if(changed.begin(), changed.end(), [&](int i) { return word[i] == before[i]; }),
                          changed.end());
            for (int i : changed)
                if (trusted[i]) return false;
            for (int i : changed) {
                piece(i)[col] = word[i];
                ++changes[i];
                if (i < L.k) ++changedBytes;
            }
            if (!changed.empty()) ++res.correctedWords;
            return true;
        };
        for (size_t col = 0; col < len; ++col) {
            bool consistent = true;
            for (int r = 0; r < L.p && consistent; ++r) consistent = recomputed[r][col] == piece(L.k + r)[col];
            if (consistent && base.empty()) continue;
            if (tryColumn(col, base))
                ++successes;
            else
                failed.push_back(col);
        }
        if (!failed.empty()) {
            // Rows that needed correcting in most decodable codewords are
            // probably wholly damaged: erase them in the codewords that failed.
            erasures = base;
            std::vector<int> order;
            for (int i = 0; i < n; ++i)
                if (!trusted[i] && !gone[i] && successes && changes[i] * 4 > successes) order.push_back(i);
            std::sort(order.begin(), order.end(), [&](int a, int b) { return changes[a] > changes[b]; });
            for (int i : order)
                if (static_cast<int>(erasures.size()) < L.p) erasures.push_back(i);
            std::sort(erasures.begin(), erasures.end());
            if (erasures.size() == base.size()) return false;
            for (size_t col : failed)
                if (!tryColumn(col, erasures)) return false;
        }
        for (int j = 0; j < L.k; ++j) {
            const uint64_t b = L.blockAt(s, j);
            if (trusted[j]) continue;
            const uint64_t bl = L.blockLength(b);
            const size_t own = x < bl ? static_cast<size_t>(std::min<uint64_t>(len, bl - x)) : 0;
            w.states[j].update(piece(j), own);
            writePiece(c, b, x, piece(j), own);
        }
    }
    for (int j = 0; j < L.k; ++j) {
        if (trusted[j]) continue;
        if (!blockConfirmed(c, L.blockAt(s, j), w.states[j])) return false;
        ++res.repairedBlocks;
    }
    res.changedBytes += changedBytes;
    return true;
}

StripeResult rebuildStripe(const Context& c, uint64_t s, Scratch& w) {
    const Layout& L = layoutOf(c);
    StripeResult res;
    std::vector<int> lost, use;
    for (int j = 0; j < L.k; ++j)
        if (isLostData(c, s, j)) lost.push_back(j);
    for (int r = 0; r < L.p; ++r)
        if (c.damage.parity[static_cast<size_t>(s * L.p + r)] == BlockState::Good) use.push_back(r);
    if (lost.size() <= use.size()) {
        use.resize(lost.size());
        if (solveErasures(c, s, lost, use, w, res)) return res;
        res = StripeResult{};
    }
    res.ok = decodeErrors(c, s, w, res);
    return res;
}

} // namespace

RebuildResult rebuild(const ParityInfo& info, const Damage& damage, const File& file, const File& parityFile,
                      BlockWriter* output, unsigned workers, Progress* progress, uint64_t firstBlock,
                      uint64_t endBlock) {
    const Layout& L = info.header.layout;
    RebuildResult result;
    if (damage.damagedData == 0 || L.dataBlocks == 0) return result;
    std::vector<uint64_t> stripes;
    std::vector<bool> marked(static_cast<size_t>(L.stripes), false);
    for (uint64_t b = firstBlock; b < std::min(endBlock, L.dataBlocks); ++b)
        if (damage.data[b] != BlockState::Good) marked[b % L.stripes] = true;
    for (uint64_t s = 0; s < L.stripes; ++s)
        if (marked[s]) stripes.push_back(s);
    result.damagedStripes = stripes.size();
    if (progress) progress->setTotal(stripes.size());

    const StripeCode code(L.k, L.p);
    const Context c{info, damage, file, parityFile, output, code, chunkSize(L, workers)};
    const size_t n = static_cast<size_t>(L.k + L.p);
    std::vector<Scratch> scratch(workers);
    std::atomic<uint64_t> decoded{0}, failedCount{0}, blocks{0}, bytes{0}, words{0};
    try {
    parallelFor(stripes.size(), workers, [&](uint64_t task, unsigned wi) {
        Scratch& w = scratch[wi];
        if (w.pieces.empty()) {
            w.pieces.resize(n * c.chunk);
            w.recomputed.resize(static_cast<size_t>(L.p) * c.chunk);
            w.spare.resize(c.chunk);
            w.zeros.assign(c.chunk, 0);
            w.states.resize(n);
        }
        const StripeResult r = rebuildStripe(c, stripes[task], w);
        decoded += r.decoded;
        failedCount += !r.ok;
        blocks += r.repairedBlocks;
        bytes += r.changedBytes;
        words += r.correctedWords;
        if (progress) progress->add(1);
        // One stripe beyond repair decides the outcome.
        if (!r.ok) throw StripeFailure{};
    });
    } catch (const StripeFailure&) {
        failedCount += failedCount == 0;
    }
    result.decodedStripes = decoded;
    result.failedStripes = failedCount;
    result.repairedBlocks = blocks;
    result.changedBytes = bytes;
    result.correctedWords = words;
    return result;
}

} // namespace vekdi::tool
