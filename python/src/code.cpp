// SPDX-License-Identifier: Apache-2.0
//
// vekdi.ReedSolomon and its results: one code, words one at a time or many
// laid end to end (those calls run without the GIL).
#include "bindings.h"

#include <pybind11/stl.h>

#include <vekdi.hpp>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace vekdi_python {

namespace {

using vekdi::ReedSolomon;

// What one decode did. `codeword` is the corrected word: a new bytes object,
// or the caller's own buffer for the in-place calls.
struct DecodeOutcome {
    py::object codeword;
    int k = 0;
    int corrected = 0;
    std::vector<int> errorPositions;
    std::vector<int> erasurePositions;
};

// What a many-word decode did. `codewords` as above.
struct BlocksOutcome {
    py::object codewords;
    std::size_t words = 0;
    std::size_t corrected = 0;
    std::vector<std::size_t> failed;
};

vekdi::Algorithm algorithmNamed(std::string_view name) {
    if (name == "bm") return vekdi::Algorithm::BerlekampMassey;
    if (name == "euclid") return vekdi::Algorithm::Euclid;
    raiseError("algorithm must be 'bm' (Berlekamp-Massey) or 'euclid' (extended Euclidean), not '" +
               std::string(name) + "'",
               "algorithm");
}

// Sizes, symbols and positions are checked by vekdi::ReedSolomon (and the C
// call under it); its vekdi::Error becomes vekdi.Error (module.cpp). What is
// checked here is only what the C++ interface cannot see: Python's names for
// the algorithm, and the shape of the per-word erasure lists.

// The whole codewords: the one-list-per-word check below counts words.
void requireMultiple(std::size_t size, int unit, const char* what) {
    if (size % static_cast<std::size_t>(unit) != 0)
        raiseError(std::string(what) + " holds " + std::to_string(size) + " bytes, not a multiple of " +
                   std::to_string(unit),
                   "codewords");
}

// Python ints as the int positions the code takes; one that does not fit an
// int is outside every codeword, and stays so (-1) for the code to refuse.
std::vector<int> erasureList(const std::vector<long>& erasures) {
    std::vector<int> list;
    list.reserve(erasures.size());
    for (long p : erasures) list.push_back(p < INT32_MIN || p > INT32_MAX ? -1 : static_cast<int>(p));
    return list;
}

DecodeOutcome decodeInto(const ReedSolomon& code, std::span<uint8_t> word, const std::vector<long>& erasures,
                         std::string_view algorithm, py::object holder) {
    const std::vector<int> list = erasureList(erasures);
    const vekdi::Algorithm which = algorithmNamed(algorithm);
    vekdi::DecodeResult result;
    {
        py::gil_scoped_release unlocked;
        result = code.decode(word, list, which);
    }
    if (!result)
        raise(exceptions().decodeError,
              "the word could not be corrected: more errors and erasures than its " +
                  std::to_string(code.parityCount()) + " parity symbols can correct");
    return {std::move(holder), code.k(), result.corrected, std::move(result.errorPositions),
            std::move(result.erasurePositions)};
}

// Erasures per word: None, or one sequence of positions per word, flattened
// into the positions and one count per word that decodeBlocks takes.
void flattenErasures(const py::object& erasures, std::size_t words, std::vector<int>& flat, std::vector<int>& counts) {
    if (erasures.is_none()) return;
    const auto lists = erasures.cast<std::vector<std::vector<int>>>();
    // A plain ValueError, as this call has always raised for it.
    if (lists.size() != words) throw py::value_error("erasures: one sequence of positions per codeword is needed");
    counts.reserve(words);
    for (const auto& list : lists) {
        counts.push_back(static_cast<int>(list.size()));
        flat.insert(flat.end(), list.begin(), list.end());
    }
}

BlocksOutcome decodeBlocksInto(const ReedSolomon& code, std::span<uint8_t> words, std::string_view algorithm,
                               py::object holder, const py::object& erasures) {
    requireMultiple(words.size(), code.n(), "the codewords");
    const vekdi::Algorithm which = algorithmNamed(algorithm);
    std::vector<int> flat, counts;
    flattenErasures(erasures, words.size() / static_cast<std::size_t>(code.n()), flat, counts);
    vekdi::DecodeSummary summary;
    {
        py::gil_scoped_release unlocked;
        summary = code.decodeBlocks(words, flat, counts, which);
    }
    return {std::move(holder), summary.words, summary.correctedSymbols, std::move(summary.failedWords)};
}

}  // namespace

