// SPDX-License-Identifier: Apache-2.0
// Rebuilding damaged data blocks, stripe by stripe. A stripe with no more
// damaged data blocks than intact parity blocks is solved as erasures: one
// small linear system per stripe, applied to whole blocks. Otherwise each
// codeword whose parity does not match is decoded for errors (and the
// erasures it can afford); a decode may never change a block whose hash
// matched.
#pragma once

#include <cstdint>

#include "rebuild/damage.h"
#include "format/format.h"

namespace vekdi::tool {

class File;
class Progress;

// Where rebuilt pieces of data blocks go (called from several threads at once,
// never twice for overlapping bytes at the same time).
class BlockWriter {
public:
    virtual ~BlockWriter() = default;
    virtual void writeAt(uint64_t offset, const uint8_t* data, size_t len) = 0;
};

struct RebuildResult {
    uint64_t damagedStripes = 0;
    uint64_t decodedStripes = 0;  // needed decoding for errors
    uint64_t failedStripes = 0;
    uint64_t repairedBlocks = 0;
    uint64_t changedBytes = 0;    // bytes that differ from what was read (missing bytes included)
    uint64_t correctedWords = 0;  // codewords corrected by the decoder
};

// With `output` null nothing is written and stripes that erasures alone
// repair are counted without being computed. Only the stripes with a damaged
// block among blocks [firstBlock, endBlock) are rebuilt (every block by
// default); each is rebuilt whole.
RebuildResult rebuild(const ParityInfo& info, const Damage& damage, const File& file, const File& parityFile,
                      BlockWriter* output, unsigned workers, Progress* progress, uint64_t firstBlock = 0,
                      uint64_t endBlock = UINT64_MAX);

} // namespace vekdi::tool
