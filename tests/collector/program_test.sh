#!/bin/bash
# tallyvox-collect as a service, a terminal and cron run it, against tallyvox-sim
# on a pseudo-terminal reached through a symbolic link (as /dev/serial/by-id/...
# names are): options, the exit statuses of --once, a port held by another
# opener, the line lost and back (every record once, in order), SIGTERM and
# SIGHUP in the middle of a read, and the coverage journal.
# Usage: program_test.sh tallyvox-collect tallyvox-sim tallyvox-report ExitStatus.h
collect=$1
sim=$2
report=$3
statuses=$4
source "$(dirname "$0")/../kit/program_kit.sh"
on_exit='chattr -i "$work"/*.coverage 2>/dev/null'
fail_logs=('*.err')

# A fixed exchange clock: a simulator started again makes the same calls.
cat >"$work/office.json" <<'JSON'
{"modelCode": 6, "clock": "2026-01-15 12:00:00",
 "exchanges": [{"capacity": 40, "traffic": {"count": 30, "seed": 7}}]}
JSON

calls_in() {
    if [ -f "$1" ]; then grep -c '^[0-9][0-9]-' "$1"; else echo 0; fi
}

has_calls() { [ "$(calls_in "$1")" -ge "$2" ]; }

# Waits until file $1 holds at least $2 call lines.
wait_for_calls() {
    wait_until "$1 did not reach $2 calls" has_calls "$1" "$2"
}

wait_for_text() {
    wait_until "no \"$2\" in $1" grep -qs "$2" "$1"
}

# --once against a fresh simulator; sets $status.
once() {
    (cd "$work" && timeout 60 "$collect" --once --port "$work/com" "$@" 2>"$work/once.err")
    status=$?
}

# Options: --help documents the statuses, a mistake exits 2 with the usage.
"$collect" --help | grep -q "10  the port is held" || fail "--help lacks the exit statuses"
"$collect" --retry-first x 2>"$work/usage.err"
[ $? -eq 2 ] && grep -q "^usage:" "$work/usage.err" || fail "a bad option does not exit 2 with usage"

# --once: each way a read ends, with its status.
check_once() { # expected-status-name sim-options... -- collect-options...
    local expected=$1
    shift
    local sim_args=()
    while [ "$1" != -- ]; do sim_args+=("$1"); shift; done
    shift
    rm -f "$work/once.txt"
    start_sim "${sim_args[@]}"
    once --file once.txt "$@"
    stop_sim
    [ "$status" -eq "$(status_of "$expected")" ] ||
        fail "--once with ${sim_args[*]} $* ends with $status, not $expected"
}
check_once ExitDone --calls 5 --
[ "$(calls_in "$work/once.txt")" -eq 5 ] && grep -q "Данные на" <(iconv -f cp1251 -t utf-8 "$work/once.txt") ||
    fail "a whole read does not leave the header and 5 calls"
check_once ExitLinkLost --calls 5 --fault silentAfterRecords=2 --
[ "$(calls_in "$work/once.txt")" -eq 2 ] || fail "a lost link does not keep the 2 calls read"
check_once ExitExchangeAbsent --calls 5 --fault probe=silent --
check_once ExitSelectionRefused --calls 5 --fault selectionsAccepted=1 --
check_once ExitFileNotWritable --calls 5 -- --file "$work/no/such/folder/calls.txt"
(cd "$work" && "$collect" --once --file x.txt 2>"$work/once.err")
[ $? -eq "$(status_of ExitExchangeAbsent)" ] || fail "no port configured does not exit 4"

# --status writes only a regular file: a device node, a FIFO and a directory
# are refused with one message and left as they were; a symbolic link is
# followed and its target replaced; a status file that cannot be written is
# one warning, not one per record.
mkfifo "$work/status.fifo"
mkdir "$work/status.dir"
refused=("$work/status.fifo" "$work/status.dir")
if [ "$(id -u)" -eq 0 ] && mknod "$work/status.dev" c 1 7 2>/dev/null; then
    refused+=("$work/status.dev")
else
    echo "collector program: not root or no mknod here; --status on a device node not tried"
fi
for target in "${refused[@]}"; do
    kind=$(stat -c %F "$target")
    (cd "$work" && timeout 10 "$collect" --once --port "$work/com" --file x.txt --status "$target" \
        2>"$work/refused.err")
    [ $? -eq 2 ] && [ "$(wc -l <"$work/refused.err")" -eq 1 ] &&
        grep -q -- "--status $target" "$work/refused.err" || fail "--status $kind is not refused once"
    [ "$(stat -c %F "$target")" = "$kind" ] || fail "--status replaced the $kind"
done
echo '{}' >"$work/status.target"
ln -s status.target "$work/status.link"
check_once ExitDone --calls 5 -- --status "$work/status.link"
[ -L "$work/status.link" ] && grep -q '"recordsToday": 5' "$work/status.target" ||
    fail "--status did not follow the link to replace its target"
