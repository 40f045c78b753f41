#!/bin/bash
# The tallyvox program as a scheduled job runs it: an automatic single read
# (AUTO=AUTOSTART_1) on the offscreen platform against tallyvox-sim, ending by
# itself with the exit status that names what happened. The statuses are read
# from exchange/ExitStatus.h, the header that the program itself uses.
# Usage: program_test.sh PATH-TO-tallyvox PATH-TO-tallyvox-sim PATH-TO-ExitStatus.h [CASE]
# CASE is one of the functions below that end in _case; without it, all of them
# run in turn. Two cases wait for a message box that closes itself after a
# minute, so the test list runs the cases side by side.
program=$1
sim=$2
statuses=$3
source "$(dirname "$0")/../kit/program_kit.sh"
sim_link=$work/com1
fail_logs=(run/err)

# A fresh start folder for an automatic run: settings (port COM1, header on)
# unless told "no settings", and the output configuration.
prepare_run() {
    rm -rf "$work/run"
    mkdir "$work/run"
    if [ "${1:-}" != "no settings" ]; then
        head -c 30 /dev/zero | (printf '\001\001'; tail -c 28) >"$work/run/Tallyvox.cfg"
    fi
    printf 'TARIF_FNAME=%s\r\nREALTIME_FNAME=\r\nAUTO=AUTOSTART_1' "$work/run/calls.txt" \
        >"$work/run/TallyvoxOut.cfg"
}

# The program in the start folder as it is; sets $status.
run_again() {
    (cd "$work/run" && QT_QPA_PLATFORM=offscreen TALLYVOX_COM1="$work/com1" \
        timeout 120 env -u XDG_RUNTIME_DIR "$program" 2>"$work/run/err")
    status=$?
}

# One automatic run in a fresh start folder; sets $status.
run_automatic() {
    prepare_run
    run_again
}

lines_of() {
    [ -f "$1" ] && tr -cd '\n' <"$1" | wc -c || echo 0
}

calls_of() {
    cat "$@" 2>/dev/null | grep -c '^[0-9][0-9]-'
}

has_lines() { [ "$(lines_of "$1")" -ge "$2" ]; }

# Waits until file $1 holds at least $2 lines.
wait_for_lines() {
    wait_until "$1 did not reach $2 lines" has_lines "$1" "$2"
}

# The program in the start folder, in the background; sets $tallyvox.
start_in_background() {
    (cd "$work/run" && QT_QPA_PLATFORM=offscreen TALLYVOX_COM1="$work/com1" \
        exec env -u XDG_RUNTIME_DIR "$program" 2>"$work/run/err") &
    tallyvox=$!
    kit_pids+=("$tallyvox")
}

# Waits for the program in the background to end; sets $status.
wait_for_program() {
    wait "$tallyvox"
    status=$?
    kit_pids=()
}

# Every call read: status 0, header and calls in the file.
reads_case() {
    start_sim --calls 5
    run_automatic
    stop_sim
    [ "$status" -eq "$(status_of ExitDone)" ] || fail "a whole read ends with $status"
    [ "$(lines_of "$work/run/calls.txt")" -eq 7 ] || fail "not 2 + 5 lines after a whole read"
    # Without a runtime folder in the session, Qt has nothing to say on the terminal.
    grep -q "QStandardPaths" "$work/run/err" && fail "Qt warns about its runtime folder"

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
}

# The exchange refuses selection when the read identifies it: the program ends
# at once, but through the window's last steps (held lines, exit line), not
# past them. Its message box closes by itself after a minute.
refused_selection_case() {
    start_sim --calls 5 --fault selectionsAccepted=1
    run_automatic
    stop_sim
    [ "$status" -eq "$(status_of ExitSelectionRefused)" ] || fail "a refused selection ends with $status"
    grep -q "код завершения $(status_of ExitSelectionRefused)" "$work/run/err" ||
        fail "a refused selection ended without its exit line"
    [ ! -e "$work/run/calls.txt" ] || fail "a call file without a read"

    # Two scheduled runs in a row without a settings file: the first creates it and
    # ends by itself, reading nothing, with the output configuration as it was; the
    # second reads with the new settings.
    start_sim --calls 5
    prepare_run "no settings"
    cp "$work/run/TallyvoxOut.cfg" "$work/out.cfg"
    run_again
    [ "$status" -eq "$(status_of ExitExchangeAbsent)" ] || fail "a run without settings ends with $status"
    cmp -s "$work/run/TallyvoxOut.cfg" "$work/out.cfg" || fail "the output configuration changed"
    [ ! -e "$work/run/TallyvoxOut.cfg.bak" ] || fail "the output configuration was set aside"
    [ "$(stat -c %s "$work/run/Tallyvox.cfg")" -eq 30 ] || fail "no settings file made"
    [ ! -e "$work/run/calls.txt" ] || fail "a call file without a read"
    run_again
    stop_sim
    [ "$status" -eq "$(status_of ExitDone)" ] || fail "the run after it ends with $status"
    [ "$(lines_of "$work/run/calls.txt")" -eq 7 ] || fail "not 2 + 5 lines in the run after it"
}

# The simulator goes away in the middle of a read: the link is broken, the
# lines read are kept, and the run ends with its status (after its message box
# has closed itself).
simulator_gone_case() {
    start_sim --calls 1500
    prepare_run
    start_in_background
    wait_for_lines "$work/run/calls.txt" 12
    stop_sim
    wait_for_program
    [ "$status" -eq "$(status_of ExitLinkLost)" ] || fail "a simulator gone mid-read ends with $status"
    grep -q "Связь с АТС прервана. Считывание остановлено." "$work/run/err" ||
        fail "no broken-link message"
}

# SIGTERM during continuous reading, with lines that the call file no longer
# takes: they go to a rescue file, the port's lock file goes, and the status
# says the lines were rescued.
sigterm_case() {
    start_sim --calls 3 --arrive-every 200
    prepare_run
    mkdir "$work/run/data"
    printf 'TARIF_FNAME=%s\r\nREALTIME_FNAME=\r\nAUTO=AUTOSTART_UNINTERRUPT' "$work/run/data/calls.txt" \
        >"$work/run/TallyvoxOut.cfg"
    start_in_background
    wait_for_lines "$work/run/data/calls.txt" 5
    lock=$(grep -lw "$tallyvox" /run/lock/LCK..* 2>/dev/null)
    # The folder goes at once: the next lines find no file to take them.
    mv "$work/run/data" "$work/run/parked"
    sleep 1.5
    kill -TERM "$tallyvox"
    wait_for_program
    stop_sim
    [ "$status" -eq "$(status_of ExitLinesRescued)" ] || fail "SIGTERM with held lines ends with $status"
    rescued=$(calls_of "$work"/run/TallyvoxRescue-*.txt)
    [ "$rescued" -ge 1 ] || fail "no rescue file after SIGTERM"
    [ $(($(calls_of "$work/run/parked/calls.txt") + rescued)) -eq "$sent" ] ||
        fail "calls lost at SIGTERM: $sent sent, $rescued rescued"
    if [ -n "$lock" ]; then
        [ ! -e "$lock" ] || fail "the lock file $lock stays after SIGTERM"
    else
        echo "tallyvox program: no lock file in /run/lock here; its release not tried"
    fi
    grep -q "код завершения $(status_of ExitLinesRescued)" "$work/run/err" ||
        fail "SIGTERM ended without its exit line"
}

if [ $# -ge 4 ]; then
    "${4}_case"
else
    reads_case
    refused_selection_case
    simulator_gone_case
    sigterm_case
fi
echo "tallyvox program: ${4:-all} ok"
