// SPDX-License-Identifier: Apache-2.0
#include "commands/json_report.h"

#include <cstdio>

namespace vekdi::tool {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t utf8Length(const std::string& s, size_t i) {
    const auto byte = [&](size_t j) { return static_cast<unsigned char>(s[j]); };
    const unsigned c = byte(i);
    size_t n = 0;
    unsigned min = 0;
    if (c < 0x80) return 1;
    if (c >= 0xc2 && c <= 0xdf) n = 2, min = 0x80;
    else if (c >= 0xe0 && c <= 0xef) n = 3, min = 0x800;
    else if (c >= 0xf0 && c <= 0xf4) n = 4, min = 0x10000;
    else return 0;
    if (i + n > s.size()) return 0;
    unsigned cp = c & (0xff >> (n + 1));
    for (size_t j = 1; j < n; ++j) {
        if ((byte(i + j) & 0xc0) != 0x80) return 0;
        cp = cp << 6 | (byte(i + j) & 0x3f);
    }
    if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
    return n;
}

void field(std::string& out, const char* key, const std::string& jsonValue, bool& first) {
    out += first ? "" : ", ";
    first = false;
    out += '"';
    out += key;
    out += "\": ";
    out += jsonValue;
}

std::string num(uint64_t v) { return std::to_string(v); }

} // namespace

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        const size_t n = utf8Length(s, i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (n == 1 && (c < 0x20 || c == '"' || c == '\\')) {
            char buf[8];
            if (c == '"' || c == '\\')
                std::snprintf(buf, sizeof buf, "\\%c", c);
            else
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out.append(s, i, n);
        }
        i += n;
    }
    return out + '"';
}

std::string hexBytes(const std::string& s) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

void printJson(const JsonReport& r) {
    std::string out = "{";
    bool first = true;
    field(out, "command", jsonString(r.command), first);
    field(out, "exit_status", std::to_string(r.status), first);
    if (!r.message.empty()) field(out, "message", jsonString(r.message), first);
    if (r.command != "info" || !r.files.empty()) {
        std::string files = "[";
        for (size_t i = 0; i < r.files.size(); ++i) {
            const FileRecord& f = r.files[i];
            std::string o = "{";
            bool f1 = true;
            field(o, "path", jsonString(f.path), f1);
            field(o, "path_hex", jsonString(hexBytes(f.path)), f1);
            if (!f.parity.empty()) {
                field(o, "parity_file", jsonString(f.parity), f1);
                field(o, "parity_file_hex", jsonString(hexBytes(f.parity)), f1);
            }
            field(o, "exit_status", std::to_string(f.status), f1);
            field(o, "result", jsonString(f.result), f1);
            if (!f.message.empty()) field(o, "message", jsonString(f.message), f1);
            if (f.scanned) {
                field(o, "file_size", num(f.fileSize), f1);
                field(o, "recorded_size", num(f.recordedSize), f1);
                field(o, "data_blocks", num(f.dataBlocks), f1);
                field(o, "damaged_blocks", num(f.damagedBlocks), f1);
                field(o, "damaged_bytes", num(f.damagedBytes), f1);
                field(o, "parity_blocks", num(f.parityBlocks), f1);
                field(o, "damaged_parity_blocks", num(f.damagedParityBlocks), f1);
                std::string ranges = "[";
                for (size_t j = 0; j < f.damagedRanges.size(); ++j)
                    ranges += (j ? ", [" : "[") + num(f.damagedRanges[j].first) + ", " +
                              num(f.damagedRanges[j].second) + "]";
                field(o, "damaged_ranges", ranges + "]", f1);
            }
            if (f.repairedBlocks) field(o, "repaired_blocks", num(f.repairedBlocks), f1);
            files += (i ? ", " : "") + o + "}";
        }
        field(out, "files", files + "]", first);
    }
    if (r.hasInfo) {
        const InfoRecord& n = r.info;
        std::string o = "{";
        bool f1 = true;
        field(o, "path", jsonString(n.path), f1);
        field(o, "path_hex", jsonString(hexBytes(n.path)), f1);
        field(o, "format_version", num(n.version), f1);
        field(o, "file_size", num(n.fileSize), f1);
        field(o, "file_hash", jsonString(n.fileHash), f1);
        field(o, "block_size", num(n.blockSize), f1);
        field(o, "data_blocks", num(n.dataBlocks), f1);
        field(o, "stripes", num(n.stripes), f1);
        field(o, "data_rows", std::to_string(n.k), f1);
        field(o, "parity_rows", std::to_string(n.p), f1);
        field(o, "redundancy_percent", num(n.percent), f1);
        field(o, "header_copies", std::to_string(n.headerCopies), f1);
        field(o, "lost_hash_segments", num(n.lostHashSegments), f1);
        field(o, "parity_file_size", num(n.actualSize), f1);
        field(o, "recorded_parity_file_size", num(n.recordedSize), f1);
        field(o, "rebuilds_deleted_file", n.rebuildsDeletedFile ? "true" : "false", f1);
        field(out, "parity_file", o + "}", first);
    }
    out += "}\n";
    std::fputs(out.c_str(), stdout);
}

} // namespace vekdi::tool