check_once ExitDone --calls 5 -- --status "$work/no/such/folder/status.json"
[ "$(grep -c "status file" "$work/once.err")" -eq 1 ] ||
    fail "a status file that cannot be written is not one warning"

# Alert rules: each call and rule that fires is one log line at the rule's
# level with the call's line; faulty rules are refused before the port opens.
printf '%s\n' '[[rule]]' 'name = "Каждый звонок"' 'level = "critical"' '[[rule]]' \
    'name = "Дольше суток"' 'level = "warning"' 'min_duration = "24:00:00"' >"$work/rules.toml"
check_once ExitDone --calls 5 -- --alerts "$work/rules.toml"
[ "$(grep -c 'critical: alert: Каждый звонок: ' "$work/once.err")" -eq 5 ] &&
    [ "$(grep -c 'alert: Дольше суток' "$work/once.err")" -eq 0 ] || fail "alerts: $(cat "$work/once.err")"
while IFS= read -r line; do
    grep -qF "alert: Каждый звонок: ${line%$'\r'}" "$work/once.err" || fail "no alert names \"$line\""
done < <(iconv -f cp1251 -t utf-8 "$work/once.txt" | grep '^[0-9][0-9]-')
printf '[[rule]]\nname = "x"\nlevel = "loud"\n' >"$work/bad.toml"
(cd "$work" && "$collect" --once --port "$work/com" --file x.txt --alerts bad.toml 2>"$work/bad.err")
[ $? -eq 2 ] && grep -q '^line 1: ' "$work/bad.err" && [ ! -e "$work/x.txt" ] ||
    fail "faulty rules: $(cat "$work/bad.err")"

# Journal priorities only when standard error is the journal's stream itself.
for stream in match 0:0 ""; do
    start_sim --calls 1
    rm -f "$work/journal.err"
    touch "$work/journal.err"
    [ "$stream" = match ] && stream=$(stat -c %d:%i "$work/journal.err")
    (cd "$work" && JOURNAL_STREAM=$stream timeout 60 "$collect" --once --port "$work/com" \
        --file once.txt 2>>"$work/journal.err")
    stop_sim
    if [ "$stream" = "$(stat -c %d:%i "$work/journal.err")" ]; then
        [ "$(grep -vc '^<[0-9]>' "$work/journal.err")" -eq 0 ] || fail "no journal priorities"
    else
        [ "$(grep -c '^<[0-9]>' "$work/journal.err")" -eq 0 ] &&
            grep -q "^tallyvox-collect: info: " "$work/journal.err" ||
            fail "journal priorities with JOURNAL_STREAM=$stream on another file"
    fi
done

# Each call line is on stable storage before the next record is asked for:
# at least one fdatasync of the call file per call line.
if command -v strace >/dev/null; then
    start_sim --calls 5
    (cd "$work" && timeout 60 strace -f -y -e trace=fdatasync -o "$work/sync.trace" \
        "$collect" --once --port "$work/com" --file synced.txt 2>"$work/sync.err")
    stop_sim
    syncs=$(grep -c 'fdatasync([0-9]*<.*/synced.txt>) = 0' "$work/sync.trace")
    [ "$(calls_in "$work/synced.txt")" -eq 5 ] && [ "$syncs" -ge 5 ] ||
        fail "$syncs fdatasync calls for the 5 call lines"
else
    echo "collector program: strace is not installed; the syncs of the call file not checked"
fi

# The port held by another collector, also when reached through another link
# to the same device: one clear message naming the port and the holder, both
# for --once and for a service that keeps trying (no line per attempt).
start_sim --calls 0
(cd "$work" && exec "$collect" --port "$work/com" --file held.txt 2>"$work/holder.err") &
holder=$!
kit_pids+=("$holder")
wait_for_text "$work/holder.err" "reading"
ln -s "$(cat "$work/sim.out")" "$work/com-by-id"
once --port "$work/com-by-id" --file other.txt
[ "$status" -eq "$(status_of ExitPortInUse)" ] || fail "a held port ends --once with $status"
grep -q "$work/com-by-id.*процесс $holder" "$work/once.err" || fail "the message does not name the port and its holder"
(cd "$work" && timeout -s INT 1 "$collect" --port "$work/com-by-id" --file other.txt \
    --retry-first 20 --retry-longest 40 2>"$work/busy.err")
[ "$(grep -c "port-busy" "$work/busy.err")" -eq 1 ] || fail "a held port is not reported once"
kill -TERM "$holder"
wait "$holder"
[ $? -eq 0 ] || fail "the holder did not end with 0 on SIGTERM"
kit_pids=()
stop_sim

