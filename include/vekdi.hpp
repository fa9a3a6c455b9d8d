// SPDX-License-Identifier: Apache-2.0
/// @file
/// vekdi.hpp: a header-only C++20 interface over the C functions of vekdi.h.
///
/// - vekdi::Field: GF(2^m) from a generator mask such as 0x11D
/// - vekdi::ReedSolomon: one code: field, encoder and decoder, any 1 <= k < n <= 2^m - 1
/// - vekdi::DecodeResult: what a decode did (status, corrected symbols and where)
/// - vekdi::ErasureCode: k data buffers -> m parity buffers; any k independent shards rebuild the rest
/// - vekdi::Error: bad arguments (a std::system_error in the "vekdi" category),
///   naming the argument refused
///
/// It reaches the libraries only through the C functions (vekdi.h and the
/// companion's vekdi_codes.h), so it works the same over the shared
/// libraries, the static archives and the Windows DLLs.
///
/// Conventions:
/// - Symbols are bytes; for m < 8 a byte at or above 2^m is refused (Error).
/// - A codeword is the k message bytes followed by the n - k parity bytes;
///   position i is byte i of the (shortened) word, 0 ... n - 1.
/// - Bad arguments throw vekdi::Error. A word that cannot be corrected is an
///   expected outcome: decode() then returns a false DecodeResult and leaves
///   the word as it was.
/// - const members may be called from any number of threads on one object.
///   Encoding and decoding allocate nothing: their scratch space lives on the
///   stack (about 6 KiB for a decode); only returned vectors and the position lists of a
///   DecodeResult are allocated.
#pragma once

#if !(__cplusplus >= 202002L || (defined(_MSVC_LANG) && _MSVC_LANG >= 202002L))
#error "vekdi.hpp needs C++20 (e.g. -std=c++20 or /std:c++20); C and older C++ can use vekdi.h"
#else

#include <vekdi.h>
#include <vekdi_codes.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <numeric>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

// The paths that throw stay out of line, so that a call's checks cost a
// compare and a branch where the arguments are good.
#if defined(__GNUC__) || defined(__clang__)
#define VEKDI_HPP_COLD __attribute__((cold, noinline))
#elif defined(_MSC_VER)
#define VEKDI_HPP_COLD __declspec(noinline)
#else
#define VEKDI_HPP_COLD
#endif

