// SPDX-License-Identifier: Apache-2.0
// The code object behind vekdi_codes_rs.h (internal to vekdi-codes).
#pragma once

#include <vekdi.h>
#include <vekdi_codes.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "codes/rs_batch.h"

namespace vekdi::codes {

// GF(2^m): the field record of vekdi.h and log / exp tables.
struct Field {
    alignas(16) unsigned char record[544] = {};
    int m = 0, order = 0;
    uint8_t exp[510] = {};
    int log[256] = {};

    VeksGFContext_8u* native() { return reinterpret_cast<VeksGFContext_8u*>(record); }
    const VeksGFContext_8u* native() const { return reinterpret_cast<const VeksGFContext_8u*>(record); }
    uint8_t mul(uint8_t a, uint8_t b) const;
};

struct Code {
    static constexpr int kScratch = 3200;

    uint32_t magic = 0;
    VekRsCodeOptions options{};
    int n = 0, k = 0, r = 0, fullN = 0, pad = 0;
    Field field;      // the caller's
    Field codeField;  // the decoder's: the caller's, or an isomorphic one
    bool mapped = false;
    uint8_t fromSymbol[256] = {}, toSymbol[256] = {};  // caller's symbol <-> element of the caller's field
    uint8_t toCode[256] = {}, fromCode[256] = {};      // caller's symbol <-> element of the decoder's field
    std::vector<uint8_t> rows;                         // order x r: the table encoder's rows
    std::vector<uint64_t> rows64;                      // the same rows in one word each, for r <= 8
    bool tableEncode = false;                          // the table, or vekdi.h's full-length encoder
    std::unique_ptr<unsigned char[]> encoder, decoder;
    uint8_t generator[256] = {};  // g in the caller's field, lowest degree first, monic
    int codeRootLog = 0;          // the first root of the decoder's field, as a power of its alpha

    int32_t build(int n, int k, const VekRsCodeOptions& options);
    bool valid() const;
    VeksRSDecoder_8u* decoderRecord() const;
    VeksRSEncoder_8u* encoderRecord() const;

    // The r parity bytes of k message bytes (caller's symbols, validated).
    void parity(const uint8_t* message, uint8_t* out) const;
    bool isCodeword(const uint8_t* word) const;
    // Decodes n received symbols into out (room for 2^m - 1 bytes, its
    // scratch); false when not correctable. erasures: count distinct positions.
    bool solve(const uint8_t* received, uint8_t* out, const int* erasures, int count, int algorithm) const;
    int32_t checkErasures(const int* erasures, int count) const;
    // Arguments validated: corrects word in place and fills the report.
    int32_t decodeOne(uint8_t* word, const int* erasures, int count, int algorithm, VekRsReport* report) const;
    // The batch tables, built on first use; null where the machine has no batch kernels.
    const BatchTables* batchTables() const;

  private:
    mutable std::once_flag batchOnce;
    mutable std::unique_ptr<BatchTables> batch;
};

// False when a byte is at or above 2^m.
bool symbolsValid(const Field& f, const uint8_t* bytes, std::size_t count);
bool overlaps(const void* a, std::size_t aLength, const void* b, std::size_t bLength);

}  // namespace vekdi::codes
