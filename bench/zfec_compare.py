#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""vekdi.zfec against python3-zfec in one run: Encoder(k, m).encode of k
blocks (all m shares) and Decoder(k, m).decode from the last k shares (the
m - k check shares and the first 2k - m blocks), each the median of RUNS timed
calls, the two libraries interleaved. Throughput is the k blocks' bytes per
second; "x" is vekdi's speed over zfec's. Every row checks identical output
first.

Both libraries return new bytes objects (m - k MiB per encode at the
defaults), so each call may first have to fault in fresh pages: glibc hands
freed blocks of 1 MiB back to the kernel once more than about 2 MiB is free.
Whether it does depends on what else the process holds. The table has each
call twice: "default" with the allocator as it comes, then "kept" after
mallopt() makes glibc keep freed memory, so that no call pays for faults.
It also prints what faulting in m - k fresh blocks costs on this machine,
the most a call can lose to them.

    PYTHONPATH=build/release/python /usr/bin/python3 bench/zfec_compare.py [--k 10] [--m 14] [--block 1048576] [--runs 5]

Run it with the Python the module was built for; it needs Debian's python3-zfec.
"""

import argparse
import ctypes
import mmap
import random
import statistics
import time

import zfec

import vekdi.zfec as vz


def timed(function, runs):
    """Median seconds of `runs` calls, after one untimed call."""
    function()
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        function()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


M_TRIM_THRESHOLD, M_MMAP_THRESHOLD = -1, -3


def keep_freed_memory():
    """Makes glibc keep freed memory instead of giving it back to the kernel."""
    libc = ctypes.CDLL(None)
    if not (libc.mallopt(M_MMAP_THRESHOLD, 32 << 20) and libc.mallopt(M_TRIM_THRESHOLD, 1 << 30)):
        raise SystemExit("mallopt failed")


def first_touch(size):
    """Seconds to fault in `size` bytes of new anonymous memory (median of 5)."""
    fill = b"\x01" * size

    def touch():
        area = mmap.mmap(-1, size)
        area.write(fill)
        area.close()

    return timed(touch, 5)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--k", type=int, default=10)
    parser.add_argument("--m", type=int, default=14)
    parser.add_argument("--block", type=int, default=1 << 20, help="bytes per block")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    k, m = args.k, args.m
    rng = random.Random(1)
    blocks = [rng.randbytes(args.block) for _ in range(k)]
    ours_enc, theirs_enc = vz.Encoder(k, m), zfec.Encoder(k, m)
    shares = theirs_enc.encode(blocks)
    if ours_enc.encode(blocks) != [bytes(s) for s in shares]:
        raise SystemExit("vekdi.zfec's shares differ from zfec's")
    numbers = list(range(m - k, m))
    given = [shares[n] for n in numbers]
    ours_dec, theirs_dec = vz.Decoder(k, m), zfec.Decoder(k, m)
    if ours_dec.decode(given, numbers) != blocks or [bytes(b) for b in theirs_dec.decode(given, numbers)] != blocks:
        raise SystemExit("a decode did not return the blocks")

    del shares
    data = k * args.block
    print(f"Encoder({k}, {m}) / Decoder({k}, {m}), {k} blocks of {args.block} bytes, median of {args.runs}")
    print(f"faulting in {m - k} new blocks costs {first_touch((m - k) * args.block) * 1e3:.2f} ms here")
    print(f"{'call':<8}{'malloc':<9}{'zfec ms':>10}{'vekdi ms':>10}{'zfec GB/s':>11}{'vekdi GB/s':>12}{'x':>8}")
    rows = [
        ("encode", lambda: theirs_enc.encode(blocks), lambda: ours_enc.encode(blocks)),
        ("decode", lambda: theirs_dec.decode(given, numbers), lambda: ours_dec.decode(given, numbers)),
    ]
    for malloc in ("default", "kept"):
        if malloc == "kept":
            keep_freed_memory()
        for name, theirs, ours in rows:
            pairs = [(timed(theirs, 1), timed(ours, 1)) for _ in range(args.runs)]
            t_theirs = statistics.median(p[0] for p in pairs)
            t_ours = statistics.median(p[1] for p in pairs)
            print(f"{name:<8}{malloc:<9}{t_theirs * 1e3:>10.2f}{t_ours * 1e3:>10.2f}{data / t_theirs / 1e9:>11.2f}"
                  f"{data / t_ours / 1e9:>12.2f}{t_theirs / t_ours:>8.1f}")

if __name__ == "__main__":
    main()