namespace vekdi {

// ---- Errors ------------------------------------------------------------------

/// Text for a status code of the C functions: a VekStatus of vekdi.h
/// (StatusOk, StatusBadArgument, ...) or a VekCodesStatus of vekdi_codes.h
/// (numbered from -1001 down).
inline const char* statusText(int status) noexcept {
    return status <= -1000 ? vekRsStatusText(status) : vekdiStatusText(status);
}

namespace detail {
class Category final : public std::error_category {
public:
    const char* name() const noexcept override { return "vekdi"; }
    std::string message(int status) const override { return statusText(status); }
};
}  // namespace detail

/// The error category of every status code of the library.
inline const std::error_category& errorCategory() noexcept {
    static const detail::Category category;
    return category;
}

/// A std::error_code of the vekdi category for a status code.
inline std::error_code makeErrorCode(int status) noexcept { return {status, errorCategory()}; }

/// Thrown for bad arguments and failed library calls; code() carries the
/// status and argument() names the argument refused.
///
/// Who checks what: the C functions check every argument they can see (their
/// statuses are the codes here); this header checks only what they cannot:
/// the sizes of spans before their pointers are passed, and counts that must
/// fit an int. A status of the C call becomes an Error naming the argument
/// that status is about for that call.
class Error : public std::system_error {
public:
    /// An error carrying status, with the status text as what().
    explicit Error(int status) : std::system_error(makeErrorCode(status)) {}
    /// An error carrying status, with what (and the status text) as what().
    Error(int status, const std::string& what) : std::system_error(makeErrorCode(status), what) {}
    /// The same, naming the argument refused (a string literal: "codeword", "erasures", ...).
    Error(int status, const std::string& what, const char* argument)
        : std::system_error(makeErrorCode(status), what), argument_(argument ? argument : "") {}
    /// The status code (StatusBadArgument, StatusOutOfRange, ...).
    int status() const noexcept { return code().value(); }
    /// The name of the argument refused, as the function declares it
    /// ("message", "codeword", "erasures", "shards", "k", ...); empty when
    /// the failure is not one argument's.
    const char* argument() const noexcept { return argument_; }

private:
    const char* argument_ = "";
};

namespace detail {
/// The argument a status of one C call is about.
struct Blame {
    int status;
    const char* argument;
};
inline const char* blamed(int status, std::initializer_list<Blame> blame) noexcept {
    for (const Blame& b : blame)
        if (b.status == status) return b.argument;
    return "";
}
/// "where: argument" (or where alone when no argument is named).
inline std::string place(const char* where, const char* argument) {
    return *argument ? std::string(where) + ": " + argument : std::string(where);
}
/// Throws the Error for a status of a C call (StatusOk and VekCodesOk are both 0).
[[noreturn]] VEKDI_HPP_COLD inline void fail(int status, const char* where, std::initializer_list<Blame> blame) {
    const char* argument = blamed(status, blame);
    throw Error(status, place(where, argument), argument);
}
/// Throws Error(status) naming the argument when a span holds `given` units
/// (bytes, buffers) where the call needs `expected`.
[[noreturn]] VEKDI_HPP_COLD inline void countError(std::size_t given, int expected, int status, const char* unit,
                                                   const char* where, const char* argument) {
    throw Error(status,
                std::string(where) + ": " + argument + " holds " + std::to_string(given) + " " + unit +
                    "; the code needs " + std::to_string(expected),
                argument);
}
inline void requireCount(std::size_t given, int expected, int status, const char* unit, const char* where,
                         const char* argument) {
    if (given != static_cast<std::size_t>(expected)) countError(given, expected, status, unit, where, argument);
}
inline void check(VekStatus status, const char* where, std::initializer_list<Blame> blame = {}) {
    if (status != StatusOk) fail(status, where, blame);
}
inline void checkCodes(VekCodesStatus status, const char* where, std::initializer_list<Blame> blame = {}) {
    if (status != VekCodesOk) fail(status, where, blame);
}
}  // namespace detail

// ---- Field ---------------------------------------------------------------------

/// GF(2^m), m = 1 ... 8, from its generator polynomial as a bit mask including
/// the x^m term (0x11D = x^8 + x^4 + x^3 + x^2 + 1, 0x13, 0x3, ...). The
/// polynomial must be irreducible; alpha is x when it is primitive, otherwise
/// the smallest element of order 2^m - 1 (0x03 for 0x11B).
class Field {
public:
    /// The field of polynomialMask; throws Error when its degree is not 1 ... 8 or it is reducible.
    explicit Field(unsigned polynomialMask) : mask_(polynomialMask) {
        const int m = polynomialMask < 2 ? 0 : static_cast<int>(std::bit_width(polynomialMask)) - 1;
        if (m < 1 || m > 8)
            throw Error(StatusOutOfRange, "vekdi::Field: polynomial: its degree must be 1 ... 8", "polynomial");
        int size = 0;
        detail::check(veksGFGetSize_8u(m, &size), "vekdi::Field: size query");
        if (size < 0 || static_cast<std::size_t>(size) > record_.size())
            throw Error(StatusOutOfRange, "vekdi::Field: field context larger than expected");
        uint8_t coeffs[9];
        for (int i = 0; i <= m; ++i) coeffs[i] = static_cast<uint8_t>((polynomialMask >> i) & 1u);
        detail::check(veksGFInit_8u(m, coeffs, record()), "vekdi::Field: the polynomial must be irreducible",
                      {{StatusBadArgument, "polynomial"}});
        m_ = m;
    }

    /// The degree m of GF(2^m).
    int m() const noexcept { return m_; }
    /// The number of elements, 2^m.
    int order() const noexcept { return 1 << m_; }
    /// The generator polynomial as the bit mask the field was made from.
    unsigned polynomial() const noexcept { return mask_; }
    /// The primitive element that exp() and log() use.
    uint8_t alpha() const { return exp(1); }

    /// a + b (also a - b: the field has characteristic 2).
    uint8_t add(uint8_t a, uint8_t b) const { return call(veksGFAdd_8u, a, b, "vekdi::Field::add"); }
    /// a * b.
    uint8_t mul(uint8_t a, uint8_t b) const { return call(veksGFMul_8u, a, b, "vekdi::Field::mul"); }
    /// a / b; throws Error (StatusDivideByZero) when b is 0.
    uint8_t div(uint8_t a, uint8_t b) const { return call(veksGFDiv_8u, a, b, "vekdi::Field::div"); }
    /// 1 / a; throws Error (StatusDivideByZero) when a is 0.
    uint8_t inv(uint8_t a) const {
        uint8_t r = 0;
        detail::check(veksGFInv_8u(a, &r, native()), "vekdi::Field::inv",
                      {{StatusDivideByZero, "a"}, {StatusOutOfRange, "a"}});
        return r;
    }
    /// a^e for any signed e (0^e = 0).
    uint8_t pow(uint8_t a, int e) const {
        uint8_t r = 0;
        detail::check(veksGFPow_8u(a, e, &r, native()), "vekdi::Field::pow", {{StatusOutOfRange, "a"}});
        return r;
    }
    /// alpha^e for any signed e.
    uint8_t exp(int e) const {
        const int period = order() - 1;
        const int reduced = ((e % period) + period) % period;
        uint8_t r = 0;
        detail::check(veksGFExpAlpha_8u(static_cast<uint8_t>(reduced), &r, native()), "vekdi::Field::exp");
        return r;
    }
    /// The logarithm to base alpha, 0 ... 2^m - 2, of a non-zero element.
    int log(uint8_t a) const {
        uint8_t r = 0;
        detail::check(veksGFLogAlpha_8u(a, &r, native()), "vekdi::Field::log",
                      {{StatusOutOfRange, "a"}, {StatusBadArgument, "a"}, {StatusDivideByZero, "a"}});
        return r;
    }

