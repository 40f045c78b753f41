#!/usr/bin/env bash
# The files the capture side writes, written by the native build and by the
# Windows build under wine from the same records and settings, must be the same
# bytes: both configuration files, the header, the call lines and a real-time
# log from fixed records, then the call lines of one simulated exchange's buffer
# downloaded by each build through its own port (a pseudo-terminal natively,
# COM5 of the prefix under wine).
# Usage: compare_files.sh NATIVE-BUILD PREFIX WINE64 WINDOWS-WRITER SCENARIO
set -euo pipefail
trap "" HUP
here=$(cd "$(dirname "$0")" && pwd)
source "$here/simulator.sh"
source "$here/../../cmake/wine/wine-prefix.sh"

sim=$(native_program "$1/sim/tallyvox-sim")
writer=$(native_program "$1/tests/tallyvox-write-files")
prefix=$2
wine64=$3
windows_writer=$4
scenario=$5
work=$(mktemp -d)
link=$prefix/dosdevices/com5
cleanup() {
    stop_simulator
    rm -f "$link"
    rm -rf "$work"
}
trap cleanup EXIT

# A folder as the Windows program names it: on drive Z:, which is /.
windows_path() {
    local path=${1//\//\\}
    echo "Z:$path"
}

run_windows() {
    "$TALLYVOX_WINE64" "$windows_writer" "$@"
}

# Every file of the two folders, by name and by byte.
compare_folders() {
    local native=$1 windows=$2
    diff <(cd "$native" && find . -type f | sort) <(cd "$windows" && find . -type f | sort) || {
        echo "FAIL: the two builds wrote different files" >&2
        return 1
    }
    local count=0
    while IFS= read -r file; do
        cmp "$native/$file" "$windows/$file" || return 1
        count=$((count + 1))
    done < <(cd "$native" && find . -type f | sort)
    echo "$count files byte for byte the same in $(basename "$native")"
}

"$writer" fixed "$work/native-fixed"
wine_prepare "$prefix" "$wine64"
run_windows fixed "$(windows_path "$work/windows-fixed")"
compare_folders "$work/native-fixed" "$work/windows-fixed"

start_simulator "$sim" "$work/sim-native" --scenario "$scenario"
TALLYVOX_COM5=$SIM_DEVICE "$writer" download "$work/native-download" COM5
stop_simulator
wine_prepare "$prefix" "$wine64"
start_simulator "$sim" "$work/sim-windows" --scenario "$scenario" --link "$link"
run_windows download "$(windows_path "$work/windows-download")" COM5
stop_simulator
compare_folders "$work/native-download" "$work/windows-download"
