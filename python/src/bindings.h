// SPDX-License-Identifier: Apache-2.0
//
// Shared pieces of the Python module: byte buffers taken through the buffer
// protocol, the module's exception classes, and the functions that add each
// class to the module.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vekdi_python {

namespace py = pybind11;

// A contiguous run of bytes held through the buffer protocol for as long as
// this object lives: bytes, bytearray, memoryview, array.array('B'), NumPy
// arrays of one-byte items (any shape, C order). No copy is made. While it is
// held, a bytearray cannot be resized, so the bytes may be used without the GIL.
class ByteView {
public:
    ByteView(py::handle object, bool writable, const char* what);
    ~ByteView() { PyBuffer_Release(&view_); }
    ByteView(const ByteView&) = delete;
    ByteView& operator=(const ByteView&) = delete;

    std::size_t size() const { return static_cast<std::size_t>(view_.len); }
    const uint8_t* data() const { return static_cast<const uint8_t*>(view_.buf); }
    uint8_t* mutableData() { return static_cast<uint8_t*>(view_.buf); }
    std::span<const uint8_t> bytes() const { return {data(), size()}; }
    std::span<uint8_t> mutableBytes() { return {mutableData(), size()}; }
    // Dimensions of the exporter's shape (1 for bytes and bytearray).
    int ndim() const { return view_.ndim; }
    std::size_t extent(int i) const { return view_.shape ? static_cast<std::size_t>(view_.shape[i]) : size(); }

private:
    Py_buffer view_{};
};

// New bytes / bytearray objects of a given size, to be filled by the caller
// (possibly without the GIL: nobody else can see them yet).
py::bytes newBytes(std::size_t size, uint8_t*& data);
py::bytearray newByteArray(std::size_t size, uint8_t*& data);

// The module's exception classes, created once by the module initialisation.
struct Exceptions {
    PyObject* error = nullptr;            // vekdi.Error (a ValueError): bad arguments
    PyObject* decodeError = nullptr;      // vekdi.DecodeError: a word could not be corrected
    PyObject* reedSolomonError = nullptr; // vekdi.reedsolo.ReedSolomonError
};
Exceptions& exceptions();

// Raises vekdi.Error with its `argument` attribute set to the argument's
// name (as vekdi.hpp would name it; "" for none).
[[noreturn]] void raiseError(const std::string& message, const char* argument = "");
// Raises the given Python exception class with a message.
[[noreturn]] void raise(PyObject* type, const std::string& message);

void bindField(py::module_& m);
void bindCode(py::module_& m);
void bindChunked(py::module_& m);
void bindErasureCode(py::module_& m);

}  // namespace vekdi_python