void bindCode(py::module_& m) {
    using namespace pybind11::literals;

    py::class_<DecodeOutcome>(m, "DecodeResult", R"doc(
What a successful decode did.

codeword          the corrected word (bytes; for decode_in_place, the buffer passed in)
message           its first k bytes (bytes)
corrected         the number of symbols changed
error_positions   positions changed that were not in the erasure list, ascending
erasure_positions the erasure positions given, without repeats, ascending

bytes(result) is the corrected word.
)doc")
        .def_readonly("codeword", &DecodeOutcome::codeword)
        .def_property_readonly("message",
                               [](const DecodeOutcome& r) {
                                   ByteView word(r.codeword, false, "codeword");
                                   return py::bytes(reinterpret_cast<const char*>(word.data()),
                                                    static_cast<py::ssize_t>(r.k));
                               })
        .def_readonly("corrected", &DecodeOutcome::corrected)
        .def_readonly("error_positions", &DecodeOutcome::errorPositions)
        .def_readonly("erasure_positions", &DecodeOutcome::erasurePositions)
        .def("__bytes__",
             [](const DecodeOutcome& r) {
                 ByteView word(r.codeword, false, "codeword");
                 return py::bytes(reinterpret_cast<const char*>(word.data()), static_cast<py::ssize_t>(word.size()));
             })
        .def("__repr__", [](const DecodeOutcome& r) {
            return "DecodeResult(corrected=" + std::to_string(r.corrected) +
                   ", error_positions=" + std::string(py::repr(py::cast(r.errorPositions))) +
                   ", erasure_positions=" + std::string(py::repr(py::cast(r.erasurePositions))) + ")";
        });

    py::class_<BlocksOutcome>(m, "BlocksResult", R"doc(
What a many-word decode did.

codewords  the words after decoding (bytes; for decode_blocks_in_place, the buffer passed in)
words      the number of words
corrected  the symbols changed over all words
failed     indices of the words that could not be corrected (left as they were), ascending
ok         True when no word failed (also the truth value of the result)
)doc")
        .def_readonly("codewords", &BlocksOutcome::codewords)
        .def_readonly("words", &BlocksOutcome::words)
        .def_readonly("corrected", &BlocksOutcome::corrected)
        .def_readonly("failed", &BlocksOutcome::failed)
        .def_property_readonly("ok", [](const BlocksOutcome& r) { return r.failed.empty(); })
        .def("__bool__", [](const BlocksOutcome& r) { return r.failed.empty(); })
        .def("__repr__", [](const BlocksOutcome& r) {
            return "BlocksResult(words=" + std::to_string(r.words) + ", corrected=" + std::to_string(r.corrected) +
                   ", failed=" + std::string(py::repr(py::cast(r.failed))) + ")";
        });

    py::class_<ReedSolomon>(m, "ReedSolomon", R"doc(
A Reed-Solomon code RS(n, k) over GF(2^m): k message bytes followed by n - k
parity bytes. Corrects e errors and v erasures (known bad positions) whenever
2e + v <= n - k.

ReedSolomon(n, k, polynomial=0x11D, fcr=1, root_step=1, root=0, dual_basis=False)::

  n, k        1 <= k < n <= 2^m - 1; n < 2^m - 1 is a shortened code (the
              full code with leading zero symbols that are never stored)
  polynomial  the field polynomial as a bit mask (see vekdi.Field)
  fcr         first consecutive root: the generator's roots are
              (alpha ** root_step) ** (fcr + i), i = 0 ... n - k - 1
  root_step   libfec's prim, reedsolo's generator as a power of alpha;
              must be coprime to 2^m - 1
  root        instead of fcr, the first root as a field element: the roots
              are root * (alpha ** root_step) ** i (0: use fcr)
  dual_basis  symbols written in the CCSDS dual basis (polynomial 0x187 only)

ReedSolomon.ccsds(n=255, k=223) is the CCSDS code (dual-basis symbols),
shortened when n < 255. repr() gives an expression that builds the same code.

Positions count bytes of the word from 0 (first message byte) to n - 1 (last
parity byte). Inputs are any contiguous bytes-like objects (bytes, bytearray,
memoryview, NumPy uint8 arrays), read without copying. Bad arguments raise
vekdi.Error (a ValueError); a word that cannot be corrected raises
vekdi.DecodeError and is left as it was. The many-word calls release the GIL;
one object may be used by many threads at once.

>>> rs = vekdi.ReedSolomon(255, 223)
>>> word = bytearray(rs.encode(bytes(223)))
>>> word[5] ^= 0x40
>>> result = rs.decode(word, erasures=[9])
>>> result.error_positions, result.erasure_positions, result.corrected
([5], [9], 1)
)doc")
        .def(py::init([](int n, int k, unsigned polynomial, int fcr, int rootStep, int root, bool dualBasis) {
                 return ReedSolomon(n, k, vekdi::CodeOptions{polynomial, fcr, rootStep, root, dualBasis});
             }),
             "n"_a, "k"_a, "polynomial"_a = 0x11D, "fcr"_a = 1, "root_step"_a = 1, "root"_a = 0,
             "dual_basis"_a = false)
        .def_static(
            "ccsds",
            [](int n, int k) {
                const int parity = n - k;
                if (parity < 2 || parity % 2 != 0)
                    raiseError("ccsds(n, k): n - k = " + std::to_string(parity) +
                               " must be an even number of parity bytes, 2 E (the standard's E is 16 or 8)",
                               "k");
                vekdi::CodeOptions options = vekdi::CodeOptions::ccsds();
                options.fcr = 128 - parity / 2;
                return ReedSolomon(n, k, options);
            },
            "n"_a = 255, "k"_a = 223,
            R"doc(The CCSDS Reed-Solomon code with 2 E = n - k parity bytes, shortened to n bytes: polynomial 0x187,
roots (alpha^11)^(128 - E + i), dual-basis symbols. ccsds() is RS(255, 223) (E = 16); ccsds(255, 239) has
E = 8; ccsds(n, n - 32) is libfec's CCSDS code with pad = 255 - n.)doc")
        .def_property_readonly("n", &ReedSolomon::n, "Codeword length in bytes.")
        .def_property_readonly("k", &ReedSolomon::k, "Message length in bytes.")
        .def_property_readonly("parity_count", &ReedSolomon::parityCount, "n - k.")
        .def_property_readonly("correction_capacity", &ReedSolomon::correctionCapacity,
                               "Errors correctable without erasures: (n - k) // 2.")
        .def_property_readonly("polynomial", [](const ReedSolomon& c) { return c.options().polynomial; })
        .def_property_readonly("fcr", [](const ReedSolomon& c) { return c.options().fcr; })
        .def_property_readonly("root_step", [](const ReedSolomon& c) { return c.options().rootStep; })
        .def_property_readonly("root", [](const ReedSolomon& c) { return c.options().root; },
                               "The first root as a field element (0: (alpha ** root_step) ** fcr).")
        .def_property_readonly("dual_basis", [](const ReedSolomon& c) { return c.options().dualBasis; },
                               "Whether symbols are written in the CCSDS dual basis.")
        .def_property_readonly("field", [](const ReedSolomon& c) { return c.field(); }, "The symbols' field.")
        .def(
            "encode",
            [](const ReedSolomon& c, py::handle message) {
                ByteView in(message, false, "message");
                uint8_t* out = nullptr;
                py::bytes word = newBytes(static_cast<std::size_t>(c.n()), out);
                c.encode(in.bytes(), {out, static_cast<std::size_t>(c.n())});
                return word;
            },
            "message"_a, "The codeword (bytes, n) of a k-byte message.")
        .def(
            "encode_into",
            [](const ReedSolomon& c, py::handle message, py::handle codeword) {
                ByteView in(message, false, "message");
                ByteView out(codeword, true, "codeword");
                c.encode(in.bytes(), out.mutableBytes());
            },
            "message"_a, "codeword"_a,
            "Writes the codeword of a k-byte message into a writable n-byte buffer (it may hold the message "
            "in its first k bytes).")
        .def(
            "parity",
            [](const ReedSolomon& c, py::handle message) {
                ByteView in(message, false, "message");
                uint8_t* out = nullptr;
                py::bytes parity = newBytes(static_cast<std::size_t>(c.parityCount()), out);
                c.parity(in.bytes(), {out, static_cast<std::size_t>(c.parityCount())});
                return parity;
            },
            "message"_a, "Only the n - k parity bytes of a k-byte message.")
        .def(
            "decode",
            [](const ReedSolomon& c, py::handle codeword, const std::vector<long>& erasures,
               std::string_view algorithm) {
                uint8_t* out = nullptr;
                py::bytes word;
                std::size_t size = 0;
                {
                    ByteView in(codeword, false, "codeword");
                    size = in.size();
                    word = newBytes(size, out);
                    std::memcpy(out, in.data(), size);
                }
                // The copy's own size: vekdi::ReedSolomon refuses any but n.
                return decodeInto(c, {out, size}, erasures, algorithm, word);
            },
            "codeword"_a, "erasures"_a = std::vector<long>{}, "algorithm"_a = "bm",
            R"doc(Corrects a received n-byte word and returns a DecodeResult holding the corrected word (new bytes).

erasures: positions known to be bad (repeats allowed). algorithm: 'bm'
(Berlekamp-Massey) or 'euclid'. Raises vekdi.DecodeError when the word
cannot be corrected.)doc")
        .def(
            "decode_in_place",
            [](const ReedSolomon& c, py::object codeword, const std::vector<long>& erasures,
               std::string_view algorithm) {
                ByteView buffer(codeword, true, "codeword");
                return decodeInto(c, buffer.mutableBytes(), erasures, algorithm, codeword);
            },
            "codeword"_a, "erasures"_a = std::vector<long>{}, "algorithm"_a = "bm",
            "Like decode, but corrects a writable buffer in place (left as it was when decoding fails).")
        .def(
            "check",
            [](const ReedSolomon& c, py::handle codeword) {
                ByteView in(codeword, false, "codeword");
                return c.check(in.bytes());
            },
            "codeword"_a, "True exactly when the n bytes are a codeword.")
        .def(
            "encode_blocks",
            [](const ReedSolomon& c, py::handle messages) {
                ByteView in(messages, false, "messages");
                const std::size_t words = in.size() / static_cast<std::size_t>(c.k());
                uint8_t* out = nullptr;
                py::bytes result = newBytes(words * static_cast<std::size_t>(c.n()), out);
                py::gil_scoped_release unlocked;
                c.encodeBlocks(in.bytes(), {out, words * static_cast<std::size_t>(c.n())});
                return result;
            },
            "messages"_a,
            "Encodes k-byte messages laid end to end (a multiple of k bytes, e.g. a (count, k) uint8 array) "
            "into n-byte codewords laid end to end (bytes). Runs without the GIL.")
        .def(
            "encode_blocks_into",
            [](const ReedSolomon& c, py::handle messages, py::handle codewords) {
                ByteView in(messages, false, "messages");
                ByteView out(codewords, true, "codewords");
                py::gil_scoped_release unlocked;
                c.encodeBlocks(in.bytes(), out.mutableBytes());
            },
            "messages"_a, "codewords"_a,
            "Like encode_blocks, writing into a writable buffer of n bytes per message. Runs without the GIL.")
        .def(
            "decode_blocks",
            [](const ReedSolomon& c, py::handle codewords, std::string_view algorithm, py::object erasures) {
                uint8_t* out = nullptr;
                py::bytes words;
                std::size_t size = 0;
                {
                    ByteView in(codewords, false, "codewords");
                    size = in.size();
                    words = newBytes(size, out);
                    std::memcpy(out, in.data(), size);
                }
                return decodeBlocksInto(c, {out, size}, algorithm, words, erasures);
            },
            "codewords"_a, "algorithm"_a = "bm", py::kw_only(), "erasures"_a = py::none(),
            "Decodes n-byte words laid end to end and returns a BlocksResult holding the decoded words "
            "(new bytes); words that cannot be corrected are left as they were and listed in its `failed`. "
            "erasures: None, or one sequence of erasure positions (0 ... n - 1) per word. Runs without the GIL.")
        .def(
            "decode_blocks_in_place",
            [](const ReedSolomon& c, py::object codewords, std::string_view algorithm, py::object erasures) {
                ByteView buffer(codewords, true, "codewords");
                return decodeBlocksInto(c, buffer.mutableBytes(), algorithm, codewords, erasures);
            },
            "codewords"_a, "algorithm"_a = "bm", py::kw_only(), "erasures"_a = py::none(),
            "Like decode_blocks, correcting a writable buffer in place. Runs without the GIL.")
        .def("__repr__", [](const ReedSolomon& c) {
            // eval() of it (with vekdi imported) builds the same code.
            const vekdi::CodeOptions& o = c.options();
            char polynomial[16];
            std::snprintf(polynomial, sizeof polynomial, "0x%X", o.polynomial);
            std::string text = "vekdi.ReedSolomon(" + std::to_string(c.n()) + ", " + std::to_string(c.k()) +
                               ", polynomial=" + polynomial + ", fcr=" + std::to_string(o.fcr) +
                               ", root_step=" + std::to_string(o.rootStep);
            if (o.root != 0) text += ", root=" + std::to_string(o.root);
            if (o.dualBasis) text += ", dual_basis=True";
            return text + ")";
        });
}

}  // namespace vekdi_python
