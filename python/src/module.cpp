// SPDX-License-Identifier: Apache-2.0
//
// The extension module vekdi._vekdi: buffers, exceptions, version, and the
// classes added by field.cpp, code.cpp and chunked.cpp. The package vekdi
// (python/vekdi/__init__.py) re-exports it.
#include "bindings.h"

#include <vekdi.hpp>

namespace vekdi_python {

ByteView::ByteView(py::handle object, bool writable, const char* what) {
    const int flags = PyBUF_C_CONTIGUOUS | PyBUF_FORMAT | (writable ? PyBUF_WRITABLE : 0);
    if (PyObject_GetBuffer(object.ptr(), &view_, flags) != 0) {
        PyErr_Clear();
        const std::string type = py::str(py::type::handle_of(object).attr("__name__"));
        if (writable && PyObject_CheckBuffer(object.ptr()))
            raise(PyExc_TypeError, std::string(what) + " must be a writable, contiguous bytes-like object "
                                   "(bytearray, writable memoryview, uint8 array), not " + type);
        raise(PyExc_TypeError, std::string(what) + " must be a contiguous bytes-like object "
                               "(bytes, bytearray, memoryview, uint8 array), not " + type);
    }
    if (view_.itemsize != 1) {
        const std::string format = view_.format ? view_.format : "B";
        PyBuffer_Release(&view_);
        raise(PyExc_TypeError, std::string(what) + " must hold one-byte items (uint8), not items of format '" +
                               format + "'");
    }
}

py::bytes newBytes(std::size_t size, uint8_t*& data) {
    PyObject* object = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size));
    if (!object) throw py::error_already_set();
    data = reinterpret_cast<uint8_t*>(PyBytes_AS_STRING(object));
    return py::reinterpret_steal<py::bytes>(object);
}

py::bytearray newByteArray(std::size_t size, uint8_t*& data) {
    PyObject* object = PyByteArray_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size));
    if (!object) throw py::error_already_set();
    data = reinterpret_cast<uint8_t*>(PyByteArray_AS_STRING(object));
    return py::reinterpret_steal<py::bytearray>(object);
}

Exceptions& exceptions() {
    static Exceptions e;
    return e;
}

void raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

namespace {
// Sets `type(message)` with its `argument` attribute as the pending exception.
void setError(PyObject* type, const char* message, const char* argument) {
    PyObject* instance = PyObject_CallFunction(type, "s", message);
    if (!instance) return;
    PyObject* name = PyUnicode_FromString(argument);
    if (name && PyObject_SetAttrString(instance, "argument", name) == 0) PyErr_SetObject(type, instance);
    Py_XDECREF(name);
    Py_DECREF(instance);
}
}  // namespace

void raiseError(const std::string& message, const char* argument) {
    setError(exceptions().error, message.c_str(), argument);
    throw py::error_already_set();
}

namespace {

PyObject* newException(py::module_& m, const char* qualifiedName, const char* attribute, PyObject* base,
                       const char* doc) {
    PyObject* type = PyErr_NewExceptionWithDoc(qualifiedName, doc, base, nullptr);
    if (!type) throw py::error_already_set();
    m.add_object(attribute, py::handle(type));  // the module keeps the reference
    return type;
}

}  // namespace

}  // namespace vekdi_python

PYBIND11_MODULE(_vekdi, m) {
    using namespace vekdi_python;
    m.doc() = "vekdi's extension module; import the package vekdi instead.";
    m.attr("__version__") = VEKDI_VERSION_STRING;

    Exceptions& e = exceptions();
    e.error = newException(m, "vekdi.Error", "Error", PyExc_ValueError,
                           "A bad argument: a size, position, symbol or code parameter vekdi refuses.\n\n"
                           "argument: the name of the argument refused (as vekdi.hpp names it), or ''.");
    py::setattr(py::handle(e.error), "argument", py::str(""));
    e.decodeError = newException(m, "vekdi.DecodeError", "DecodeError", PyExc_Exception,
                                 "A received word that could not be corrected (it is left as it was).");
    e.reedSolomonError = newException(m, "vekdi.reedsolo.ReedSolomonError", "ReedSolomonError", PyExc_Exception,
                                      "A chunk that could not be decoded (vekdi.reedsolo's RSCodec).");

    // The C++ interface's errors as Python's: a division by zero is a
    // ZeroDivisionError, every other vekdi::Error a vekdi.Error (a
    // ValueError), with the C++ message and the argument's name.
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const vekdi::Error& error) {
            setError(error.status() == StatusDivideByZero ? PyExc_ZeroDivisionError : exceptions().error, error.what(),
                     error.argument());
        }
    });

    bindField(m);
    bindCode(m);
    bindChunked(m);
    bindErasureCode(m);
}