    /// The C field context, for the functions of vekdi.h.
    const VeksGFContext_8u* native() const noexcept { return reinterpret_cast<const VeksGFContext_8u*>(record_.data()); }

private:
    VeksGFContext_8u* record() noexcept { return reinterpret_cast<VeksGFContext_8u*>(record_.data()); }

    template <typename Op>
    uint8_t call(Op op, uint8_t a, uint8_t b, const char* what) const {
        uint8_t r = 0;
        const VekStatus status = op(a, b, &r, native());
        // A divisor of zero, or whichever operand is outside the field.
        if (status != StatusOk)
            detail::check(status, what, {{StatusDivideByZero, "b"}, {StatusOutOfRange, a < order() ? "b" : "a"}});
        return r;
    }

    // The field context is position-independent (its tables sit at a fixed
    // offset after its header) and at most 28 + 2 * 256 bytes, so it lives
    // inline and a copy is a copy of its bytes.
    alignas(16) std::array<unsigned char, 544> record_{};
    unsigned mask_ = 0;
    int m_ = 0;
};

// ---- Reed-Solomon ------------------------------------------------------------

/// How the code is defined. The generator's roots are
///
///     (alpha^rootStep)^(fcr + i), i = 0 ... n - k - 1        (root == 0), or
///     root * (alpha^rootStep)^i                               (root != 0, a field element),
///
/// with alpha the alpha of the field given by `polynomial`. rootStep must be
/// coprime to 2^m - 1.
struct CodeOptions {
    unsigned polynomial = 0x11D;  ///< the field's generator polynomial as a bit mask (see Field)
    int fcr = 1;                  ///< first consecutive root: the exponent of the first root (root == 0)
    int rootStep = 1;             ///< the step between the exponents of consecutive roots
    int root = 0;                 ///< the first root as a field element; 0: (alpha^rootStep)^fcr
    /// Symbols are written in the CCSDS dual basis (only with polynomial 0x187):
    /// bit 7 - j of a symbol is the trace of z * alpha^(117 j), z the element.
    bool dualBasis = false;

    /// CCSDS RS(255, 223): generator 0x187, roots (alpha^11)^(112 + i), dual basis.
    static CodeOptions ccsds() { return CodeOptions{0x187, 112, 11, 0, true}; }
};

/// The decoding algorithm: Berlekamp-Massey or the extended Euclidean algorithm.
enum class Algorithm { BerlekampMassey, Euclid };

/// The outcome of one decode. False when the word could not be corrected; it
/// is then left exactly as it was and errorPositions is empty.
struct DecodeResult {
    std::error_code status = makeErrorCode(StatusOk);  ///< StatusOk, or StatusDecodeFailure
    int corrected = 0;                  ///< symbols changed
    std::vector<int> errorPositions;    ///< changed positions outside the erasure list, ascending
    std::vector<int> erasurePositions;  ///< the erasures given, without repeats, ascending
    /// True when the word was corrected (or needed no correction).
    explicit operator bool() const noexcept { return !status; }
};

/// The outcome of decoding many words in one call.
struct DecodeSummary {
    std::size_t words = 0;                ///< words decoded
    std::size_t correctedSymbols = 0;     ///< symbols changed over all words
    std::vector<std::size_t> failedWords; ///< indices of the words that could not be corrected, ascending
    /// True when every word was corrected (or needed no correction).
    explicit operator bool() const noexcept { return failedWords.empty(); }
};

/// One Reed-Solomon code of length n with k message symbols: a shortened code
/// when n < 2^m - 1 (the full code with 2^m - 1 - n leading zero symbols that
/// are never stored or sent). A thin layer over the companion's C functions
/// (vekdi_codes_rs.h), which hold the code.
class ReedSolomon {
public:
    /// RS(n, k), 1 <= k < n <= 2^m - 1, as options define it; throws Error for bad parameters.
    ReedSolomon(int n, int k, CodeOptions options = {}) : options_(options), field_(options.polynomial), n_(n), k_(k) {
        const VekRsCodeOptions o{options.polynomial, options.fcr, options.rootStep, options.root,
                                 options.dualBasis ? 1 : 0};
        VekRsCode* code = nullptr;
        const int32_t status = vekRsCodeCreate(n, k, &o, &code);
        if (status != VekCodesOk) {
            // The C call checks k, then n, then the options.
            const char* argument = status == VekCodesOutOfRange
                                       ? (k < 1 || k >= n ? "k" : n >= field_.order() ? "n" : "options")
                                   : status == VekCodesBadArgument || status == VekCodesBadField ? "options"
                                                                                                  : "";
            throw Error(fromCodes(status, StatusOutOfRange), detail::place("vekdi::ReedSolomon", argument), argument);
        }
        code_.reset(code);
    }

