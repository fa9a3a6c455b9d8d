// SPDX-License-Identifier: Apache-2.0
//
// vekdi.ErasureCode: k data buffers -> m parity buffers. Shards are any
// bytes-like objects, or one 2-D uint8 array with a shard per row; nothing
// is copied, and the coding runs without the GIL.
#include "bindings.h"

#include <pybind11/stl.h>

#include <vekdi.hpp>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vekdi_python {

namespace {

using vekdi::ErasureCode;
using vekdi::Matrix;

struct MatrixName {
    const char* name;
    Matrix matrix;
};
constexpr MatrixName kMatrices[] = {{"reed-solomon", Matrix::ReedSolomon},
                                    {"isal-vandermonde", Matrix::IsalVandermonde},
                                    {"isal-cauchy", Matrix::IsalCauchy},
                                    {"jerasure-vandermonde", Matrix::JerasureVandermonde},
                                    {"zfec", Matrix::Zfec}};

Matrix matrixNamed(std::string_view name) {
    for (const auto& m : kMatrices)
        if (name == m.name) return m.matrix;
    raiseError("matrix must be 'reed-solomon', 'isal-vandermonde', 'isal-cauchy', 'jerasure-vandermonde' or "
               "'zfec', not '" + std::string(name) + "'",
               "matrix");
}

// Shards held through the buffer protocol: a sequence of buffers (None
// allowed where `allowNone`), or one 2-D buffer with a shard per row.
class Shards {
public:
    Shards(py::handle object, std::size_t count, bool writable, bool allowNone, const char* what) {
        if (PyObject_CheckBuffer(object.ptr())) {
            views_.push_back(std::make_unique<ByteView>(object, writable, what));
            const ByteView& v = *views_.back();
            if (v.ndim() != 2 || v.extent(0) != count)
                raiseError(std::string(what) + ": a single buffer must be 2-D with " + std::to_string(count) +
                               " rows",
                           what);
            length_ = v.extent(1);
            for (std::size_t i = 0; i < count; ++i) pointers_.push_back(views_.back()->mutableData() + i * length_);
            return;
        }
        const py::sequence items = py::reinterpret_borrow<py::sequence>(object);
        if (!py::isinstance<py::sequence>(object) || items.size() != count)
            raiseError(std::string(what) + " must hold " + std::to_string(count) + " buffers", what);
        bool first = true;
        for (std::size_t i = 0; i < count; ++i) {
            py::handle item = items[i];
            if (item.is_none()) {
                if (!allowNone) raiseError(std::string(what) + ": shard " + std::to_string(i) + " is None", what);
                pointers_.push_back(nullptr);
                continue;
            }
            views_.push_back(std::make_unique<ByteView>(item, writable, what));
            const std::size_t size = views_.back()->size();
            if (!first && size != length_)
                raiseError(std::string(what) + ": every shard must have the same length (" +
                           std::to_string(length_) + " bytes, shard " + std::to_string(i) + " has " +
                           std::to_string(size) + ")",
                           what);
            length_ = size;
            first = false;
            pointers_.push_back(views_.back()->mutableData());
        }
    }
    std::size_t length() const { return length_; }
    std::vector<uint8_t*>& pointers() { return pointers_; }

private:
    std::vector<std::unique_ptr<ByteView>> views_;
    std::vector<uint8_t*> pointers_;
    std::size_t length_ = 0;
};

std::vector<const uint8_t*> readOnly(const std::vector<uint8_t*>& p) { return {p.begin(), p.end()}; }

struct PyErasureCode {
    std::shared_ptr<const ErasureCode> code;
    std::string matrix;
};

}  // namespace

