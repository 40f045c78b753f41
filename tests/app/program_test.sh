#!/bin/bash
# The tallyvox program as a scheduled job runs it: an automatic single read
# (AUTO=AUTOSTART_1) on the offscreen platform against tallyvox-sim, ending by
# itself with the exit status that names what happened. The statuses are read
# from exchange/ExitStatus.h, the header that the program itself uses.
# Usage: program_test.sh PATH-TO-tallyvox PATH-TO-tallyvox-sim PATH-TO-ExitStatus.h
set -u
trap "" HUP

program=$1
sim=$2
statuses=$3
work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ]; then
        kill -TERM "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/run/err" ] && sed 's/^/  tallyvox stderr: /' "$work/run/err" >&2
    exit 1
}

status_of() {
    sed -n "s/^inline constexpr int $1 = \([0-9]*\);/\1/p" "$statuses"
}

# Starts the simulator with the given options and maps COM1 to it.
start_sim() {
    "$sim" --link "$work/com1" "$@" >"$work/sim.out" 2>"$work/sim.err" &
    pid=$!
    for _ in $(seq 200); do
        [ -s "$work/sim.out" ] && break
        kill -0 "$pid" 2>/dev/null || fail "the simulator ended before it was ready"
        sleep 0.05
    done
}

stop_sim() {
    kill -TERM "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
}

# A fresh start folder for a run with the given automatic start (and call file).
prepare_run() {
    rm -rf "$work/run"
    mkdir "$work/run"
    # Port COM1, header on.
    head -c 30 /dev/zero | (printf '\001\001'; tail -c 28) >"$work/run/Tallyvox.cfg"
    printf 'TARIF_FNAME=%s\r\nREALTIME_FNAME=\r\nAUTO=%s' "${2:-$work/run/calls.txt}" "$1" \
        >"$work/run/TallyvoxOut.cfg"
}

# One automatic run in a fresh start folder; sets $status.
run_automatic() {
    prepare_run AUTOSTART_1
    (cd "$work/run" && QT_QPA_PLATFORM=offscreen TALLYVOX_COM1="$work/com1" \
        timeout 120 "$program" 2>"$work/run/err")
    status=$?
}

# Waits until file $1 holds at least $2 lines.
wait_for_lines() {
    for _ in $(seq 600); do
        [ "$(lines_of "$1")" -ge "$2" ] && return
        sleep 0.05
    done
    fail "$1 did not reach $2 lines"
}

lines_of() {
    [ -f "$1" ] && tr -cd '\n' <"$1" | wc -c || echo 0
}

# Every call read: status 0, header and calls in the file.
start_sim --calls 5
run_automatic
stop_sim
[ "$status" -eq "$(status_of ExitDone)" ] || fail "a whole read ends with $status"
[ "$(lines_of "$work/run/calls.txt")" -eq 7 ] || fail "not 2 + 5 lines after a whole read"

# An exchange that ends its buffer by leaving the link check unanswered: the
# read ends normally all the same.
start_sim --calls 5 --empty-ending link-check
run_automatic
stop_sim
[ "$status" -eq "$(status_of ExitDone)" ] || fail "a read ended by the link check ends with $status"
[ "$(lines_of "$work/run/calls.txt")" -eq 7 ] || fail "not 2 + 5 lines after the link-check ending"

# The exchange falls silent after two calls: the run ends with its status.
start_sim --calls 5 --fault silentAfterRecords=2
run_automatic
stop_sim
[ "$status" -eq "$(status_of ExitLinkLost)" ] || fail "a lost link ends with $status"
[ "$(lines_of "$work/run/calls.txt")" -eq 4 ] || fail "not 2 + 2 lines after a lost link"
grep -q "код завершения $(status_of ExitLinkLost)" "$work/run/err" ||
    fail "no exit line on standard error"

# No exchange answers at start: the run ends instead of waiting for ever.
start_sim --calls 5 --fault probe=silent
run_automatic
stop_sim
[ "$status" -eq "$(status_of ExitExchangeAbsent)" ] || fail "no exchange ends with $status"
[ ! -e "$work/run/calls.txt" ] || fail "a call file without a read"

# The exchange refuses selection when the read identifies it: the program ends
# at once, but through the window's last steps (held lines, exit line), not
# past them. Its message box closes by itself after a minute.
start_sim --calls 5 --fault selectionsAccepted=1
run_automatic
stop_sim
[ "$status" -eq "$(status_of ExitSelectionRefused)" ] || fail "a refused selection ends with $status"
grep -q "код завершения $(status_of ExitSelectionRefused)" "$work/run/err" ||
    fail "a refused selection ended without its exit line"
[ ! -e "$work/run/calls.txt" ] || fail "a call file without a read"

# The simulator goes away in the middle of a read: the link is broken, the
# lines read are kept, and the run ends with its status.
start_sim --calls 1500
prepare_run AUTOSTART_1
(cd "$work/run" && QT_QPA_PLATFORM=offscreen TALLYVOX_COM1="$work/com1" \
    exec timeout 120 "$program" 2>"$work/run/err") &
tallyvox=$!
wait_for_lines "$work/run/calls.txt" 12
stop_sim
wait "$tallyvox"
status=$?
[ "$status" -eq "$(status_of ExitLinkLost)" ] || fail "a simulator gone mid-read ends with $status"
grep -q "Связь с АТС прервана. Считывание остановлено." "$work/run/err" ||
    fail "no broken-link message"

# SIGTERM during continuous reading, with lines that the call file no longer
# takes: they go to a rescue file, the port's lock file goes, and the status
# says the lines were rescued.
start_sim --calls 3 --arrive-every 200
prepare_run AUTOSTART_UNINTERRUPT "$work/run/data/calls.txt"
mkdir "$work/run/data"
(cd "$work/run" && QT_QPA_PLATFORM=offscreen TALLYVOX_COM1="$work/com1" \
    exec "$program" 2>"$work/run/err") &
tallyvox=$!
wait_for_lines "$work/run/data/calls.txt" 5
lock=$(grep -lw "$tallyvox" /run/lock/LCK..* 2>/dev/null)
# The folder goes at once: the next lines find no file to take them.
mv "$work/run/data" "$work/run/parked"
sleep 1.5
kill -TERM "$tallyvox"
wait "$tallyvox"
status=$?
stop_sim
[ "$status" -eq "$(status_of ExitLinesRescued)" ] || fail "SIGTERM with held lines ends with $status"
rescued=$(cat "$work"/run/TallyvoxRescue-*.txt 2>/dev/null | grep -c '^[0-9][0-9]-')
[ "$rescued" -ge 1 ] || fail "no rescue file after SIGTERM"
sent=$(sed -n 's/^tallyvox-sim: \([0-9]*\) records sent.*/\1/p' "$work/sim.err")
[ $(($(grep -c '^[0-9][0-9]-' "$work/run/parked/calls.txt") + rescued)) -eq "$sent" ] ||
    fail "calls lost at SIGTERM: $sent sent, $rescued rescued"
if [ -n "$lock" ]; then
    [ ! -e "$lock" ] || fail "the lock file $lock stays after SIGTERM"
else
    echo "tallyvox program: no lock file in /run/lock here; its release not tried"
fi
grep -q "код завершения $(status_of ExitLinesRescued)" "$work/run/err" ||
    fail "SIGTERM ended without its exit line"

echo "tallyvox program: ok"
