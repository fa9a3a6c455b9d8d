// SPDX-License-Identifier: Apache-2.0
// --json: one JSON document per run, its keys described by
// docs/vekdi-json.schema.json. Commands fill a FileRecord per file; the
// command line prints the document when the run ends.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vekdi::tool {

struct FileRecord {
    std::string path;
    std::string parity;
    int status = 0;
    std::string result;  // "intact", "repairable", "repaired", "protected", "skipped", "failed", ...
    std::string message; // the failure's line, when it failed
    bool scanned = false; // the counts below are known
    uint64_t fileSize = 0, recordedSize = 0, dataBlocks = 0, damagedBlocks = 0, damagedBytes = 0;
    uint64_t parityBlocks = 0, damagedParityBlocks = 0, repairedBlocks = 0;
    std::vector<std::pair<uint64_t, uint64_t>> damagedRanges; // [first, last] byte offsets
};

struct InfoRecord {
    std::string path;
    uint32_t version = 0;
    uint64_t fileSize = 0, blockSize = 0, dataBlocks = 0, stripes = 0;
    int k = 0, p = 0;
    uint32_t percent = 0;
    std::string fileHash;
    int headerCopies = 0;
    uint64_t lostHashSegments = 0, actualSize = 0, recordedSize = 0;
    bool rebuildsDeletedFile = false;
};

struct JsonReport {
    std::string command;
    std::vector<FileRecord> files;
    bool hasInfo = false;
    InfoRecord info;
    int status = 0;
    std::string message; // a failure outside any file (usage)
};

// A file name as JSON text: invalid UTF-8 becomes U+FFFD.
std::string jsonString(const std::string& bytes);
// The bytes as lowercase hex.
std::string hexBytes(const std::string& bytes);
// The document on stdout.
void printJson(const JsonReport& report);

} // namespace vekdi::tool
