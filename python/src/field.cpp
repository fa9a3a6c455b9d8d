// SPDX-License-Identifier: Apache-2.0
//
// vekdi.Field: GF(2^m) element arithmetic.
#include "bindings.h"

#include <vekdi.hpp>

#include <cstdio>

namespace vekdi_python {

namespace {

// Elements arrive as Python ints; the C functions read only the low 8 bits,
// so anything outside the field is refused here.
uint8_t element(const vekdi::Field& field, long value, const char* name) {
    if (value < 0 || value >= field.order())
        raiseError(std::string("vekdi.Field: ") + name + " = " + std::to_string(value) + " is not an element of GF(" +
                   std::to_string(field.order()) + ") (0 ... " + std::to_string(field.order() - 1) + ")",
                   name);
    return static_cast<uint8_t>(value);
}

std::string hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace

void bindField(py::module_& m) {
    using namespace pybind11::literals;
    using vekdi::Field;
    py::class_<Field>(m, "Field", R"doc(
The finite field GF(2^m), m = 1 ... 8, built on an irreducible polynomial.

Field(polynomial=0x11D): the polynomial is a bit mask including the x^m term
(0x11D = x^8 + x^4 + x^3 + x^2 + 1, 0x13 = x^4 + x + 1, 0x3 = x + 1). A
polynomial that is not irreducible raises vekdi.Error.

Elements are ints 0 ... 2^m - 1 (bit i = coefficient of x^i). alpha is x
when the polynomial is primitive, otherwise the smallest element of order
2^m - 1 (0x03 for 0x11B); exp and log are to that base.

>>> f = vekdi.Field(0x11D)
>>> f.mul(0x53, 0xCA), f.inv(0x53), f.exp(8), f.log(0x1D)
(143, 140, 29, 8)
)doc")
        .def(py::init<unsigned>(), "polynomial"_a = 0x11D)
        .def_property_readonly("m", &Field::m, "The degree m of the field GF(2^m).")
        .def_property_readonly("order", &Field::order, "The number of elements, 2^m.")
        .def_property_readonly("polynomial", &Field::polynomial, "The field polynomial as a bit mask.")
        .def_property_readonly("alpha", &Field::alpha, "The primitive element that exp and log use.")
        .def(
            "add", [](const Field& f, long a, long b) { return f.add(element(f, a, "a"), element(f, b, "b")); },
            "a"_a, "b"_a, "a + b (also a - b: the field has characteristic 2).")
        .def(
            "sub", [](const Field& f, long a, long b) { return f.add(element(f, a, "a"), element(f, b, "b")); },
            "a"_a, "b"_a, "a - b, the same as a + b.")
        .def(
            "mul", [](const Field& f, long a, long b) { return f.mul(element(f, a, "a"), element(f, b, "b")); },
            "a"_a, "b"_a, "a * b.")
        .def(
            "div", [](const Field& f, long a, long b) { return f.div(element(f, a, "a"), element(f, b, "b")); },
            "a"_a, "b"_a, "a / b; ZeroDivisionError when b is 0.")
        .def(
            "inv", [](const Field& f, long a) { return f.inv(element(f, a, "a")); }, "a"_a,
            "1 / a; ZeroDivisionError when a is 0.")
        .def(
            "pow",
            [](const Field& f, long a, long long e) {
                const long long period = f.order() - 1;
                return f.pow(element(f, a, "a"), static_cast<int>(((e % period) + period) % period));
            },
            "a"_a, "e"_a, "a ** e for any integer e (0 ** e = 0, also for e <= 0).")
        .def(
            "exp",
            [](const Field& f, long long e) {
                const long long period = f.order() - 1;
                return f.exp(static_cast<int>(((e % period) + period) % period));
            },
            "e"_a, "alpha ** e for any integer e.")
        .def(
            "log",
            [](const Field& f, long a) {
                if (element(f, a, "a") == 0) raiseError("vekdi.Field.log: 0 has no logarithm", "a");
                return f.log(static_cast<uint8_t>(a));
            },
            "a"_a, "The logarithm of a non-zero element to base alpha, 0 ... 2^m - 2.")
        .def("__eq__", [](const Field& a, const Field& b) { return a.polynomial() == b.polynomial(); })
        .def("__hash__", [](const Field& f) { return py::hash(py::int_(f.polynomial())); })
        .def("__repr__", [](const Field& f) { return "vekdi.Field(" + hex(f.polynomial()) + ")"; });
}

}  // namespace vekdi_python
