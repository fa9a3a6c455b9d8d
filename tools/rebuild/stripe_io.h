// SPDX-License-Identifier: Apache-2.0
// Reading the pieces of blocks a stripe is processed in, and the size of those
// pieces that keeps memory bounded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/layout.h"

namespace vekdi::tool {

class File;

// Bytes of each block processed at once, so that all workers together hold
// at most about 48 MiB of stripe pieces.
size_t chunkSize(const Layout& layout, unsigned workers);

// Reads bytes [x, x + len) of data block `block` into buf. Bytes past the
// block's end or past the end of the file as it is (`available` bytes) read
// as zero. Returns how many of the block's own bytes were present.
size_t readDataChunk(const File& file, uint64_t available, const Layout& layout, uint64_t block, uint64_t x,
                     size_t len, uint8_t* buf);

// Reads [x, x + len) of the parity block at `offset`, zero past the end of
// the parity file (`available` bytes).
void readParityChunk(const File& file, uint64_t available, uint64_t offset, size_t len, uint8_t* buf);

} // namespace vekdi::tool
