#!/usr/bin/env bash
# The main job, end to end: build Tallyvox, start the exchange simulator (an
# Arden-S with a few hundred calls in its buffer) on a pseudo-terminal, and let
# the program read the exchange once by itself (AUTOSTART_1) into a
# call-accounting file, then close. With a display the window is seen filling
# and closing; without one it runs on Qt's offscreen platform. Then the report:
# the line, trunk and destination totals priced by examples/tariffs.csv, the
# trunk sizing, and the hours and trunks charts as PNG in the demo folder.
#
# Environment: TALLYVOX_BUILD_DIR (default build/default), TALLYVOX_DEMO_CALLS
# (default 300).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TALLYVOX_BUILD_DIR:-$root/build/default}"
calls="${TALLYVOX_DEMO_CALLS:-300}"
work="$root/demo-work"
arden_s=4

bash "$root/scripts/install-deps.sh"
cmake --preset default -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target tallyvox tallyvox-sim tallyvox-report -j2

rm -rf "$work"
mkdir -p "$work"

# The simulator prints its device path on its first line once it answers.
"$build/sim/tallyvox-sim" --model "$arden_s" --calls "$calls" --seed 2004 \
    >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
stop_sim() {
    if kill -0 "$sim_pid" 2>/dev/null; then
        kill -TERM "$sim_pid"
        wait "$sim_pid" 2>/dev/null || true
    fi
}
trap stop_sim EXIT
for _ in $(seq 1 100); do
    if [ "$(wc -l <"$work/sim.out")" -ge 1 ] || ! kill -0 "$sim_pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
pty="$(head -n 1 "$work/sim.out")"
if [ -z "$pty" ] || [ ! -e "$pty" ]; then
    echo "The exchange simulator did not start:" >&2
    cat "$work/sim.err" >&2
    exit 1
fi
echo "Exchange simulator (Arden-S, $calls calls) on $pty"

# Port COM1, header on; the call-accounting file and a single automatic read.
{ printf '\001\001'; head -c 28 /dev/zero; } >"$work/Tallyvox.cfg"
printf 'TARIF_FNAME=%s\r\nREALTIME_FNAME=\r\nAUTO=AUTOSTART_1' "$work/calls.txt" \
    >"$work/TallyvoxOut.cfg"

export TALLYVOX_COM1="$pty"
if [ -z "${DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
fi
echo "Running tallyvox in $work (it reads the exchange and closes by itself)"
# The offscreen platform says that it cannot size windows; that is no news here.
if ! (cd "$work" && timeout 600 "$build/app/tallyvox" 2> >(grep -v 'propagateSizeHints' >&2)); then
    # Without a display a message box (a lost link, say) waits for nobody.
    echo "tallyvox did not read and close by itself; see $work." >&2
    exit 1
fi

stop_sim
trap - EXIT

if [ ! -s "$work/calls.txt" ]; then
    echo "No call-accounting file was written." >&2
    exit 1
fi
echo
echo "---- $work/calls.txt (Windows-1251, shown as UTF-8) ----"
iconv -f CP1251 -t UTF-8 "$work/calls.txt" | tr -d '\r'
echo "----"
lines="$(grep -c $'\r$' "$work/calls.txt" || true)"
call_lines="$(grep -c -v '^ ' "$work/calls.txt" || true)"
echo "Summary: $lines lines written to calls.txt, $call_lines calls; simulator: $(tail -n 1 "$work/sim.err")"

report="$build/reportcli/tallyvox-report"
echo
echo "---- What the calls cost (tallyvox-report calls.txt --tariffs examples/tariffs.csv) ----"
"$report" "$work/calls.txt" --tariffs "$root/examples/tariffs.csv"
echo
echo "---- Trunk sizing (tallyvox-report calls.txt --sizing) ----"
"$report" "$work/calls.txt" --sizing --chart "hours=$work/hours.png" --chart "trunks=$work/trunks.png"
echo
echo "Charts: $work/hours.png (calls and talk time by hour of the day),"
echo "        $work/trunks.png (how much of the period each trunk was in use)."
