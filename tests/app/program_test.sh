#!/bin/bash
# The tallyvox program as a scheduled job runs it: an automatic single read
# (AUTO=AUTOSTART_1) on the offscreen platform against tallyvox-sim, ending by
# itself with the exit status that names what happened. The statuses are read
# from exchange/ExitStatus.h, the header that the program itself uses.
# Usage: program_test.sh PATH-TO-tallyvox PATH-TO-tallyvox-sim PATH-TO-ExitStatus.h
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

# Every call read: status 0, header and calls in the file.
start_sim --calls 5
run_automatic
stop_sim
[ "$status" -eq "$(status_of ExitDone)" ] || fail "a whole read ends with $status"
[ "$(lines_of "$work/run/calls.txt")" -eq 7 ] || fail "not 2 + 5 lines after a whole read"
# Without a runtime folder in the session, Qt has nothing to say on the terminal.
grep -q "QStandardPaths" "$work/run/err" && fail "Qt warns about its runtime folder"

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

echo "tallyvox program: ok"