void bindErasureCode(py::module_& m) {
    py::class_<PyErasureCode>(m, "ErasureCode",
                              "k data shards -> m parity shards of one length over GF(256)/0x11D; any k shards "
                              "whose rows are independent rebuild the rest. Immutable; share it between threads.")
        .def(py::init([](int k, int parity, const std::string& matrix) {
                 return PyErasureCode{std::make_shared<const ErasureCode>(k, parity, matrixNamed(matrix)), matrix};
             }),
             py::arg("k"), py::arg("m"), py::arg("matrix") = "reed-solomon")
        .def_static(
            "from_matrix",
            [](int k, int parity, py::handle rows) {
                ByteView v(rows, false, "rows");
                return PyErasureCode{std::make_shared<const ErasureCode>(ErasureCode::fromMatrix(k, parity, v.bytes())),
                                     "custom"};
            },
            py::arg("k"), py::arg("m"), py::arg("rows"), "A code from its m x k parity matrix (row-major bytes).")
        .def_property_readonly("k", [](const PyErasureCode& c) { return c.code->k(); })
        .def_property_readonly("m", [](const PyErasureCode& c) { return c.code->m(); })
        .def_property_readonly("matrix", [](const PyErasureCode& c) { return c.matrix; })
        .def_property_readonly("parity_matrix",
                               [](const PyErasureCode& c) {
                                   const auto rows = c.code->parityMatrix();
                                   return py::bytes(reinterpret_cast<const char*>(rows.data()), rows.size());
                               })
        .def(
            "encode",
            [](const PyErasureCode& c, py::handle data) {
                Shards d(data, static_cast<std::size_t>(c.code->k()), false, false, "data");
                const std::size_t length = d.length();
                std::vector<py::bytes> out;
                std::vector<uint8_t*> parity;
                for (int r = 0; r < c.code->m(); ++r) {
                    uint8_t* p = nullptr;
                    out.push_back(newBytes(length, p));
                    parity.push_back(p);
                }
                const auto in = readOnly(d.pointers());
                {
                    py::gil_scoped_release release;
                    c.code->encode(in, parity, length);
                }
                return out;
            },
            py::arg("data"), "The m parity shards (bytes) of k data shards.")
        .def(
            "encode_into",
            [](const PyErasureCode& c, py::handle data, py::handle parity) {
                Shards d(data, static_cast<std::size_t>(c.code->k()), false, false, "data");
                Shards p(parity, static_cast<std::size_t>(c.code->m()), true, false, "parity");
                if (p.length() != d.length()) raiseError("parity shards must have the data shards' length", "parity");
                const auto in = readOnly(d.pointers());
                py::gil_scoped_release release;
                c.code->encode(in, p.pointers(), d.length());
            },
            py::arg("data"), py::arg("parity"), "Writes the parity of k data shards into m writable buffers.")
        .def(
            "reconstruct",
            [](const PyErasureCode& c, py::handle shards) {
                const std::size_t n = static_cast<std::size_t>(c.code->k() + c.code->m());
                Shards s(shards, n, false, true, "shards");
                std::vector<int> lost;
                for (std::size_t i = 0; i < n; ++i)
                    if (s.pointers()[i] == nullptr) lost.push_back(static_cast<int>(i));
                py::list out;
                std::vector<py::bytes> rebuilt;
                for (std::size_t i = 0; i < n; ++i) {
                    if (s.pointers()[i] != nullptr) continue;
                    uint8_t* p = nullptr;
                    rebuilt.push_back(newBytes(s.length(), p));
                    s.pointers()[i] = p;
                }
                {
                    py::gil_scoped_release release;
                    c.code->reconstruct(s.pointers(), lost, s.length());
                }
                const py::sequence given = py::reinterpret_borrow<py::sequence>(shards);
                std::size_t next = 0;
                const bool single = PyObject_CheckBuffer(shards.ptr());
                for (std::size_t i = 0; i < n; ++i) {
                    if (!lost.empty() && next < lost.size() && lost[next] == static_cast<int>(i))
                        out.append(rebuilt[next++]);
                    else if (single)
                        out.append(py::bytes(reinterpret_cast<const char*>(s.pointers()[i]), s.length()));
                    else
                        out.append(given[i]);
                }
                return out;
            },
            py::arg("shards"),
            "k + m shards with None where lost; returns all k + m, the lost ones rebuilt (new bytes). Raises "
            "vekdi.Error when fewer than k survive or the survivors' rows are dependent.")
        .def(
            "update",
            [](const PyErasureCode& c, int index, py::handle delta, py::handle parity) {
                ByteView d(delta, false, "delta");
                Shards p(parity, static_cast<std::size_t>(c.code->m()), true, false, "parity");
                if (p.length() != d.size()) raiseError("parity shards must have the delta's length", "parity");
                py::gil_scoped_release release;
                c.code->update(index, d.bytes(), p.pointers());
            },
            py::arg("index"), py::arg("delta"), py::arg("parity"),
            "Brings the m parity buffers up to date after data shard `index` changed by `delta` (old XOR new).")
        .def(
            "check",
            [](const PyErasureCode& c, py::handle shards) {
                Shards s(shards, static_cast<std::size_t>(c.code->k() + c.code->m()), false, false, "shards");
                const auto in = readOnly(s.pointers());
                py::gil_scoped_release release;
                return c.code->check(in, s.length());
            },
            py::arg("shards"), "True when the m parity shards hold the parity of the k data shards.")
        .def(
            "decode_matrix",
            [](const PyErasureCode& c, const std::vector<int>& lost) {
                const vekdi::DecodeMatrix d = c.code->decodeMatrix(lost);
                return py::make_tuple(d.lost, d.survivors,
                                      py::bytes(reinterpret_cast<const char*>(d.matrix.data()), d.matrix.size()));
            },
            py::arg("lost"), "(lost, survivors, matrix): lost[i] = sum_j matrix[i * k + j] * shard survivors[j].")
        .def("__repr__", [](const PyErasureCode& c) {
            return "vekdi.ErasureCode(" + std::to_string(c.code->k()) + ", " + std::to_string(c.code->m()) +
                   ", matrix='" + c.matrix + "')";
        });
}

}  // namespace vekdi_python
