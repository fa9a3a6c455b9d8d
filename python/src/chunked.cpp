// SPDX-License-Identifier: Apache-2.0
//
// The chunk loops behind vekdi.reedsolo.RSCodec: a stream of any length is
// cut into chunks of nsize symbols (nsize - nsym message symbols when
// encoding); the last, shorter chunk is a word of the shortened code. Each
// chunk is a word of one vekdi::ReedSolomon of length min(nsize, 2^m - 1),
// with zeros in front for the shorter chunks. Chunks are handled in order and
// the first that fails stops the call, with the exception and message that
// RSCodec users know for it.
#include "bindings.h"

#include <pybind11/stl.h>

#include <vekdi.hpp>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace vekdi_python {

namespace {

class ChunkCodec {
public:
    // symbolLimit: the largest symbol, 2^m - 1 (the original's field_charac).
    ChunkCodec(int nsize, int nsym, unsigned polynomial, int fcr, int rootStep, int symbolLimit)
        : nsize_(nsize), nsym_(nsym), limit_(symbolLimit), length_(std::min(nsize, symbolLimit)),
          code_(makeCode(length_, nsym, polynomial, fcr, rootStep)) {}

    py::bytearray encode(py::handle data) const {
        ByteView in(data, false, "data");
        const std::size_t size = in.size();
        const std::size_t chunk = static_cast<std::size_t>(nsize_ - nsym_);
        const std::size_t chunks = (size + chunk - 1) / chunk;
        // The first chunk is the longest.
        if (chunks > 0 && std::min(size, chunk) + static_cast<std::size_t>(nsym_) > static_cast<std::size_t>(limit_))
            tooLong(std::min(size, chunk) + static_cast<std::size_t>(nsym_));
        requireSymbols(in.data(), size);

        uint8_t* out = nullptr;
        py::bytearray result = newByteArray(size + chunks * static_cast<std::size_t>(nsym_), out);
        py::gil_scoped_release unlocked;
        const std::size_t k = static_cast<std::size_t>(code_.k());
        uint8_t message[256];
        for (std::size_t c = 0; c < chunks; ++c) {
            const std::size_t length = std::min(chunk, size - c * chunk);
            const std::size_t pad = k - length;
            std::memset(message, 0, pad);
            std::memcpy(message + pad, in.data() + c * chunk, length);
            std::memcpy(out, message + pad, length);
            code_.parity({message, k}, {out + length, static_cast<std::size_t>(nsym_)});
            out += length + static_cast<std::size_t>(nsym_);
        }
        return result;
    }

    py::tuple decode(py::handle data, const std::optional<std::vector<long long>>& erasures, bool onlyErasures) const {
        ByteView in(data, false, "data");
        const std::size_t size = in.size();
        const std::size_t nsize = static_cast<std::size_t>(nsize_), nsym = static_cast<std::size_t>(nsym_);
        const std::size_t chunks = (size + nsize - 1) / nsize;

        // Each chunk gets the positions that fall in it, relative to its
        // start, in the order given; negative ones go to the first chunk and
        // positions past the last chunk are ignored.
        std::vector<std::vector<long long>> chunkErasures(chunks);
        if (erasures)
            for (long long p : *erasures) {
                const std::size_t c = p < 0 ? 0 : static_cast<std::size_t>(p) / nsize;
                if (c < chunks) chunkErasures[c].push_back(p < 0 ? p : p - static_cast<long long>(c * nsize));
            }

        std::size_t messageSize = 0;
        for (std::size_t c = 0; c < chunks; ++c) {
            const std::size_t length = std::min(nsize, size - c * nsize);
            messageSize += length > nsym ? length - nsym : 0;
        }
        uint8_t *message = nullptr, *full = nullptr;
        py::bytearray messages = newByteArray(messageSize, message);
        py::bytearray words = newByteArray(size, full);
        std::vector<uint8_t> errata;
        Failure failure;
        {
            py::gil_scoped_release unlocked;
            for (std::size_t c = 0; c < chunks && !failure.type; ++c) {
                const std::size_t length = std::min(nsize, size - c * nsize);
                if (!decodeChunk(in.data() + c * nsize, length, chunkErasures[c], onlyErasures, full, errata,
                                 failure))
                    break;
                const std::size_t kept = length > nsym ? length - nsym : 0;
                std::memcpy(message, full, kept);
                message += kept;
                full += length;
            }
        }
        if (failure.type) raise(failure.type, failure.message);
        uint8_t* positions = nullptr;
        py::bytearray errataPositions = newByteArray(errata.size(), positions);
        if (!errata.empty()) std::memcpy(positions, errata.data(), errata.size());
        return py::make_tuple(messages, words, errataPositions);
    }