# The reference: every call of the office read at once.
start_sim --scenario "$work/office.json"
once --file reference.txt
stop_sim
grep '^[0-9][0-9]-' "$work/reference.txt" >"$work/reference.calls"
[ "$(wc -l <"$work/reference.calls")" -eq 30 ] || fail "the reference read lacks calls"

# The line goes away in the middle of a read (the exchange's simulator is
# killed) and comes back a while later on the same link: every call once, in
# order; the coverage shows one gap of about that length.
start_sim --scenario "$work/office.json" --state "$work/state" --real-timing
(cd "$work" && exec "$collect" --port "$work/com" --file calls.txt --status status.json \
    --retry-first 50 --retry-longest 200 2>"$work/collect.err") &
collector=$!
kit_pids+=("$collector")
wait_for_calls "$work/calls.txt" 8
broken_at=$SECONDS
stop_sim
[ "$sent" -lt 30 ] || fail "the line went away after the read ended"
sleep 1
start_sim --scenario "$work/office.json" --state "$work/state" --real-timing
wait_for_calls "$work/calls.txt" 30
wait_for_text "$work/status.json" '"recordsToday": 30'
# The gap lasts from the moment the collector finds the line gone (a probe's
# time-outs after the break, so it can be under the second the line was away)
# to the next identification: at most the whole time until every call was in
# (longer on a busy machine, where the simulator and the collector start late).
longest_gap=$((SECONDS - broken_at + 1))
grep '^[0-9][0-9]-' "$work/calls.txt" | cmp -s - "$work/reference.calls" ||
    fail "the calls across the break differ from the reference"
[ "$(grep -c "line-down" "$work/collect.err")" -eq 1 ] || fail "the break is not logged once"

# The office's simulator stays up for the collector until the coverage check
# below; the next one takes the link meanwhile.
kit_pids+=("$sim_pid")
office_sim=$sim_pid

# SIGTERM in the middle of a read: ends within a second, status 0, the calls
# sent all in the file.
start_sim --calls 40 --real-timing
(cd "$work" && exec "$collect" --once --port "$work/com" --file term.txt 2>"$work/term.err") &
reader=$!
wait_for_calls "$work/term.txt" 5
kill -TERM "$reader"
for _ in $(seq 20); do kill -0 "$reader" 2>/dev/null || break; sleep 0.05; done
kill -0 "$reader" 2>/dev/null && fail "SIGTERM did not end the read within a second"
wait "$reader"
[ $? -eq 0 ] || fail "SIGTERM does not end with 0"
stop_sim
[ "$sent" -lt 40 ] || fail "the read had ended before SIGTERM"
[ "$(calls_in "$work/term.txt")" -eq "$sent" ] || fail "SIGTERM lost calls: $sent sent"

# The coverage shows that one break, of about its length, and the totals of
# the day say that capture had gaps.
kill -TERM "$collector"
wait "$collector"
kill -TERM "$office_sim"
wait "$office_sim" 2>/dev/null
kit_pids=()
"$report" "$work/calls.txt" --coverage >"$work/coverage.out" 2>"$work/coverage.err" ||
    fail "--coverage failed"
