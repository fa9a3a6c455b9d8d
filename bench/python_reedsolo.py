#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""vekdi.reedsolo.RSCodec against the pure-Python reedsolo package, side by side.

RS(255,223) over GF(256) (RSCodec(32)): calls of CHUNKS chunks each
(40 chunks = 8920 message bytes, about 9 KB), encode and decode with 0, 8
and 16 errors per chunk. Throughput is message bytes per second; "x" is
vekdi's speed over the original's. Also prints the cost of one call on a
one-chunk stream (the binding's per-call overhead) next to vekdi.ReedSolomon.

    python3 bench/python_reedsolo.py [--peer DIR] [--chunks 40] [--seconds 1]

DIR (or the environment variable VEKDI_REEDSOLO_PEER) is a folder holding the
original's reedsolo.py; without it only vekdi's figures are printed. Run it
with the Python the module was built for, e.g.
PYTHONPATH=build/release/python /usr/bin/python3 bench/python_reedsolo.py --peer DIR
"""

import argparse
import importlib
import os
import random
import sys
import time

import vekdi
from vekdi.reedsolo import RSCodec

NSYM, NSIZE = 32, 255


def load_peer(folder):
    path = os.path.join(folder, "reedsolo.py")
    if not os.path.exists(path):
        raise SystemExit("no reedsolo.py in %s" % folder)
    sys.path.insert(0, folder)
    try:
        module = importlib.import_module("reedsolo")
    finally:
        sys.path.pop(0)
    return module


def seconds_per_call(function, budget):
    """The best of three rounds of at least budget / 3 seconds each."""
    best = float("inf")
    for _ in range(3):
        calls, start = 0, time.perf_counter()
        while True:
            function()
            calls += 1
            elapsed = time.perf_counter() - start
            if elapsed >= budget / 3:
                break
        best = min(best, elapsed / calls)
    return best


def damaged(stream, errors, rng):
    word = bytearray(stream)
    for start in range(0, len(word), NSIZE):
        for position in rng.sample(range(min(NSIZE, len(word) - start)), errors):
            word[start + position] ^= rng.randrange(1, 256)
    return bytes(word)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--peer", default=os.environ.get("VEKDI_REEDSOLO_PEER"),
                        help="folder with the original reedsolo.py (default: $VEKDI_REEDSOLO_PEER)")
    parser.add_argument("--chunks", type=int, default=40, help="chunks per call (default 40)")
    parser.add_argument("--seconds", type=float, default=1.0, help="time per measurement (default 1)")
    args = parser.parse_args()

    rng = random.Random(2024)
    message = bytes(rng.randrange(256) for _ in range((NSIZE - NSYM) * args.chunks))
    ours = RSCodec(NSYM)
    encoded = bytes(ours.encode(message))
    streams = {errors: damaged(encoded, errors, rng) for errors in (0, 8, 16)}
    peer = load_peer(args.peer).RSCodec(NSYM) if args.peer else None

    cases = [("encode", lambda codec: codec.encode(message))]
    for errors, stream in streams.items():
        cases.append(("decode, %d errors/chunk" % errors, lambda codec, s=stream: codec.decode(s)))

    for name, run in cases:  # both must agree before anything is timed
        if peer is not None and run(ours) != run(peer):
            raise SystemExit("vekdi and the original disagree on: " + name)

    megabytes = len(message) / 1e6
    print("RS(255,223), %d chunks per call (%d message bytes), vekdi %s" % (args.chunks, len(message), vekdi.__version__))
    if peer is None:
        print("%-26s %14s" % ("", "vekdi MB/s"))
    else:
        print("%-26s %14s %14s %10s" % ("", "vekdi MB/s", "original MB/s", "x"))
    for name, run in cases:
        fast = seconds_per_call(lambda: run(ours), args.seconds)
        if peer is None:
            print("%-26s %14.1f" % (name, megabytes / fast))
        else:
            slow = seconds_per_call(lambda: run(peer), args.seconds)
            print("%-26s %14.1f %14.3f %10.0f" % (name, megabytes / fast, megabytes / slow, slow / fast))

    code = vekdi.ReedSolomon(NSIZE, NSIZE - NSYM)
    short = message[:16]
    one_chunk = bytes(ours.encode(short))
    words = code.encode_blocks(message)
    print("\nper call (microseconds)")
    rows = [
        ("RSCodec.encode, 16 bytes", lambda: ours.encode(short)),
        ("RSCodec.decode, 16+32 bytes", lambda: ours.decode(one_chunk)),
        ("ReedSolomon.encode, 1 word", lambda: code.encode(message[: NSIZE - NSYM])),
        ("ReedSolomon.decode, 1 word", lambda: code.decode(words[:NSIZE])),
        ("ReedSolomon.encode_blocks, %d" % args.chunks, lambda: code.encode_blocks(message)),
        ("ReedSolomon.decode_blocks, %d" % args.chunks, lambda: code.decode_blocks(words)),
    ]
    for name, run in rows:
        print("%-34s %10.2f" % (name, seconds_per_call(run, args.seconds / 2) * 1e6))


if __name__ == "__main__":
    main()
