#!/usr/bin/env bash
# The long soak of the capture path under faults (10 000 records unless told):
#   bash tests/soak/long_soak.sh [RECORDS] [SEED]
# Builds the ci preset's soak program when needed and prints its figures.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset ci >/dev/null
cmake --build --preset ci --target tallyvox_soak
exec build/ci/tests/tallyvox_soak --records "${1:-10000}" --seed "${2:-17}"