    /// A copy of other's code (built again from its parameters).
    ReedSolomon(const ReedSolomon& other) : ReedSolomon(other.n(), other.k(), other.options()) {}
    /// Makes this a copy of other's code.
    ReedSolomon& operator=(const ReedSolomon& other) {
        if (this != &other) *this = ReedSolomon(other);
        return *this;
    }
    /// Takes over the code; the moved-from object throws Error when used.
    ReedSolomon(ReedSolomon&&) noexcept = default;
    /// Takes over the code; the moved-from object throws Error when used.
    ReedSolomon& operator=(ReedSolomon&&) noexcept = default;
    ~ReedSolomon() = default;

    /// Codeword length in symbols.
    int n() const { return (code(), n_); }
    /// Message length in symbols.
    int k() const { return (code(), k_); }
    /// n - k.
    int parityCount() const { return n() - k(); }
    /// Errors correctable without erasures: (n - k) / 2.
    int correctionCapacity() const { return parityCount() / 2; }
    /// The options the code was made with.
    const CodeOptions& options() const { return (code(), options_); }
    /// The field of the symbols as the caller sees them.
    const Field& field() const { return (code(), field_); }
    /// The C code object, for the functions of vekdi_codes_rs.h.
    const VekRsCode* native() const { return code(); }

    /// codeword = message (k bytes) followed by its n - k parity bytes. The
    /// message may be the first k bytes of the codeword.
    void encode(std::span<const uint8_t> message, std::span<uint8_t> codeword) const {
        requireSize(message.size(), k_, "vekdi::ReedSolomon::encode", "message");
        requireSize(codeword.size(), n_, "vekdi::ReedSolomon::encode", "codeword");
        uint8_t parityBytes[256];
        require(vekRsParity(code(), message.data(), parityBytes), StatusBadArgument, "vekdi::ReedSolomon::encode",
                {{VekCodesBadSymbol, "message"}});
        std::memmove(codeword.data(), message.data(), static_cast<std::size_t>(k_));
        std::memcpy(codeword.data() + k_, parityBytes, static_cast<std::size_t>(n_ - k_));
    }
    /// The codeword (n bytes) of a k-byte message.
    std::vector<uint8_t> encode(std::span<const uint8_t> message) const {
        std::vector<uint8_t> codeword(static_cast<std::size_t>(n()));
        encode(message, codeword);
        return codeword;
    }
    /// Only the n - k parity bytes, for callers whose data and parity live apart.
    void parity(std::span<const uint8_t> message, std::span<uint8_t> out) const {
        requireSize(message.size(), k_, "vekdi::ReedSolomon::parity", "message");
        requireSize(out.size(), n_ - k_, "vekdi::ReedSolomon::parity", "out");
        uint8_t parityBytes[256];
        require(vekRsParity(code(), message.data(), parityBytes), StatusBadArgument, "vekdi::ReedSolomon::parity",
                {{VekCodesBadSymbol, "message"}});
        std::memcpy(out.data(), parityBytes, out.size());
    }

    /// Corrects errors and the listed erasures (positions 0 ... n - 1, repeats
    /// allowed) in place. Succeeds whenever 2 * errors + erasures <= n - k; it
    /// never reports success with a word that is not a codeword.
    DecodeResult decode(std::span<uint8_t> codeword, std::span<const int> erasures = {},
                        Algorithm algorithm = Algorithm::BerlekampMassey) const {
        DecodeResult r;
        decode(codeword, r, erasures, algorithm);
        return r;
    }

    /// The same into `result`, whose vectors keep their capacity from call to
    /// call: a loop that reuses one DecodeResult allocates nothing once its
    /// vectors have grown. Returns whether the word was corrected.
    bool decode(std::span<uint8_t> codeword, DecodeResult& result, std::span<const int> erasures = {},
                Algorithm algorithm = Algorithm::BerlekampMassey) const {
        requireSize(codeword.size(), n_, "vekdi::ReedSolomon::decode", "codeword");
        if (erasures.size() > static_cast<std::size_t>(INT32_MAX))
            throw Error(StatusBadArgument, "vekdi::ReedSolomon::decode: erasures: list too long", "erasures");
        VekRsReport report;
        const int32_t status = vekRsDecode(code(), codeword.data(), erasures.data(), static_cast<int>(erasures.size()),
                                           static_cast<int>(algorithm), &report);
        if (status != VekCodesOk && status != VekCodesUncorrectable)
            require(status, StatusBadArgument, "vekdi::ReedSolomon::decode",
                    {{VekCodesBadSymbol, "codeword"}, {VekCodesOutOfRange, "erasures"},
                     {VekCodesBadArgument, "algorithm"}});
        fill(report, result);
        return static_cast<bool>(result);
    }

