#!/usr/bin/env bash
# Runs the store benchmark against a private PostgreSQL server started for it
# (the test suite's, tests/store/postgres.sh) and stopped afterwards.
#   bash bench/store_bench.sh build/default [--calls N] [--stored N]
set -euo pipefail
build=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
folder=/tmp/tallyvox-pg-bench-$$
trap 'bash "$root/tests/store/postgres.sh" stop "$folder"' EXIT
TALLYVOX_PG_DURABLE=1 bash "$root/tests/store/postgres.sh" start "$folder"
if [ -f "$folder/missing" ]; then
  cat "$folder/missing" >&2
  exit 1
fi
"$build/bench/tallyvox_store_bench" --server "host=$folder user=tallyvox" "$@"
