#!/usr/bin/env bash
# Builds Tallyvox with warnings as errors and runs every test, then builds the
# sanitizer configuration and runs every test again under it, then builds the
# core as Windows programs and runs their tests under wine64 (scripts/windows.sh;
# TALLYVOX_WINDOWS=0 leaves that out), then runs every libFuzzer target for a
# short time on its seed corpus (scripts/fuzz.sh; TALLYVOX_FUZZ_SECONDS=0 leaves
# the fuzzers out).
set -euo pipefail
cd "$(dirname "$0")/.."

# The browser test of the web view needs Chromium, its driver and Selenium.
TALLYVOX_WITH_BROWSER=1 bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
# Most tests spend their time waiting on a simulated line, a timer or a
# server, not on the processor: three at a time per core keep it busy.
test_jobs=$((jobs * 3))

for preset in ci asan; do
  echo "== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== ${preset}: test"
  ctest --preset "$preset" -j "$test_jobs"
done

if [ "${TALLYVOX_WINDOWS:-1}" != 0 ]; then
  bash scripts/windows.sh
fi

if [ "${TALLYVOX_FUZZ_SECONDS:-5}" != 0 ]; then
  bash scripts/fuzz.sh
fi
