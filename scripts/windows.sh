#!/usr/bin/env bash
# Builds the core as Windows programs (MinGW-w64, windows preset) and runs their
# tests under wine64, in a wine prefix of the build's own
# (build/windows/wine-prefix). The serial and file comparison tests use the
# native ci build's simulator and file writer, so the ci build comes first.
# One wine server runs for the whole test run and is stopped at the end, so
# that no test waits on wine processes that linger after it.
set -euo pipefail
cd "$(dirname "$0")/.."

TALLYVOX_WITH_WINDOWS=1 bash scripts/install-deps.sh
start=$SECONDS

echo "== windows: configure and build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"

echo "== windows: test under wine64"
export WINEPREFIX=$PWD/build/windows/wine-prefix
export WINEDEBUG=-all
wineserver=/usr/lib/wine/wineserver
mkdir -p "$WINEPREFIX"
"$wineserver" -p >/dev/null 2>&1
trap '"$wineserver" -k 2>/dev/null || true' EXIT
ctest --preset windows -j "$(nproc)"
echo "== windows: $((SECONDS - start)) s"
