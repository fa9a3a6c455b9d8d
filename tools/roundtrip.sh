#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The vekdi round trip on a generated file: protect it, damage it (a burst of
# zeros, a truncation, scattered bit flips), verify, repair, compare.
#
#   tools/roundtrip.sh                      build the tool (release preset) and run
#   tools/roundtrip.sh --program PATH       use a built program
#   options: --size BYTES (default 64 MiB)  --workdir DIR (default a temporary folder)
#            --threads N (worker threads of every command; default every core)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
program= size=$((64 << 20)) workdir= threads=()
while (($#)); do
  case $1 in
    --program) program=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --workdir) workdir=$2; shift 2 ;;
    --threads) threads=(-j "$2"); shift 2 ;;
    *) echo "roundtrip: unknown argument $1" >&2; exit 3 ;;
  esac
done

step() { printf '\n== %s\n' "$*"; }

if [[ -z $program ]]; then
  # Only the tool: its round trip needs none of the other parts the release
  # preset requires (the Python module, the peers).
  step "building the tool (cmake --preset release; target vekdi_tool)"
  cmake --preset release -DVEKDI_REQUIRE_ALL=OFF >/dev/null
  cmake --build --preset release --target vekdi_tool
  program=$root/build/release/tools/vekdi
fi

program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
if [[ -z $workdir ]]; then
  workdir=$(mktemp -d)
  trap 'rm -rf "$workdir"' EXIT
else
  rm -rf "$workdir"; mkdir -p "$workdir"
fi
cd "$workdir"

step "generating a $size-byte file of random bytes"
head -c "$size" /dev/urandom >original
cp original file
ls -l original

step "vekdi protect file (12 % redundancy)"
"$program" protect file "${threads[@]}"

step "damaging the file: a burst of zeros over 4 % of it, the last 2 % cut off, 200 bits flipped elsewhere"
burst=$((size * 4 / 100)) start=$((size / 3 + 4321)) cut=$((size - size * 2 / 100))
dd if=/dev/zero of=file bs=64K iflag=count_bytes oflag=seek_bytes seek=$start count=$burst conv=notrunc status=none
echo "  zeroed bytes $start .. $((start + burst - 1))"
truncate -s "$cut" file
echo "  truncated to $cut bytes"
RANDOM=7
for ((i = 0; i < 200; i++)); do
  pos=$(((RANDOM * 32768 + RANDOM) % cut))
  byte=$(od -An -tu1 -j "$pos" -N1 file)
  printf "$(printf '\\%03o' $((byte ^ (1 << (RANDOM % 8)))))" |
    dd of=file bs=1 seek="$pos" conv=notrunc status=none
done
echo "  flipped 200 bits at random places"

step "vekdi verify file (exit status 1: damaged, repairable)"
set +e
"$program" verify file "${threads[@]}"; status=$?
set -e
echo "exit status $status"
[[ $status == 1 ]] || { echo "roundtrip: verify should report a repairable file" >&2; exit 1; }

step "vekdi repair file --in-place"
"$program" repair file --in-place "${threads[@]}"

step "comparing the repaired file with the original"
cmp original file
echo "identical: the round trip repaired every byte"

step "vekdi verify file (exit status 0: intact)"
"$program" verify file "${threads[@]}"
