// SPDX-License-Identifier: Apache-2.0
// The C++ interface on built-in data: a shortened RS(204, 188) code over
// GF(256), a damaged word repaired with its report, a word beyond repair, the
// CCSDS code, and many words in one call.
#include <cstdio>
#include <string_view>
#include <vector>

#include <vekdi.hpp>

namespace {

void printPositions(const char* label, const std::vector<int>& positions) {
    std::printf("%s", label);
    for (int p : positions) std::printf(" %d", p);
    std::printf("\n");
}

}  // namespace

int main() try {
    std::printf("vekdi %s\n", VEKDI_VERSION_STRING);

    // RS(204, 188): 16 parity bytes, corrects 8 errors, or 16 erasures, or any
    // mix with 2 * errors + erasures <= 16.
    const vekdi::ReedSolomon rs(204, 188);
    std::vector<uint8_t> message(188);
    constexpr std::string_view text = "vekdi C++ demonstration: shortened Reed-Solomon code RS(204,188). ";
    for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(text[i % text.size()]);
    const std::vector<uint8_t> sent = rs.encode(message);

    std::vector<uint8_t> word = sent;
    for (int p : {2, 50, 190}) word[static_cast<size_t>(p)] ^= 0x5A;  // three errors
    const std::vector<int> erasures = {10, 11, 12, 13, 100, 100};      // known bad (a repeat is fine)
    for (int p : erasures) word[static_cast<size_t>(p)] = 0;
    const vekdi::DecodeResult result = rs.decode(word, erasures);
    std::printf("RS(%d,%d): %s, %d symbols corrected\n", rs.n(), rs.k(), result ? "repaired" : "not repaired",
                result.corrected);
    printPositions("  errors at", result.errorPositions);
    printPositions("  erasures at", result.erasurePositions);
    bool ok = result && word == sent;

    // Nine errors are beyond the capacity: the decode fails and the word stays as it was.
    word = sent;
    for (int i = 0; i < 9; ++i) word[static_cast<size_t>(20 * i)] ^= 0xA7;
    const std::vector<uint8_t> damaged = word;
    const vekdi::DecodeResult beyond = rs.decode(word, {}, vekdi::Algorithm::Euclid);
    std::printf("nine errors: %s (%s), word %s\n", beyond ? "repaired" : "not repaired",
                beyond.status.message().c_str(), word == damaged ? "unchanged" : "changed");
    ok = ok && !beyond && word == damaged;

    // CCSDS RS(255, 223): generator 0x187, roots (alpha^11)^(112 + i), dual basis.
    const vekdi::ReedSolomon ccsds(255, 223, vekdi::CodeOptions::ccsds());
    std::vector<uint8_t> frame = ccsds.encode(std::vector<uint8_t>(223, 0x42));
    frame[0] ^= 1;
    const bool repaired = static_cast<bool>(ccsds.decode(frame));
    std::printf("CCSDS RS(255,223): one error %s, codeword %s\n", repaired ? "repaired" : "not repaired",
                ccsds.check(frame) ? "valid" : "invalid");
    ok = ok && repaired;

    // Many words in one call; word 1 carries two errors.
    std::vector<uint8_t> words(3 * 204);
    std::vector<uint8_t> messages(3 * 188, 0x33);
    rs.encodeBlocks(messages, words);
    words[204 + 7] ^= 1;
    words[204 + 99] ^= 2;
    const vekdi::DecodeSummary summary = rs.decodeBlocks(words);
    std::printf("%zu words: %zu symbols corrected, %zu failed\n", summary.words, summary.correctedSymbols,
                summary.failedWords.size());
    ok = ok && summary && summary.correctedSymbols == 2;
    return ok ? 0 : 1;
} catch (const vekdi::Error& e) {
    std::fprintf(stderr, "vekdi: %s\n", e.what());
    return 1;
}
