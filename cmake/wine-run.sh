#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Runs Windows i686 test programs under wine.
#   wine-run.sh PREFIX PROGRAM [ARGS...]   run one program, pass its exit status through
#   wine-run.sh --start PREFIX             create the prefix if needed, start a persistent wineserver
#   wine-run.sh --stop PREFIX              stop that wineserver
# PREFIX is a 32-bit wine prefix inside the build tree. The persistent server
# saves each test program wine's start-up; a program run without --start
# first starts a server that stays for 30 s after its last client.
set -eu

mode=run
case "${1:-}" in
  --start) mode=start; shift ;;
  --stop) mode=stop; shift ;;
esac
prefix=$1
shift
export WINEARCH=win32 WINEDEBUG=-all WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml="

if ! command -v wine >/dev/null 2>&1 || ! command -v wineserver >/dev/null 2>&1; then
  echo "wine-run: wine is not installed; the Windows tests need wine and wine32:i386:" >&2
  echo "wine-run:   dpkg --add-architecture i386 && apt-get update && apt-get install wine wine32:i386" >&2
  exit 127
fi

if [ "$mode" = stop ]; then
  wineserver -k 2>/dev/null || true
  exit 0
fi

mkdir -p "$prefix"
# The server comes first so that no program ever meets one that is shutting
# down. It exits at once (status 2) when one already runs for this prefix.
if [ "$mode" = start ]; then
  wineserver -p </dev/null >/dev/null 2>&1 || true
else
  wineserver -p30 </dev/null >/dev/null 2>&1 || true
fi

# The marker is written once wineboot has set the prefix up (the registry
# files themselves appear only when the server saves them).
ready="$prefix/.prefix-ready"
if [ ! -f "$ready" ]; then
  # Several programs may start at once: one of them creates the prefix. The
  # lock is not handed down to wine's own long-lived processes (-o).
  if ! flock -o -w 300 "$prefix.lock" sh -c '[ -f "$1" ] || { timeout 300 wineboot -i && touch "$1"; }' sh "$ready" \
      </dev/null >"$prefix.boot.log" 2>&1; then
    echo "wine-run: could not create the wine prefix $prefix; wineboot said:" >&2
    cat "$prefix.boot.log" >&2
    exit 126
  fi
fi

if [ "$mode" = start ]; then
  # A trivial program proves that 32-bit Windows programs start at all.
  if ! timeout 120 wine cmd /c exit 0 </dev/null >"$prefix.start.log" 2>&1; then
    echo "wine-run: wine cannot start a 32-bit program in $prefix (is wine32:i386 installed?):" >&2
    cat "$prefix.start.log" >&2
    exit 125
  fi
  exit 0
fi

exec wine "$@"
