#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Runs the benchmarks of two build folders in turn and prints, for every
row, the median of each side and the change.

    bench/compare_builds.py BEFORE_BUILD AFTER_BUILD [--runs 5] [--suite NAME]...
                            [--filter TEXT] [--limit PERCENT]

Each suite is cut into small pieces (the rows of one code, one program), and
each piece runs on both sides back to back, in alternating order from run to
run, so that both sides of a row are measured within seconds of each other
and a change in the machine's load falls on both. The suites:

  peer   bench/vekdi_peer_compare [--filter TEXT]: vekdi's ns per call, each
         round VEKDI_BENCH_SECONDS long (--seconds, default 0.1)
  ec     bench/vekdi_ec_compare --only in: vekdi's GB/s (run medians)
  gbench the Google Benchmark programs (vekdi_bench_*): CPU ns per iteration

A row is flagged when the after side is more than --limit percent (default
3) slower than the before side; the exit status is 1 when a row is flagged.
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys
from pathlib import Path

GBENCH = ["vekdi_bench_gf", "vekdi_bench_poly", "vekdi_bench_rs", "vekdi_bench_cpp"]


def run_peer(build, text):
    """Rows of vekdi_peer_compare: name -> vekdi ns (lower is better)."""
    args = [str(Path(build) / "bench/vekdi_peer_compare")] + ([text] if text else [])
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    rows = {}
    for line in out.splitlines():
        fields = line.split()
        if len(fields) < 4 or not fields[-1].endswith("x"):
            continue
        # The batch rows carry their throughput in the name.
        name = re.sub(r"\s*\([0-9.]+ Gbit/s\)", "", " ".join(fields[:-3]))
        rows[name] = float(fields[-3])
    return rows, False


def run_ec(build, _text):
    """vekdi's column of vekdi_ec_compare in cache: name -> GB/s (higher is better)."""
    args = [str(Path(build) / "bench/vekdi_ec_compare"), "--only", "in"]
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    rows = {}
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 8 and fields[0].startswith("(") and fields[3][0].isdigit():
            rows[" ".join(fields[:3])] = float(fields[3])
            rows[" ".join(fields[:3]) + " (Jerasure's matrix)"] = float(fields[7])
    return rows, True


def run_gbench(build, piece):
    """CPU ns per iteration of every Google Benchmark row of one program."""
    program, text = piece
    args = [str(Path(build) / "bench" / program), "--benchmark_format=json", "--benchmark_min_time=0.05"]
    if text:
        args.append("--benchmark_filter=" + text)
    out = subprocess.run(args, capture_output=True, text=True).stdout
    rows = {}
    if out.strip():  # nothing when no row of this program matches the filter
        for b in json.loads(out)["benchmarks"]:
            scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
            rows[program + " " + b["name"]] = b["cpu_time"] * scale
    return rows, False


SUITES = {"peer": run_peer, "ec": run_ec, "gbench": run_gbench}


def peer_pieces(build, text):
    """The codes of vekdi_peer_compare's rows (its filter takes them), read
    from a quick listing run of the before side; the filter alone when one
    is given."""
    if text:
        return [text]
    env = dict(os.environ, VEKDI_BENCH_SECONDS="0.001")
    out = subprocess.run([str(Path(build) / "bench/vekdi_peer_compare")],
                         check=True, capture_output=True, text=True, env=env).stdout
    pieces = []
    for line in out.splitlines():
        m = re.match(r"(.*?) (encode|decode|batch)\b", line)
        if m and line.split()[-1].endswith("x") and m.group(1) not in pieces:
            pieces.append(m.group(1))
    return pieces


def gbench_pieces(_build, text):
    return [(program, text) for program in GBENCH]


PIECES = {"peer": peer_pieces, "ec": lambda _b, text: [text], "gbench": gbench_pieces}


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("before")
    p.add_argument("after")
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--suite", action="append", choices=sorted(SUITES))
    p.add_argument("--filter", default="", help="row filter passed to the programs")
    p.add_argument("--seconds", default="0.1", help="VEKDI_BENCH_SECONDS for vekdi_peer_compare")
    p.add_argument("--limit", type=float, default=3.0, help="percent slower that flags a row")
    a = p.parse_args()
    os.environ["VEKDI_BENCH_SECONDS"] = a.seconds
    flagged = 0
    for suite in a.suite or ["peer", "ec", "gbench"]:
        samples = {"before": {}, "after": {}}
        higher_better = False
        # Small pieces, each run on both sides back to back (the order
        # alternating from run to run), so that both sides of a row are
        # measured within seconds of each other.
        pieces = PIECES[suite](a.before, a.filter)
        for i in range(a.runs):
            for piece in pieces:
                for side in (("before", "after") if i % 2 == 0 else ("after", "before")):
                    rows, higher_better = SUITES[suite](getattr(a, side), piece)
                    for name, value in rows.items():
                        samples[side].setdefault(name, []).append(value)
            print(f"{suite}: run {i + 1} of {a.runs} done", file=sys.stderr)
        unit = "GB/s" if higher_better else "ns"
        print(f"\n## {suite} (median of {a.runs} interleaved runs, {unit})\n")
        print(f"| row | before | after | change |")
        print(f"|---|---|---|---|")
        for name in samples["before"]:
            if name not in samples["after"]:
                continue
            b = statistics.median(samples["before"][name])
            t = statistics.median(samples["after"][name])
            # Positive: the after side is slower.
            slower = (b / t - 1) * 100 if higher_better else (t / b - 1) * 100
            mark = " **slower**" if slower > a.limit else ""
            flagged += bool(mark)
            print(f"| {name} | {b:.4g} | {t:.4g} | {-slower:+.1f} %{mark} |")
    print(f"\n{flagged} rows more than {a.limit:g} % slower")
    return 1 if flagged else 0


if __name__ == "__main__":
    sys.exit(main())
