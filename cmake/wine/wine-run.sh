#!/usr/bin/env bash
# Runs a Windows program of the cross-build under wine64 in the build's own
# prefix, made ready first (cmake/wine/wine-prefix.sh).
# Usage: wine-run.sh PREFIX WINE64 PROGRAM [ARGUMENTS...]
set -euo pipefail
source "$(dirname "$0")/wine-prefix.sh"
wine_prepare "$1" "$2"
shift 2
exec "$TALLYVOX_WINE64" "$@"
