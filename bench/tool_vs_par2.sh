#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# vekdi against par2 on the same file and the same damage, in one run.
#
#   bench/tool_vs_par2.sh [--program PATH] [--size BYTES] [--redundancy PERCENT] [--workdir DIR]
#
# Builds a file of random bytes (default 1 GiB) and keeps it in the page
# cache, then times, for each tool: protect/create, verify of the intact
# file, and verify + repair after three kinds of damage: 1 % of the file lost
# in 64 KiB pieces, one burst of zeros over (R - 2) % of the file, and byte
# errors at a rate of 1e-3 everywhere. "repaired" means the output equals the
# original byte for byte. Times are wall-clock seconds, with the CPU seconds
# (user + system, all threads) beside them: on a shared machine the wall
# clock includes time other programs took. Needs par2 (Debian: par2) and
# python3 for the damage.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
program= size=$((1 << 30)) percent=12 workdir=
while (($#)); do
  case $1 in
    --program) program=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --redundancy) percent=$2; shift 2 ;;
    --workdir) workdir=$2; shift 2 ;;
    *) echo "bench: unknown argument $1" >&2; exit 3 ;;
  esac
done
command -v par2 >/dev/null || { echo "bench: par2 is not installed (.ci/packages peers)" >&2; exit 3; }
if [[ -z $program ]]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target vekdi_tool >/dev/null
  program=$root/build/release/tools/vekdi
fi
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
if [[ -z $workdir ]]; then
  workdir=$(mktemp -d)
  trap 'rm -rf "$workdir"' EXIT
else
  mkdir -p "$workdir"
fi
cd "$workdir"
rm -rf v p && mkdir v p

echo "bench: $size-byte file, $percent % redundancy, $(nproc) cores, in $workdir" >&2
head -c "$size" /dev/urandom >original
cp original v/file && cp original p/file

rows=()
# timed LABEL CMD...: runs CMD, appends "wall cpu status" to the global `last`.
timed() {
  local t0 t1 status
  local TIMEFORMAT='%R %U %S'
  { time { "$@" >/dev/null 2>"$workdir/stderr.txt"; status=$?; } ; } 2>"$workdir/time.txt" || true
  read -r wall user sys <"$workdir/time.txt"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
  last="$wall $cpu ${status:-0}"
}
mbps() { awk -v b="$size" -v t="$1" 'BEGIN { if (t > 0) printf "%.0f MB/s", b / t / 1e6; else print "-" }'; }

# damage KIND FILE: applies one kind of damage to FILE in place.
damage() {
  python3 - "$1" "$2" "$size" "$percent" <<'PY'
import os, random, sys
kind, path, n, r = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
rng = random.Random(12)
with open(path, "r+b") as f:
    if kind == "lost":      # 1 % of the file, in random 64 KiB pieces
        piece = 65536
        for b in rng.sample(range(n // piece), max(1, n // piece // 100)):
            f.seek(b * piece); f.write(os.urandom(piece))
    elif kind == "burst":   # one run of zeros over (R - 2) % of the file
        run = n * (r - 2) // 100; start = n // 4 + 777
        f.seek(start)
        while run:
            k = min(run, 1 << 20); f.write(bytes(k)); run -= k
    elif kind == "scattered":  # byte errors at a rate of 1e-3
        try:
            import numpy as np
            m = np.memmap(path, dtype=np.uint8, mode="r+")
            g = np.random.default_rng(12)
            pos = g.choice(n, size=n // 1000, replace=False)
            m[pos] ^= g.integers(1, 256, size=pos.size, dtype=np.uint8)
            m.flush()
        except ImportError:
            for _ in range(n // 1000):
                p = rng.randrange(n); f.seek(p); b = f.read(1)[0]
                f.seek(p); f.write(bytes([b ^ rng.randrange(1, 256)]))
PY
}

verdict() { cmp -s original "$1" && echo "repaired" || echo "NOT repaired"; }

# Protect / create.
timed "$program" -q protect v/file -r "$percent"; read -r vw vc vs <<<"$last"
timed par2 create -q -q -r"$percent" -n1 p/file.par2 p/file; read -r pw pc ps <<<"$last"
rows+=("protect / create|$vw s ($(mbps "$vw")), cpu $vc s|exit $vs|$pw s ($(mbps "$pw")), cpu $pc s|exit $ps")
timed "$program" -q verify v/file; read -r vw vc vs <<<"$last"
timed par2 verify -q -q p/file.par2; read -r pw pc ps <<<"$last"
rows+=("verify intact|$vw s ($(mbps "$vw")), cpu $vc s|exit $vs|$pw s ($(mbps "$pw")), cpu $pc s|exit $ps")

for kind in lost burst scattered; do
  cp original v/file && cp original p/file
  damage "$kind" v/file
  cp v/file p/file
  timed "$program" -q verify v/file; read -r vw vc vs <<<"$last"
  timed par2 verify -q -q p/file.par2; read -r pw pc ps <<<"$last"
  rows+=("verify $kind|$vw s, cpu $vc s|exit $vs|$pw s, cpu $pc s|exit $ps")
  timed "$program" -q repair v/file --in-place; read -r vw vc vs <<<"$last"
  vr=$(verdict v/file)
  timed par2 repair -q -q p/file.par2; read -r pw pc ps <<<"$last"
  pr=$(verdict p/file)
  rows+=("repair $kind|$vw s, cpu $vc s|exit $vs, $vr|$pw s, cpu $pc s|exit $ps, $pr")
  rm -f p/file.1 p/file.*.1
done

printf '\n| %s | %s | %s | %s | %s |\n' "step ($((size >> 20)) MiB, $percent %)" "vekdi time" "vekdi result" "par2 time" "par2 result"
printf '|---|---|---|---|---|\n'
for row in "${rows[@]}"; do
  IFS='|' read -r a b c d e <<<"$row"
  printf '| %s | %s | %s | %s | %s |\n' "$a" "$b" "$c" "$d" "$e"
done
