// SPDX-License-Identifier: Apache-2.0
// Finding damage: every data block and parity block compared with its
// recorded hash, the file's size with the recorded one, and the whole-file hash.
#pragma once

#include <cstdint>
#include <vector>

#include "format/format.h"

namespace vekdi::tool {

class File;
class Progress;

enum class BlockState : uint8_t {
    Good,    // hash matches
    Damaged, // present but its hash differs, or its hash is lost
    Missing, // wholly past the end of the file
};

struct Damage {
    uint64_t fileSize = 0; // the file as it is
    std::vector<BlockState> data;
    std::vector<BlockState> parity;
    uint64_t damagedData = 0;  // blocks not Good
    uint64_t damagedBytes = 0; // bytes in those blocks (as recorded)
    uint64_t matchingData = 0; // blocks whose hash matches
    uint64_t damagedParity = 0;
    bool wholeHashMatches = false; // over the recorded length, when the file has it

    bool contentIntact() const { return damagedData == 0 && wholeHashMatches; }
};

Damage findDamage(const File& file, const File& parityFile, const ParityInfo& info, unsigned workers,
                  Progress* progress);

} // namespace vekdi::tool