    /// True exactly when the word is a codeword.
    bool check(std::span<const uint8_t> codeword) const {
        requireSize(codeword.size(), n_, "vekdi::ReedSolomon::check", "codeword");
        int is = 0;
        require(vekRsCheck(code(), codeword.data(), &is), StatusBadArgument, "vekdi::ReedSolomon::check",
                {{VekCodesBadSymbol, "codeword"}});
        return is != 0;
    }

    /// Encodes messages.size() / k messages laid end to end into as many
    /// codewords laid end to end.
    void encodeBlocks(std::span<const uint8_t> messages, std::span<uint8_t> codewords) const {
        const auto k = static_cast<std::size_t>(k_), n = static_cast<std::size_t>(n_);
        if (messages.size() % k != 0)
            throw Error(StatusBadArgument, "vekdi::ReedSolomon::encodeBlocks: messages: not a multiple of k bytes",
                        "messages");
        const std::size_t words = messages.size() / k;
        if (codewords.size() != words * n)
            throw Error(StatusBadArgument, "vekdi::ReedSolomon::encodeBlocks: codewords: n bytes per message needed",
                        "codewords");
        require(vekRsEncodeBlocks(code(), messages.data(), codewords.data(), words), StatusBadArgument,
                "vekdi::ReedSolomon::encodeBlocks",
                {{VekCodesBadSymbol, "messages"}, {VekCodesOverlap, "codewords"}, {VekCodesOutOfRange, "messages"}});
    }

    /// Decodes codewords.size() / n words laid end to end, each in place; the
    /// words that cannot be corrected are left as they were.
    DecodeSummary decodeBlocks(std::span<uint8_t> codewords, Algorithm algorithm = Algorithm::BerlekampMassey) const {
        return decodeBlocks(codewords, {}, {}, algorithm);
    }
    /// The same with erasures per word: erasureCounts holds one count per
    /// word (or is empty for none), erasures the positions of word 0, then
    /// those of word 1, and so on.
    DecodeSummary decodeBlocks(std::span<uint8_t> codewords, std::span<const int> erasures,
                               std::span<const int> erasureCounts,
                               Algorithm algorithm = Algorithm::BerlekampMassey) const {
        const auto n = static_cast<std::size_t>(n_);
        if (codewords.size() % n != 0)
            throw Error(StatusBadArgument, "vekdi::ReedSolomon::decodeBlocks: codewords: not a multiple of n bytes",
                        "codewords");
        DecodeSummary summary;
        summary.words = codewords.size() / n;
        // The words go to the C call 64 at a time, and each call checks only
        // its own: so that a bad argument anywhere writes nothing (as one C
        // call over all words would), the symbols and erasure positions are
        // checked here first, with the statuses the C call gives for them.
        requireSymbols(codewords, "vekdi::ReedSolomon::decodeBlocks", "codewords");
        if (!erasureCounts.empty()) {
            if (erasureCounts.size() != summary.words)
                throw Error(StatusBadArgument,
                            "vekdi::ReedSolomon::decodeBlocks: erasureCounts: one per word is needed",
                            "erasureCounts");
            std::size_t offset = 0;
            for (int c : erasureCounts) {
                if (c < 0 || static_cast<std::size_t>(c) > erasures.size() - offset)
                    throw Error(StatusBadArgument,
                                "vekdi::ReedSolomon::decodeBlocks: erasureCounts: must add up to the erasures",
                                "erasureCounts");
                for (int p : erasures.subspan(offset, static_cast<std::size_t>(c)))
                    if (p < 0 || p >= n_)
                        throw Error(StatusBadArgument,
                                    "vekdi::ReedSolomon::decodeBlocks: erasures: a position outside the codeword",
                                    "erasures");
                offset += static_cast<std::size_t>(c);
            }
            if (offset != erasures.size())
                throw Error(StatusBadArgument,
                            "vekdi::ReedSolomon::decodeBlocks: erasureCounts: must add up to the erasures",
                            "erasureCounts");
        } else if (!erasures.empty()) {
            throw Error(StatusBadArgument, "vekdi::ReedSolomon::decodeBlocks: erasureCounts: erasures without counts",
                        "erasureCounts");
        }
        constexpr std::size_t kChunk = 64;  // the library decodes 64 words at a time
        VekRsReport reports[kChunk];
        std::size_t offset = 0;
        for (std::size_t first = 0; first < summary.words; first += kChunk) {
            const std::size_t count = std::min(kChunk, summary.words - first);
            const int* counts = erasureCounts.empty() ? nullptr : erasureCounts.data() + first;
            std::size_t listed = 0;
            if (counts)
                for (std::size_t w = 0; w < count; ++w) listed += static_cast<std::size_t>(counts[w]);
            require(vekRsDecodeBlocks(code(), codewords.data() + first * n, count,
                                    counts && listed ? erasures.data() + offset : nullptr, counts,
                                    static_cast<int>(algorithm), reports, nullptr),
                    StatusBadArgument, "vekdi::ReedSolomon::decodeBlocks", {{VekCodesBadArgument, "algorithm"}});
            offset += listed;
            for (std::size_t w = 0; w < count; ++w) {
                if (reports[w].status != VekCodesOk)
                    summary.failedWords.push_back(first + w);
                else
                    summary.correctedSymbols += static_cast<std::size_t>(reports[w].corrected);
            }
        }
        return summary;
    }

private:
    struct Destroy {
        void operator()(VekRsCode* code) const noexcept { vekRsCodeDestroy(code); }
    };

