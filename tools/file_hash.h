// SPDX-License-Identifier: Apache-2.0
// The whole-file hash (XXH3-128) of a file's first bytes, read in order.
#pragma once

#include <array>
#include <cstdint>

namespace vekdi::tool {

class File;
class Progress;

// XXH3-128 of the first `length` bytes of `file` (fewer if it is shorter), in
// canonical big-endian form.
std::array<uint8_t, 16> wholeFileHash(const File& file, uint64_t length, Progress* progress = nullptr);

} // namespace vekdi::tool
