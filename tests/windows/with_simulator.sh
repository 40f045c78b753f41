#!/usr/bin/env bash
# Runs a Windows test program under wine with the native simulator answering on
# COM5 of the prefix: the only COM port the prefix then has.
# Usage: with_simulator.sh NATIVE-BUILD PREFIX WINE64 PROGRAM [ARGUMENTS...]
set -euo pipefail
# The device is a terminal: its going away must not end this script.
trap "" HUP
here=$(cd "$(dirname "$0")" && pwd)
source "$here/simulator.sh"
source "$here/../../cmake/wine/wine-prefix.sh"

sim=$(native_program "$1/sim/tallyvox-sim")
wine_prepare "$2" "$3"
shift 3
work=$(mktemp -d)
link=$WINEPREFIX/dosdevices/com5
cleanup() {
    stop_simulator
    rm -f "$link"
    rm -rf "$work"
}
trap cleanup EXIT

export TALLYVOX_SIM_CALLS=30
start_simulator "$sim" "$work/sim" --calls "$TALLYVOX_SIM_CALLS" --seed 3 --link "$link"
"$TALLYVOX_WINE64" "$@"