[ "$(grep -c "GAP line-down" "$work/coverage.out")" -eq 1 ] || fail "not one line-down gap"
gap=$(sed -n 's/.*GAP line-down  00:\([0-9][0-9]\):\([0-9][0-9]\).*/\1 \2/p' "$work/coverage.out")
gap_seconds=$((10#${gap% *} * 60 + 10#${gap#* }))
[ "$gap_seconds" -le "$longest_gap" ] ||
    fail "the gap lasts $gap_seconds s, more than the $longest_gap s the line was away"
[ "$(grep -c " reading " "$work/coverage.out")" -eq 2 ] || fail "not two capture intervals"
today=$(date +%F)
"$report" "$work/calls.txt" --from "$today" --to "$today" >/dev/null 2>"$work/totals.err" ||
    fail "the totals failed"
grep -q "gaps in this period" "$work/totals.err" || fail "the totals do not mention the gap"

# A file-size limit set on the collector in the middle of a read (as a quota
# would) falls inside a line to come: no death by SIGXFSZ, no torn line, the
# read stops after the call in hand (the rest stay in the exchange), the line
# held in memory goes to a rescue file when the collector ends, and the status
# file and the coverage journal say so.
start_sim --calls 5 --arrive-every 100
(cd "$work" && exec "$collect" --port "$work/com" --file full.txt --status full.json \
    --retry-first 50 --retry-longest 100 2>"$work/full.err") &
full=$!
kit_pids+=("$full")
wait_for_calls "$work/full.txt" 10
prlimit --pid "$full" --fsize=$(($(stat -c %s "$work/full.txt") + 100)) || fail "prlimit failed"
wait_for_text "$work/full.err" "file-unwritable"
wait_for_text "$work/full.json" '"state": "file-unwritable"'
grep -q '"linesHeld": [1-9]' "$work/full.json" || fail "the status file shows no line held"
kill -TERM "$full"
wait "$full"
status=$?
kit_pids=()
stop_sim
[ "$status" -eq "$(status_of ExitLinesRescued)" ] || fail "held lines at the end give $status"
[ "$(tail -c 2 "$work/full.txt" | od -An -tx1 | tr -d ' ')" = 0d0a ] &&
    [ "$(grep -vc $'\r$' "$work/full.txt")" -eq 0 ] || fail "the call file ends in a torn line"
rescued=$(cat "$work"/TallyvoxRescue-*.txt | grep -c '^[0-9][0-9]-')
[ "$rescued" -ge 1 ] && [ $(($(calls_in "$work/full.txt") + rescued)) -eq "$sent" ] ||
    fail "calls lost to the file-size limit: $sent sent, $rescued rescued"
grep -q '"state": "stopped"' "$work/full.json" && grep -q '"linesHeld": 0' "$work/full.json" ||
    fail "the status file does not show the end with the lines rescued"
grep -q "gap.reason=file-unwritable" "$work/full.txt.coverage" || fail "no file-unwritable gap"

# SIGHUP after the call file was moved away: the next calls go to a new file
# of the configured name, none lost.
start_sim --calls 0 --arrive-every 100
(cd "$work" && exec "$collect" --port "$work/com" --file rotated.txt 2>"$work/hup.err") &
collector=$!
kit_pids+=("$collector")
wait_for_calls "$work/rotated.txt" 3
mv "$work/rotated.txt" "$work/rotated.1"
kill -HUP "$collector"
wait_for_calls "$work/rotated.txt" 3
kill -TERM "$collector"
wait "$collector"
kill -TERM "$office_sim"
wait "$office_sim" 2>/dev/null
kit_pids=()
stop_sim
[ $(($(calls_in "$work/rotated.1") + $(calls_in "$work/rotated.txt"))) -eq "$sent" ] ||
    fail "calls lost around the rotation"
head -c 200 "$work/rotated.txt" | iconv -f cp1251 -t utf-8 | head -1 | grep -q "^       Данные на" ||
    fail "the new call file does not start with the header"
grep -q "reopened" "$work/hup.err" || fail "SIGHUP is not logged"

# An exchange that ends its buffer by leaving the link check unanswered is no
# silent exchange: pass after pass, calls arrive and no gap is journalled.
start_sim --calls 3 --arrive-every 300 --empty-ending link-check
(cd "$work" && exec "$collect" --port "$work/com" --file ending.txt --retry-first 50 \
    --retry-longest 100 2>"$work/ending.err") &
collector=$!
kit_pids+=("$collector")
wait_for_calls "$work/ending.txt" 8
kill -TERM "$collector"
wait "$collector"
kit_pids=()
stop_sim
[ "$(calls_in "$work/ending.txt")" -eq "$sent" ] || fail "calls lost with the link-check ending"
grep -q "reason=exchange-silent" "$work/ending.txt.coverage" &&
    fail "an empty buffer was journalled as a silent exchange"
cut -f2,3 "$work/ending.txt.coverage" | tr '\t\r' ' ' | paste -sd, - |
    grep -q "^reading serial=[^,]*,gap reason=stopped$" ||
    fail "not one reading until the stop: $(cat "$work/ending.txt.coverage")"

# The coverage journal refuses its entries for a while (made immutable, as a
# file system gone read-only would): the gap of a line lost meanwhile is
# written once the journal takes entries again, before the next reading.
start_sim --calls 2
(cd "$work" && exec "$collect" --port "$work/com" --file kept.txt --retry-first 50 \
    --retry-longest 100 2>"$work/kept.err") &
collector=$!
kit_pids+=("$collector")
wait_for_calls "$work/kept.txt" 2
if chattr +i "$work/kept.txt.coverage" 2>/dev/null; then
    stop_sim
    wait_for_text "$work/kept.err" "entries wait"
    chattr -i "$work/kept.txt.coverage"
    start_sim --calls 1
    wait_for_text "$work/kept.err" "took the"
    # The held entries may be taken on a retry before the exchange is back.
    wait_for_calls "$work/kept.txt" 3
    kill -TERM "$collector"
    wait "$collector"
    stop_sim
    cut -f2,3 "$work/kept.txt.coverage" | tr '\t\r' ' ' | paste -sd, - |
        grep -q "^reading serial=[^,]*,gap reason=line-down,reading serial=[^,]*,gap reason=stopped" ||
        fail "the journal's held entries are not there in order: $(cat "$work/kept.txt.coverage")"
else
    kill -TERM "$collector"
    wait "$collector"
    stop_sim
    echo "collector program: no chattr +i here; the journal's held entries not tried"
fi
kit_pids=()

echo "tallyvox-collect program: ok"
