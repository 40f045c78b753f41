#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, fuzz preset) and runs each for a short
# fixed time on its seed corpus in fuzz/corpus/<target>/, printing how many
# inputs each one ran. A crash fails the script and leaves its input in
# build/fuzz/findings/<target>/.
#   TALLYVOX_FUZZ_SECONDS  seconds per target (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

TALLYVOX_WITH_FUZZ=1 bash scripts/install-deps.sh
seconds=${TALLYVOX_FUZZ_SECONDS:-5}
# Only the fuzz targets: the programs of this instrumented build are never run.
targets=()
for source in fuzz/*Fuzz.cpp; do
  targets+=("$(basename "$source" .cpp)")
done

echo "== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]}"

status=0
for source in fuzz/*Fuzz.cpp; do
  target=$(basename "$source" .cpp)
  seeds=fuzz/corpus/$target
  # A target that has no seeds yet starts from nothing.
  seedDirs=()
  seedCount=0
  if [ -d "$seeds" ]; then
    seedDirs=("$seeds")
    seedCount=$(find "$seeds" -type f | wc -l)
  fi
  # New inputs go to a scratch folder, never into the kept corpus.
  scratch=build/fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  mkdir -p "$scratch" "$findings"
  log=build/fuzz/$target.log
  if build/fuzz/fuzz/"$target" "$scratch" "${seedDirs[@]}" -max_total_time="$seconds" \
       -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    tail -n 40 "$log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "== fuzz: $target: ${runs:-0} executions in ${seconds} s, $seedCount seeds: $result"
done
exit $status
