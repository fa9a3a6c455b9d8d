// SPDX-License-Identifier: Apache-2.0
// The error map of docs/architecture.md ("Checks and errors"), read from the
// document itself: every status the C functions return has a row, each row's
// case gives that status through C and the documented outcome through
// vekdi.hpp, and the tool's exit status for it is the one written there.
#include <gtest/gtest.h>

#include <vekdi.hpp>

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "tools/base/errors.h"

namespace {

using vekdi::ErasureCode;
using vekdi::ReedSolomon;

struct Row {
    std::string status, caseName, cpp, python, tool;
};

// The table's rows: the lines after the "| C status |" header in the section.
std::vector<Row> tableRows() {
    std::ifstream doc(VEKDI_ARCHITECTURE_DOC);
    std::vector<Row> rows;
    std::string line;
    bool inTable = false;
    auto strip = [](std::string cell) {
        cell.erase(0, cell.find_first_not_of(" `"));
        cell.erase(cell.find_last_not_of(" `") + 1);
        return cell;
    };
    while (std::getline(doc, line)) {
        if (line.rfind("| C status |", 0) == 0) {
            inTable = true;
            continue;
        }
        if (!inTable || line.rfind("| ---", 0) == 0) continue;
        if (line.empty() || line[0] != '|') break;
        std::vector<std::string> cells;
        for (std::size_t at = 1, bar; (bar = line.find('|', at)) != std::string::npos; at = bar + 1)
            cells.push_back(strip(line.substr(at, bar - at)));
        if (cells.size() == 5) rows.push_back({cells[0], cells[1], cells[2], cells[3], cells[4]});
    }
    return rows;
}

const std::map<std::string, int>& statusValues() {
    static const std::map<std::string, int> values = {
        {"StatusNoMemory", StatusNoMemory},
        {"StatusBadArgument", StatusBadArgument},
        {"StatusDecodeFailure", StatusDecodeFailure},
        {"StatusOutOfRange", StatusOutOfRange},
        {"StatusNullPointer", StatusNullPointer},
        {"StatusDivideByZero", StatusDivideByZero},
        {"StatusDestinationTooSmall", StatusDestinationTooSmall},
        {"StatusContextMismatch", StatusContextMismatch},
        {"StatusNegativeShift", StatusNegativeShift},
        {"VekCodesNullPointer", VekCodesNullPointer},
        {"VekCodesBadCode", VekCodesBadCode},
        {"VekCodesBadArgument", VekCodesBadArgument},
        {"VekCodesOutOfRange", VekCodesOutOfRange},
        {"VekCodesOverlap", VekCodesOverlap},
        {"VekCodesTooFewSurvivors", VekCodesTooFewSurvivors},
        {"VekCodesSingular", VekCodesSingular},
        {"VekCodesNoMemory", VekCodesNoMemory},
        {"VekCodesUncorrectable", VekCodesUncorrectable},
        {"VekCodesBadSymbol", VekCodesBadSymbol},
        {"VekCodesBadField", VekCodesBadField},
    };
    return values;
}

// Two polynomials of degree 2 over GF(256), each with room for degree 2 only.
struct CPolys {
    vekdi::Field field{0x11D};
    std::vector<unsigned char> a, r;
    CPolys() {
        int size = 0;
        EXPECT_EQ(veksPolyGFGetSize_8u(2, &size), StatusOk);
        a.resize(static_cast<std::size_t>(size));
        r.resize(static_cast<std::size_t>(size));
        const uint8_t coeffs[3] = {1, 1, 1};
        EXPECT_EQ(veksPolyGFInit_8u(field.native(), 2, poly(a)), StatusOk);
        EXPECT_EQ(veksPolyGFInit_8u(field.native(), 2, poly(r)), StatusOk);
        EXPECT_EQ(veksPolyGFSetCoeffs_8u(coeffs, 2, poly(a)), StatusOk);
    }
    static VeksPolyGF_8u* poly(std::vector<unsigned char>& p) { return reinterpret_cast<VeksPolyGF_8u*>(p.data()); }
};

// k = 4 data and m = 2 parity shards of 8 bytes.
struct Shards {
    std::array<std::array<uint8_t, 8>, 6> bytes{};
    std::array<uint8_t*, 6> all{};
    Shards() {
        for (std::size_t i = 0; i < all.size(); ++i) all[i] = bytes[i].data();
    }
    std::array<const uint8_t*, 4> data() const { return {all[0], all[1], all[2], all[3]}; }
    std::array<uint8_t*, 2> parity() const { return {all[4], all[5]}; }
};

template <typename Object, typename Destroy>
std::unique_ptr<Object, Destroy> own(Object* object, Destroy destroy) {
    return {object, destroy};
}
VekErasureCode* erasureCode(int k, int m) {
    VekErasureCode* code = nullptr;
    EXPECT_EQ(vekErasureCodeCreate(k, m, 0, &code), VekCodesOk);
    return code;
}
// 0, 1, ..., 254: far from every codeword of RS(255, 223).
std::vector<uint8_t> ramp() {
    std::vector<uint8_t> word(255);
    std::iota(word.begin(), word.end(), uint8_t{0});
    return word;
}
std::vector<int> firstPositions(int count) {
    std::vector<int> positions(static_cast<std::size_t>(count));
    std::iota(positions.begin(), positions.end(), 0);
    return positions;
}

// Each case through C (the status it returns) and through vekdi.hpp (the
// decode's verdict, or nothing; an Error propagates).
struct Case {
    std::function<int()> c;
    std::function<std::optional<bool>()> cpp;
};

const std::map<std::string, Case>& cases() {
    static const std::map<std::string, Case> all = {
        {"gf-reducible",
         {[] {
              alignas(16) std::array<unsigned char, 1024> record{};
              const uint8_t coeffs[5] = {1, 0, 1, 0, 1};  // x^4 + x^2 + 1 = (x^2 + x + 1)^2
              return veksGFInit_8u(4, coeffs, reinterpret_cast<VeksGFContext_8u*>(record.data()));
          },
          [] { return (vekdi::Field(0x15), std::nullopt); }}},
        {"rs-export-too-many-errors",
         {[] {
              const vekdi::Field field(0x11D);
              int size = 0, buffer = 0;
              EXPECT_EQ(veksRSDecodeGetSize_8u(255, 223, &size), StatusOk);
              std::vector<uint64_t> record(static_cast<std::size_t>(size) / 8 + 1);
              auto* decoder = reinterpret_cast<VeksRSDecoder_8u*>(record.data());
              EXPECT_EQ(veksRSDecodeInit_8u(255, 223, field.native(), 2, decoder), StatusOk);
              EXPECT_EQ(veksRSDecodeBMGetBufferSize_8u(decoder, &buffer), StatusOk);
              std::vector<uint8_t> scratch(static_cast<std::size_t>(buffer)), word = ramp();
              return veksRSDecodeBM_8u(nullptr, 0, word.data(), decoder, scratch.data());
          },
          [] {
              std::vector<uint8_t> word = ramp();
              return std::optional<bool>(static_cast<bool>(ReedSolomon(255, 223).decode(word)));
          }}},
        {"gf-element-outside",
         {[] {
              uint8_t r = 0;
              return veksGFMul_8u(16, 1, &r, vekdi::Field(0x13).native());
          },
          [] { return (vekdi::Field(0x13).mul(16, 1), std::nullopt); }}},
        {"gf-null-output",
         {[] { return veksGFMul_8u(1, 1, nullptr, vekdi::Field(0x11D).native()); },
          [] {
              ReedSolomon code(255, 223);
              const ReedSolomon taken = std::move(code);
              return (code.n(), std::nullopt);  // NOLINT: use after move is the point
          }}},
        {"gf-divide-by-zero",
         {[] {
              uint8_t r = 0;
              return veksGFDiv_8u(1, 0, &r, vekdi::Field(0x11D).native());
          },
          [] { return (vekdi::Field(0x11D).div(1, 0), std::nullopt); }}},
        {"poly-small-destination",
         {[] {
              CPolys p;
              return veksPolyGFMul_8u(CPolys::poly(p.a), CPolys::poly(p.a), CPolys::poly(p.r));
          },
          {}}},
        {"gf-foreign-record",
         {[] {
              alignas(16) std::array<unsigned char, 1024> record{};
              uint8_t r = 0;
              return veksGFMul_8u(1, 1, &r, reinterpret_cast<const VeksGFContext_8u*>(record.data()));
          },
          {}}},
        {"poly-negative-shift",
         {[] {
              CPolys p;
              return veksPolyGFShlC_8u(CPolys::poly(p.a), -1, CPolys::poly(p.r));
          },
          {}}},
        {"ec-null-shard",
         {[] {
              const auto code = own(erasureCode(4, 2), vekErasureCodeDestroy);
              Shards s;
              auto data = s.data();
              data[0] = nullptr;
              return vekErasureCodeEncode(code.get(), data.data(), s.parity().data(), 8);
          },
          [] {
              Shards s;
              auto data = s.data();
              data[0] = nullptr;
              return (ErasureCode(4, 2).encode(data, s.parity(), 8), std::nullopt);
          }}},
        {"ec-foreign-object",
         {[] {
              alignas(64) std::array<unsigned char, 4096> junk{};
              int k = 0, m = 0;
              const uint8_t* matrix = nullptr;
              return vekErasureCodeShape(reinterpret_cast<const VekErasureCode*>(junk.data()), &k, &m, &matrix);
          },
          {}}},
        {"ec-no-data-shards",
         {[] {
              VekErasureCode* code = nullptr;
              return vekErasureCodeCreate(0, 2, 0, &code);
          },
          [] { return (ErasureCode(0, 2), std::nullopt); }}},
        {"ec-too-many-shards",
         {[] {
              VekErasureCode* code = nullptr;
              return vekErasureCodeCreate(250, 10, 0, &code);
          },
          [] { return (ErasureCode(250, 10), std::nullopt); }}},
        {"rs-longer-than-field",
         {[] {
              const VekRsCodeOptions options{0x13, 1, 1, 0, 0};
              VekRsCode* code = nullptr;
              return vekRsCodeCreate(16, 9, &options, &code);
          },
          [] { return (ReedSolomon(16, 9, {0x13}), std::nullopt); }}},
        {"rs-erasure-outside",
         {[] {
              std::vector<uint8_t> word(255);
              const int erasure = 255;
              return vekRsDecode(ReedSolomon(255, 223).native(), word.data(), &erasure, 1, VekRsBerlekampMassey, nullptr);
          },
          [] {
              std::vector<uint8_t> word(255);
              const int erasure = 255;
              return std::optional<bool>(static_cast<bool>(ReedSolomon(255, 223).decode(word, {&erasure, 1})));
          }}},
        {"ec-parity-over-data",
         {[] {
              const auto code = own(erasureCode(4, 2), vekErasureCodeDestroy);
              Shards s;
              auto parity = s.parity();
              parity[0] = s.all[0];
              return vekErasureCodeEncode(code.get(), s.data().data(), parity.data(), 8);
          },
          [] {
              Shards s;
              auto parity = s.parity();
              parity[0] = s.all[0];
              return (ErasureCode(4, 2).encode(s.data(), parity, 8), std::nullopt);
          }}},
        {"ec-too-few-survivors",
         {[] {
              const auto code = own(erasureCode(4, 2), vekErasureCodeDestroy);
              Shards s;
              const std::vector<int> lost = firstPositions(3);
              return vekErasureCodeReconstruct(code.get(), s.all.data(), lost.data(), 3, 8);
          },
          [] {
              Shards s;
              return (ErasureCode(4, 2).reconstruct(s.all, firstPositions(3), 8), std::nullopt);
          }}},
        {"ec-singular",
         {[] {
              const uint8_t rows[4] = {1, 1, 1, 1};
              VekErasureCode* raw = nullptr;
              EXPECT_EQ(vekErasureCodeCreateFromMatrix(2, 2, rows, &raw), VekCodesOk);
              const auto code = own(raw, vekErasureCodeDestroy);
              Shards s;
              const std::vector<int> lost = firstPositions(2);
              return vekErasureCodeReconstruct(code.get(), s.all.data(), lost.data(), 2, 8);
          },
          [] {
              const uint8_t rows[4] = {1, 1, 1, 1};
              Shards s;
              const std::array<uint8_t*, 4> shards{s.all[0], s.all[1], s.all[2], s.all[3]};
              return (ErasureCode::fromMatrix(2, 2, rows).reconstruct(shards, firstPositions(2), 8), std::nullopt);
          }}},
        {"rs-too-many-erasures",
         {[] {
              std::vector<uint8_t> word(255);
              const std::vector<int> erasures = firstPositions(33);
              return vekRsDecode(ReedSolomon(255, 223).native(), word.data(), erasures.data(), 33, VekRsBerlekampMassey, nullptr);
          },
          [] {
              std::vector<uint8_t> word(255);
              return std::optional<bool>(static_cast<bool>(ReedSolomon(255, 223).decode(word, firstPositions(33))));
          }}},
        {"rs-symbol-outside",
         {[] {
              std::vector<uint8_t> message(9, 16), word(15);
              return vekRsEncode(ReedSolomon(15, 9, {0x13}).native(), message.data(), word.data());
          },
          [] {
              const std::vector<uint8_t> message(9, 16);
              return (ReedSolomon(15, 9, {0x13}).encode(message), std::nullopt);
          }}},
        {"rs-reducible",
         {[] {
              const VekRsCodeOptions options{0x15, 1, 1, 0, 0};
              VekRsCode* code = nullptr;
              return vekRsCodeCreate(15, 9, &options, &code);
          },
          [] { return (ReedSolomon(15, 9, {0x15}), std::nullopt); }}},
    };
    return all;
}

TEST(ErrorMap, EveryStatusHasARowAndEveryCaseIsKnown) {
    const std::vector<Row> rows = tableRows();
    ASSERT_FALSE(rows.empty()) << "no error map in " << VEKDI_ARCHITECTURE_DOC;
    for (const auto& status : statusValues()) {
        const std::string& name = status.first;
        const bool listed = std::any_of(rows.begin(), rows.end(), [&](const Row& r) { return r.status == name; });
        EXPECT_TRUE(listed) << name << " has no row";
    }
    for (const Row& row : rows) {
        EXPECT_TRUE(statusValues().count(row.status)) << "unknown status " << row.status;
        EXPECT_TRUE(row.caseName == "—" || cases().count(row.caseName)) << "unknown case " << row.caseName;
    }
}

// The status and argument of a C++ cell "Error(StatusX, argument)", or
// nothing when the cell names no Error.
std::optional<std::pair<std::string, std::string>> errorCell(const std::string& cell) {
    const std::size_t open = cell.find("Error(");
    const std::size_t comma = cell.find(", ", open);
    const std::size_t close = cell.find(')', comma);
    if (open == std::string::npos || comma == std::string::npos || close == std::string::npos) return std::nullopt;
    return std::pair{cell.substr(open + 6, comma - open - 6), cell.substr(comma + 2, close - comma - 2)};
}

TEST(ErrorMap, EachRowHoldsThroughCAndCpp) {
    for (const Row& row : tableRows()) {
        if (row.caseName == "—" || !cases().count(row.caseName)) continue;
        SCOPED_TRACE(row.status + " / " + row.caseName);
        const Case& c = cases().at(row.caseName);
        EXPECT_EQ(c.c(), statusValues().at(row.status));
        if (row.cpp == "—") {
            EXPECT_FALSE(c.cpp) << "the C++ column says the case cannot be reached";
            continue;
        }
        ASSERT_TRUE(c.cpp) << "the C++ column names an outcome the test cannot provoke";
        const auto expected = errorCell(row.cpp);
        const bool throws = expected.has_value();
        try {
            const std::optional<bool> decoded = c.cpp();
            EXPECT_FALSE(throws) << "no Error thrown";
            EXPECT_NE(row.cpp.find("DecodeResult` false"), std::string::npos) << row.cpp;
            EXPECT_EQ(decoded, std::optional<bool>(false));
        } catch (const vekdi::Error& e) {
            ASSERT_TRUE(throws) << "unexpected " << e.what();
            EXPECT_EQ(e.status(), statusValues().at(expected->first)) << e.what();
            EXPECT_EQ(e.code().category(), vekdi::errorCategory());
            EXPECT_EQ(std::string(e.argument()), expected->second) << e.what();
        }
    }
}

TEST(ErrorMap, ToolExitsFollowTheTable) {
    for (const Row& row : tableRows()) {
        if (!statusValues().count(row.status)) continue;
        EXPECT_EQ(std::to_string(vekdi::tool::exitStatusForLibrary(statusValues().at(row.status))), row.tool)
            << row.status;
    }
}

}  // namespace
