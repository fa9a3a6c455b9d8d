// SPDX-License-Identifier: Apache-2.0
#include "poly/prime_divisors.h"

namespace vekdi {

namespace {

struct PrimeDivisorRow {
    int count;
    uint32_t entries[kPrimeDivisorRowMax];
};

// Index n - 1 holds the row for n. Users skip entry 0 and divide 2^n - 1 by
// each later entry; the last one gives the quotient 1.
constexpr PrimeDivisorRow kRows[32] = {
    {2, {1, 1}},
    {2, {1, 3}},
    {2, {1, 7}},
    {4, {1, 3, 5, 15}},
    {2, {1, 31}},
    {4, {1, 3, 7, 63}},
    {2, {1, 127}},
    {5, {1, 3, 5, 17, 255}},
    {4, {1, 7, 73, 511}},
    {5, {1, 3, 11, 31, 1023}},
    {4, {1, 23, 89, 2047}},
    {6, {1, 3, 5, 7, 13, 4095}},
    {2, {1, 8191}},
    {5, {1, 3, 43, 127, 16383}},
    {5, {1, 7, 31, 151, 32767}},
    {6, {1, 3, 5, 17, 257, 65535}},
    {2, {1, 131071}},
    {6, {1, 3, 7, 19, 73, 262143}},
    {2, {1, 524287}},
    {7, {1, 3, 5, 11, 31, 41, 1048575}},
    {5, {1, 7, 127, 337, 2097151}},
    {6, {1, 3, 23, 89, 683, 4194303}},
    {4, {1, 47, 178481, 8388607}},
    {8, {1, 3, 5, 7, 13, 17, 241, 16777215}},
    {5, {1, 31, 601, 1801, 33554431}},
    {5, {1, 3, 2731, 8191, 67108863}},
    {5, {1, 7, 73, 262657, 134217727}},
    {8, {1, 3, 5, 29, 43, 113, 127, 268435455}},
    {5, {1, 233, 1103, 2089, 536870911}},
    {8, {1, 3, 7, 11, 31, 151, 331, 1073741823}},
    {2, {1, 2147483647}},
    {7, {1, 3, 5, 17, 257, 65537, 4294967295u}},
};

constexpr bool inTable(int n) { return n >= 1 && n <= 32; }

}  // namespace

const uint32_t* primeDivisorList(int n) { return inTable(n) ? kRows[n - 1].entries : nullptr; }

int primeDivisorCount(int n) { return inTable(n) ? kRows[n - 1].count : 0; }

}  // namespace vekdi