    // The VekStatus this interface has always reported for a status of the
    // C functions: a byte outside the field is out of range; positions and
    // sizes are bad arguments (outOfRange says which one a call means).
    static int fromCodes(int32_t status, int outOfRange) {
        switch (status) {
        case VekCodesBadSymbol: return StatusOutOfRange;
        case VekCodesOutOfRange: return outOfRange;
        case VekCodesBadArgument: return StatusBadArgument;
        case VekCodesBadField: return StatusBadArgument;
        case VekCodesUncorrectable: return StatusDecodeFailure;
        default: return status;
        }
    }
    // A status of the C call as an Error naming the argument it is about.
    void require(int32_t status, int outOfRange, const char* where, std::initializer_list<detail::Blame> blame) const {
        if (status != VekCodesOk) fail(status, outOfRange, where, blame);
    }
    [[noreturn]] VEKDI_HPP_COLD void fail(int32_t status, int outOfRange, const char* where,
                                         std::initializer_list<detail::Blame> blame) const {
        const char* argument = detail::blamed(status, blame);
        std::string what = detail::place(where, argument);
        if (status == VekCodesBadSymbol)
            what += ": a byte is not an element of GF(" + std::to_string(field_.order()) + ")";
        throw Error(fromCodes(status, outOfRange), what, argument);
    }
    static void requireSize(std::size_t size, int expected, const char* where, const char* argument) {
        detail::requireCount(size, expected, StatusBadArgument, "bytes", where, argument);
    }
    void requireSymbols(std::span<const uint8_t> bytes, const char* where, const char* argument) const {
        if (field_.m() == 8) return;
        for (uint8_t b : bytes)
            if (b >= field_.order())
                require(VekCodesBadSymbol, StatusOutOfRange, where, {{VekCodesBadSymbol, argument}});
    }
    static void fill(const VekRsReport& report, DecodeResult& r) {
        r.erasurePositions.assign(report.erasurePositions, report.erasurePositions + report.erasureCount);
        r.status = makeErrorCode(report.status == VekCodesOk ? StatusOk : StatusDecodeFailure);
        r.corrected = report.status == VekCodesOk ? report.corrected : 0;
        const int errors = report.status == VekCodesOk ? report.errorCount : 0;
        r.errorPositions.assign(report.errorPositions, report.errorPositions + errors);
    }

    const VekRsCode* code() const {
        if (!code_) throw Error(StatusNullPointer, "vekdi::ReedSolomon: used after being moved from", "this");
        return code_.get();
    }

