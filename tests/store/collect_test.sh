#!/bin/bash
# tallyvox-collect --store against tallyvox-sim and the run's private PostgreSQL
# server: a read forwarded as it is captured (every call once, with the exchange's
# serial number), a second read adding only its own calls, and a store that is
# down: capture goes on, the calls wait in the file and go when it is back.
# Usage: collect_test.sh tallyvox-collect tallyvox-sim SERVER_FOLDER CONTROL_SCRIPT
set -u
collect=$1
sim=$2
server=$3
control=$4
if [ -f "$server/missing" ]; then
    echo "skipped: $(cat "$server/missing")"
    exit 0
fi
work=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill -TERM "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    [ -f "$server/data/postmaster.pid" ] || bash "$control" resume "$server" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    sed "s|^|  collect: |" "$work"/*.err >&2 2>/dev/null
    exit 1
}
sql() { psql -X -A -t -q "host=$server user=tallyvox dbname=$1" -c "$2"; }

sql postgres "DROP DATABASE IF EXISTS collect WITH (FORCE)" 2>/dev/null
sql postgres "CREATE DATABASE collect" || fail "cannot make the test database"
url="host=$server user=tallyvox dbname=collect"

start_sim() {
    "$sim" --link "$work/com" "$@" >"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    for _ in $(seq 200); do
        [ -s "$work/sim.out" ] && return
        sleep 0.05
    done
    fail "the simulator did not get ready"
}
stop_sim() {
    kill -TERM "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=
}
once() {
    (cd "$work" && timeout 60 "$collect" --once --port "$work/com" --file calls.txt \
        --store "$url" --site kiev 2>>"$work/once.err")
}
calls_in_file() { grep -c '^[0-9][0-9]-' "$work/calls.txt"; }

start_sim --calls 40 --seed 3
once || fail "--once with the store ended with $?"
stop_sim
[ "$(calls_in_file)" -eq 40 ] || fail "the file holds $(calls_in_file) calls, not 40"
[ "$(sql collect "SELECT count(*) FROM tallyvox_calls")" -eq 40 ] || fail "the store lacks calls of the read"
serial=$(sql collect "SELECT string_agg(DISTINCT serial_number, ',') FROM tallyvox_calls")
[ -n "$serial" ] || fail "the calls carry no serial number"

# The store down: the read still runs to its end, the calls wait in the file.
bash "$control" pause "$server" || fail "cannot stop the server"
start_sim --calls 25 --seed 4
once || fail "--once with the store down ended with $?"
stop_sim
[ "$(calls_in_file)" -eq 65 ] || fail "with the store down the file holds $(calls_in_file) calls, not 65"
grep -q "retrying" "$work/once.err" || fail "the store being down is not said"
bash "$control" resume "$server" || fail "cannot start the server again"
start_sim --calls 0
once || fail "--once after the store came back ended with $?"
stop_sim
[ "$(sql collect "SELECT count(*) FROM tallyvox_calls")" -eq 65 ] || fail "the calls of the read while the store was down did not follow"
[ "$(sql collect "SELECT count(DISTINCT raw_line) FROM tallyvox_calls")" -eq 65 ] || fail "a call is in the store twice"
echo "collect_test: ok"