    py::list check(py::handle data) const {
        ByteView in(data, false, "data");
        const std::size_t size = in.size();
        const std::size_t nsize = static_cast<std::size_t>(nsize_);
        const std::size_t chunks = (size + nsize - 1) / nsize;
        requireSymbols(in.data(), size);
        std::vector<char> verdicts(chunks);
        {
            py::gil_scoped_release unlocked;
            const std::size_t n = static_cast<std::size_t>(length_);
            uint8_t word[256];
            for (std::size_t c = 0; c < chunks; ++c) {
                const uint8_t* chunk = in.data() + c * nsize;
                const std::size_t length = std::min(nsize, size - c * nsize);
                std::memset(word, 0, n);
                if (length <= n) {
                    std::memcpy(word + n - length, chunk, length);
                } else {
                    // Longer than the field allows (only when nsize > 2^m - 1):
                    // every root r has r^(2^m - 1) = 1, so the coefficient of
                    // x^d adds to that of x^(d mod (2^m - 1)).
                    for (std::size_t i = 0; i < length; ++i) word[n - 1 - (length - 1 - i) % n] ^= chunk[i];
                }
                verdicts[c] = code_.check({word, n});
            }
        }
        py::list result;
        for (char v : verdicts) result.append(py::bool_(v != 0));
        return result;
    }

    // The nsym syndromes of data read as one polynomial, first byte the
    // highest power, at the code's roots (alpha^rootStep)^(fcr + i): what
    // reedsolo's rs_calc_syndromes gives after its leading 0. Any length.
    py::list syndromes(py::handle data) const {
        ByteView in(data, false, "data");
        requireSymbols(in.data(), in.size());
        std::vector<int> values(static_cast<std::size_t>(nsym_));
        {
            py::gil_scoped_release unlocked;
            const vekdi::Field& field = code_.field();
            const int period = field.order() - 1;
            uint8_t exp[2 * 255], log[256] = {};
            for (int i = 0; i < period; ++i) {
                exp[i] = exp[i + period] = field.exp(i);
                log[exp[i]] = static_cast<uint8_t>(i);
            }
            const long long step = code_.options().rootStep, fcr = code_.options().fcr;
            for (int i = 0; i < nsym_; ++i) {
                const int logRoot = static_cast<int>(step * ((fcr + i) % period) % period);
                int y = 0;
                for (std::size_t j = 0; j < in.size(); ++j)
                    y = (y ? exp[log[y] + logRoot] : 0) ^ in.data()[j];
                values[static_cast<std::size_t>(i)] = y;
            }
        }
        py::list result;
        for (int v : values) result.append(v);
        return result;
    }

private:
    struct Failure {
        PyObject* type = nullptr;
        std::string message;
    };

    static vekdi::ReedSolomon makeCode(int length, int nsym, unsigned polynomial, int fcr, int rootStep) {
        if (nsym < 1 || nsym >= length)
            raise(PyExc_ValueError, "ECC symbols must be strictly less than the total message length (nsym < nsize).");
        return vekdi::ReedSolomon(length, length - nsym, vekdi::CodeOptions{polynomial, fcr, rootStep, 0, false});
    }

    [[noreturn]] void tooLong(std::size_t length) const {
        raise(PyExc_ValueError,
              "Message is too long (" + std::to_string(length) + " when max is " + std::to_string(limit_) + ")");
    }

