#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Batches of codewords from Python beside the same calls from C++.

10^4 words of DVB RS(204,188) (fcr 0) and of CCSDS RS(255,223) (dual
basis): ReedSolomon.encode_blocks, and decode_blocks on clean words and on
words with 8 errors each, in Gbit/s of payload on one core (CPU time of the
calling thread, best of five calls). With --cpp, the C++ rows of
vekdi_peer_compare (vekdi.hpp's encodeBlocks / decodeBlocks on the same
codes and words) run in the same invocation and each Python figure is shown
as a share of the C++ one.

    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_batches.py \\
        [--cpp build/release/bench/vekdi_peer_compare]
"""

import argparse
import re
import subprocess
import time

import vekdi

WORDS = 10000
CODES = [
    ("DVB RS(204,188)", 204, 188, dict(polynomial=0x11D, fcr=0)),
    ("CCSDS RS(255,223)", 255, 223, dict(polynomial=0x187, fcr=112, root_step=11, dual_basis=True)),
]


def best_seconds(function, rounds=5):
    best = float("inf")
    for _ in range(rounds):
        start = time.thread_time()
        function()
        best = min(best, time.thread_time() - start)
    return best


def messages_for(k):
    """The messages vekdi_peer_compare uses: a linear congruential stream."""
    out, seed = bytearray(WORDS * k), 11
    for i in range(len(out)):
        seed = (seed * 1664525 + 1013904223) & 0xFFFFFFFF
        out[i] = seed >> 24
    return bytes(out)


def python_rows(name, n, k, options):
    code = vekdi.ReedSolomon(n, k, **options)
    messages = messages_for(k)
    clean = code.encode_blocks(messages)
    noisy = bytearray(clean)
    for w in range(WORDS):
        for e in range(8):
            noisy[w * n + (w * 37 + e * 13) % n] ^= 1 + e
    noisy = bytes(noisy)
    assert code.decode_blocks(noisy).codewords == clean
    bits = WORDS * k * 8
    rows = {}
    rows["encode"] = bits / best_seconds(lambda: code.encode_blocks(messages)) / 1e9
    rows["clean"] = bits / best_seconds(lambda: code.decode_blocks(clean)) / 1e9
    rows["8 errors"] = bits / best_seconds(lambda: code.decode_blocks(noisy)) / 1e9
    return rows


def cpp_rows(program):
    """Gbit/s of the C++ batch rows, by code name and case."""
    text = subprocess.run([program, "batch"], check=True, capture_output=True, text=True).stdout
    rows = {}
    for line in text.splitlines():
        match = re.match(r"(.*) batch of 10\^4 C\+\+ (encodeBlocks|decodeBlocks clean|decodeBlocks 8 errors) .*\(([0-9.]+) Gbit/s\)", line)
        if match:
            case = {"encodeBlocks": "encode", "decodeBlocks clean": "clean", "decodeBlocks 8 errors": "8 errors"}[match[2]]
            rows[(match[1], case)] = float(match[3])
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cpp", help="path of vekdi_peer_compare, for the C++ figures of the same codes")
    args = parser.parse_args()
    cpp = cpp_rows(args.cpp) if args.cpp else {}
    print("%-34s %14s %14s %8s" % ("case (10^4 words, Gbit/s)", "Python", "C++", "share"))
    for name, n, k, options in CODES:
        for case, rate in python_rows(name, n, k, options).items():
            other = cpp.get((name, case))
            print("%-34s %14.2f %14s %8s" % ("%s %s" % (name, case), rate, "%.2f" % other if other else "-",
                                            "%.0f %%" % (100 * rate / other) if other else "-"))


if __name__ == "__main__":
    main()