    CodeOptions options_;
    Field field_;
    int n_ = 0, k_ = 0;
    std::unique_ptr<VekRsCode, Destroy> code_;
};

// ---- Erasure codes ---------------------------------------------------------------

/// The parity matrix of an ErasureCode, each byte-identical to the named
/// library's matrix (and so to its parity for the same buffers):
///   ReedSolomon          systematic shortened RS(k + m, k) over 0x11D, roots alpha^1 ... alpha^m
///                        (the parity of ReedSolomon(k + m, k)); MDS; k + m <= 255
///   IsalVandermonde      ISA-L gf_gen_rs_matrix; not MDS for every shape (some
///                        lost sets of (32, 8) cannot be rebuilt); k + m <= 256
///   IsalCauchy           ISA-L gf_gen_cauchy1_matrix; MDS; k + m <= 256
///   JerasureVandermonde  Jerasure reed_sol_vandermonde_coding_matrix(k, m, 8); MDS; k + m <= 256
///   Zfec                 zfec with k of k + m shares needed; MDS; k + m <= 256
enum class Matrix {
    ReedSolomon,          ///< systematic shortened RS(k + m, k), roots alpha^1 ... alpha^m
    IsalVandermonde,      ///< ISA-L gf_gen_rs_matrix
    IsalCauchy,           ///< ISA-L gf_gen_cauchy1_matrix
    JerasureVandermonde,  ///< Jerasure reed_sol_vandermonde_coding_matrix(k, m, 8)
    Zfec                  ///< zfec's code
};

/// What reconstruct computes for a lost set: lost[i] = sum over j of
/// matrix[i * k + j] * shard survivors[j].
struct DecodeMatrix {
    std::vector<int> lost;          ///< distinct lost shards, ascending
    std::vector<int> survivors;     ///< the k shards read, ascending
    std::vector<uint8_t> matrix;    ///< lost.size() x k, row-major
};

/// k data shards -> m parity shards of equal length over GF(256)/0x11D.
/// Immutable after construction: every member is const and may run on any
/// number of threads at once; no call allocates except decodeMatrix() (its
/// result) and construction. Buffers may have any length and alignment;
/// buffers written by a call must not overlap any other buffer of the call.
class ErasureCode {
public:
    /// The code of the given kind with k data and m parity shards; throws
    /// Error for k or m below 1 or k + m above the matrix's limit.
    ErasureCode(int k, int m, Matrix matrix = Matrix::ReedSolomon) {
        VekErasureCode* code = nullptr;
        detail::checkCodes(vekErasureCodeCreate(k, m, static_cast<int>(matrix), &code), "vekdi::ErasureCode",
                           {{VekCodesBadArgument, k < 1 ? "k" : m < 1 ? "m" : "matrix"}, {VekCodesOutOfRange, "m"}});
        adopt(code);
    }
    /// A code from its parity matrix: m rows of k coefficients, row-major.
    static ErasureCode fromMatrix(int k, int m, std::span<const uint8_t> rows) {
        // k and m first: with either below one an empty rows span may hand
        // the C call a null pointer, refused before its count check.
        if (k < 1 || m < 1)
            throw Error(VekCodesBadArgument, "vekdi::ErasureCode::fromMatrix: k and m must be at least 1",
                        k < 1 ? "k" : "m");
        if (rows.size() != static_cast<std::size_t>(k) * static_cast<std::size_t>(m))
            throw Error(VekCodesBadArgument, "vekdi::ErasureCode::fromMatrix: rows: must hold m x k bytes", "rows");
        VekErasureCode* code = nullptr;
        detail::checkCodes(vekErasureCodeCreateFromMatrix(k, m, rows.data(), &code), "vekdi::ErasureCode::fromMatrix",
                           {{VekCodesOutOfRange, "m"}});
        return ErasureCode(code);
    }

    /// The number of data shards.
    int k() const noexcept { return k_; }
    /// The number of parity shards.
    int m() const noexcept { return m_; }
    /// m x k, row-major.
    std::span<const uint8_t> parityMatrix() const noexcept {
        return {matrix_, static_cast<std::size_t>(k_) * static_cast<std::size_t>(m_)};
    }

    /// parity[r] = sum over j of parityMatrix()[r * k + j] * data[j], length bytes each.
    void encode(std::span<const uint8_t* const> data, std::span<uint8_t* const> parity, std::size_t length) const {
        count(data.size(), k_, "vekdi::ErasureCode::encode", "data");
        count(parity.size(), m_, "vekdi::ErasureCode::encode", "parity");
        const VekCodesStatus status = vekErasureCodeEncode(code_.get(), data.data(), parity.data(), length);
        if (status != VekCodesOk)
            detail::checkCodes(status, "vekdi::ErasureCode::encode",
                               {{VekCodesNullPointer, anyNull(data) ? "data" : "parity"}, {VekCodesOverlap, "parity"}});
    }

    /// shards: k + m buffers (data, then parity). The shards listed in lost
    /// (repeats allowed) are rebuilt and not read; the others are only read.
    /// Throws Error (VekCodesSingular) with nothing written when the
    /// survivors' rows have rank below k.
    void reconstruct(std::span<uint8_t* const> shards, std::span<const int> lost, std::size_t length) const {
        count(shards.size(), k_ + m_, "vekdi::ErasureCode::reconstruct", "shards");
        if (lost.size() > static_cast<std::size_t>(INT32_MAX))
            throw Error(VekCodesBadArgument, "vekdi::ErasureCode::reconstruct: lost: list too long", "lost");
        detail::checkCodes(vekErasureCodeReconstruct(code_.get(), shards.data(), lost.data(),
                                                     static_cast<int>(lost.size()), length),
                           "vekdi::ErasureCode::reconstruct",
                           {{VekCodesBadArgument, "lost"}, {VekCodesOutOfRange, "lost"},
                            {VekCodesTooFewSurvivors, "lost"},
                            {VekCodesSingular, "lost"}, {VekCodesNullPointer, "shards"}, {VekCodesOverlap, "shards"}});
    }