    // Symbols above the field's largest element (fields below GF(256)). The
    // chunk loops check here rather than through the code, whose vekdi.Error
    // is not the IndexError RSCodec users know for it; a decode checks chunk
    // by chunk, so that an earlier chunk's failure comes first.
    bool symbolsFit(const uint8_t* bytes, std::size_t size) const {
        if (limit_ >= 255) return true;
        for (std::size_t i = 0; i < size; ++i)
            if (bytes[i] > limit_) return false;
        return true;
    }
    void requireSymbols(const uint8_t* bytes, std::size_t size) const {
        if (!symbolsFit(bytes, size)) raise(PyExc_IndexError, "bytearray index out of range");
    }

    // Decodes one chunk into `out` (length bytes) and appends its errata
    // positions: the chunk's erasures as given, then the errors found, last
    // position first. Runs without the GIL; a failure is recorded, not raised.
    bool decodeChunk(const uint8_t* chunk, std::size_t length, const std::vector<long long>& erasures,
                     bool onlyErasures, uint8_t* out, std::vector<uint8_t>& errata, Failure& failure) const {
        if (length > static_cast<std::size_t>(limit_)) {
            failure = {PyExc_ValueError,
                       "Message is too long (" + std::to_string(length) + " when max is " + std::to_string(limit_) + ")"};
            return false;
        }
        const std::size_t n = static_cast<std::size_t>(length_);
        const int pad = static_cast<int>(n - length);
        std::vector<int> positions;
        positions.reserve(erasures.size());
        // Positions are checked here for the same reason as symbols.
        for (long long p : erasures) {
            if (p < 0) {
                failure = {PyExc_ValueError, "byte must be in range(0, 256)"};
                return false;
            }
            if (static_cast<std::size_t>(p) >= length) {
                failure = {PyExc_IndexError, "bytearray index out of range"};
                return false;
            }
            positions.push_back(static_cast<int>(p) + pad);
        }
        if (erasures.size() > static_cast<std::size_t>(nsym_)) {
            failure = {exceptions().reedSolomonError, "Too many erasures to correct"};
            return false;
        }
        if (!symbolsFit(chunk, length)) {
            failure = {PyExc_IndexError, "bytearray index out of range"};
            return false;
        }

        uint8_t word[256];
        std::memset(word, 0, static_cast<std::size_t>(pad));
        std::memcpy(word + pad, chunk, length);
        // Both decoders give the same words; the Euclidean one is the quicker on errors.
        const vekdi::DecodeResult result = code_.decode({word, n}, positions, vekdi::Algorithm::Euclid);
        // A correction in the zeros in front belongs to a longer chunk, not to this one.
        const bool solved = result && (result.errorPositions.empty() || result.errorPositions.front() >= pad) &&
                            !(onlyErasures && !result.errorPositions.empty());
        if (!solved) {
            // The messages the original gives for these failures most of the time.
            const char* message = onlyErasures ? "Could not correct message"
                                  : erasures.empty() && nsym_ % 2 == 1
                                      ? "Too many errors to correct"
                                      : "Too many (or few) errors found by Chien Search for the errata locator polynomial!";
            failure = {exceptions().reedSolomonError, message};
            return false;
        }
        std::memcpy(out, word + pad, length);
        for (long long p : erasures) errata.push_back(static_cast<uint8_t>(p));
        for (auto it = result.errorPositions.rbegin(); it != result.errorPositions.rend(); ++it)
            errata.push_back(static_cast<uint8_t>(*it - pad));
        return true;
    }

    int nsize_, nsym_, limit_, length_;
    vekdi::ReedSolomon code_;
};

}  // namespace

void bindChunked(py::module_& m) {
    using namespace pybind11::literals;
    py::class_<ChunkCodec>(m, "_ChunkCodec", "The chunk loops of vekdi.reedsolo.RSCodec (internal).")
        .def(py::init<int, int, unsigned, int, int, int>(), "nsize"_a, "nsym"_a, "polynomial"_a, "fcr"_a,
             "root_step"_a, "symbol_limit"_a)
        .def("encode", &ChunkCodec::encode, "data"_a)
        .def("decode", &ChunkCodec::decode, "data"_a, "erasures"_a, "only_erasures"_a)
        .def("check", &ChunkCodec::check, "data"_a)
        .def("syndromes", &ChunkCodec::syndromes, "data"_a);
}

}  // namespace vekdi_python