    /// The survivors and coefficients reconstruct() would use for a lost set.
    DecodeMatrix decodeMatrix(std::span<const int> lost) const {
        if (lost.size() > static_cast<std::size_t>(INT32_MAX))
            throw Error(VekCodesBadArgument, "vekdi::ErasureCode::decodeMatrix: lost: list too long", "lost");
        DecodeMatrix d;
        d.lost.resize(static_cast<std::size_t>(m_));
        d.survivors.resize(static_cast<std::size_t>(k_));
        d.matrix.resize(static_cast<std::size_t>(m_) * static_cast<std::size_t>(k_));
        int rows = 0;
        detail::checkCodes(vekErasureCodeDecodeMatrix(code_.get(), lost.data(), static_cast<int>(lost.size()), &rows,
                                                      d.lost.data(), d.survivors.data(), d.matrix.data()),
                           "vekdi::ErasureCode::decodeMatrix",
                           {{VekCodesBadArgument, "lost"}, {VekCodesOutOfRange, "lost"},
                            {VekCodesTooFewSurvivors, "lost"},
                            {VekCodesSingular, "lost"}, {VekCodesNullPointer, "lost"}});
        d.lost.resize(static_cast<std::size_t>(rows));
        d.matrix.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(k_));
        return d;
    }

    /// The share of data shards first ... first + data.size() - 1 in the
    /// parity, written over the m parity buffers or added to them
    /// (accumulate). Consecutive parts, the first written and the others
    /// added, give encode()'s parity; a shard in no part counts as zero.
    void encodePart(int first, std::span<const uint8_t* const> data, std::span<uint8_t* const> parity,
                    std::size_t length, bool accumulate) const {
        count(parity.size(), m_, "vekdi::ErasureCode::encodePart", "parity");
        // More buffers than k are out of range for the C call too; this only
        // keeps the count an int.
        if (data.size() > static_cast<std::size_t>(INT32_MAX))
            throw Error(VekCodesOutOfRange, "vekdi::ErasureCode::encodePart: data: more buffers than k", "data");
        const VekCodesStatus status =
            vekErasureCodeEncodePart(code_.get(), first, static_cast<int>(data.size()), data.data(), parity.data(),
                                     length, accumulate ? 1 : 0);
        if (status != VekCodesOk)
            detail::checkCodes(status, "vekdi::ErasureCode::encodePart",
                               {{VekCodesBadArgument, "data"},
                                {VekCodesOutOfRange, first < 0 || first >= k_ ? "first" : "data"},
                                {VekCodesNullPointer, anyNull(data) ? "data" : "parity"},
                                {VekCodesOverlap, "parity"}});
    }

    /// delta = old XOR new bytes of data shard `index`: every parity buffer
    /// (delta.size() bytes each) is brought up to date without reading the
    /// other shards. From zeroed parity, one update per shard encodes.
    void update(int index, std::span<const uint8_t> delta, std::span<uint8_t* const> parity) const {
        count(parity.size(), m_, "vekdi::ErasureCode::update", "parity");
        detail::checkCodes(vekErasureCodeUpdate(code_.get(), index, delta.data() ? delta.data() : emptyDelta(),
                                                parity.data(), delta.size()),
                           "vekdi::ErasureCode::update",
                           {{VekCodesOutOfRange, "index"}, {VekCodesNullPointer, "parity"},
                            {VekCodesOverlap, "parity"}});
    }

    /// A scrub: true when the m parity shards hold the parity of the k data shards.
    bool check(std::span<const uint8_t* const> shards, std::size_t length) const {
        count(shards.size(), k_ + m_, "vekdi::ErasureCode::check", "shards");
        int matches = 0;
        detail::checkCodes(vekErasureCodeCheck(code_.get(), shards.data(), length, &matches),
                           "vekdi::ErasureCode::check", {{VekCodesNullPointer, "shards"}});
        return matches != 0;
    }

    /// The region kernels of this process ("avx512-gfni", "avx2", "neon", "portable", ...).
    static const char* kernelName() noexcept { return vekErasureCodeKernelName(); }

private:
    explicit ErasureCode(VekErasureCode* code) { adopt(code); }
    void adopt(VekErasureCode* code) {
        code_.reset(code, vekErasureCodeDestroy);
        detail::checkCodes(vekErasureCodeShape(code, &k_, &m_, &matrix_), "vekdi::ErasureCode");
    }
    static void count(std::size_t given, int expected, const char* where, const char* argument) {
        detail::requireCount(given, expected, VekCodesBadArgument, "buffers", where, argument);
    }
    template <typename Pointer>
    static bool anyNull(std::span<Pointer const> buffers) noexcept {
        return std::find(buffers.begin(), buffers.end(), nullptr) != buffers.end();
    }
    // A non-null pointer for an empty delta (a null one is refused).
    static const uint8_t* emptyDelta() noexcept {
        static const uint8_t none = 0;
        return &none;
    }

    std::shared_ptr<const VekErasureCode> code_;
    int k_ = 0, m_ = 0;
    const uint8_t* matrix_ = nullptr;
};

}  // namespace vekdi

#undef VEKDI_HPP_COLD

#endif  // C++20
