#!/bin/bash
# tallyvox-collect --store against tallyvox-sim and the run's private PostgreSQL
# server: a store that is down from the first read on while the exchange is
# swapped, a lost mark, and the coverage journal in the store, as the report
# shows it (the stops between the reads are pauses, the line that went away a
# gap); the call file has a Cyrillic name.
# Usage: collect_test.sh tallyvox-collect tallyvox-sim SERVER_FOLDER CONTROL_SCRIPT [tallyvox-report]
collect=$1
sim=$2
server=$3
control=$4
report=${5:-}
if [ -f "$server/missing" ]; then
    echo "skipped: $(cat "$server/missing")"
    exit 0
fi
source "$(dirname "$0")/../kit/program_kit.sh"
on_exit='[ -f "$server/data/postmaster.pid" ] || bash "$control" resume "$server" >/dev/null 2>&1'
fail_logs=('*.err')
sql() { psql -X -A -t -q "host=$server user=tallyvox dbname=$1" -c "$2"; }

sql postgres "DROP DATABASE IF EXISTS collect WITH (FORCE)" 2>/dev/null
sql postgres "CREATE DATABASE collect" || fail "cannot make the test database"
url="host=$server user=tallyvox dbname=collect"

once() {
    (cd "$work" && timeout 60 "$collect" --once --port "$work/com" --file звонки.txt \
        --store "$url" --site kiev 2>>"$work/once.err")
}
calls_in_file() { grep -c '^[0-9][0-9]-' "$work/звонки.txt"; }

# The store down from the first read on, the exchange swapped for another
# before it is back, and a read that finds the line gone: capture goes on, the
# calls wait in the file and reach the store once it is back, each with the
# serial number of the exchange that gave it.
cat >"$work/swapped.json" <<'JSON'
{"modelCode": 6, "serialNumber": 4321,
 "exchanges": [{"capacity": 2000, "traffic": {"count": 25, "seed": 4}}]}
JSON
bash "$control" pause "$server" || fail "cannot stop the server"
start_sim --calls 40 --seed 3
once || fail "--once with the store down ended with $?"
stop_sim
grep -q "retrying" "$work/once.err" || fail "the store being down is not said"
start_sim --scenario "$work/swapped.json"
once || fail "--once with the swapped exchange ended with $?"
stop_sim
[ "$(calls_in_file)" -eq 65 ] || fail "with the store down the file holds $(calls_in_file) calls, not 65"
once && fail "--once without the exchange ended well"
bash "$control" resume "$server" || fail "cannot start the server again"
serials="1234:40 4321:25"
serials_in_store() {
    sql collect "SELECT string_agg(serial_number || ':' || n, ' ' ORDER BY serial_number)
                 FROM (SELECT serial_number, count(*) AS n FROM tallyvox_calls GROUP BY 1) AS s"
}
start_sim --calls 0
once || fail "--once after the store came back ended with $?"
stop_sim
[ "$(serials_in_store)" = "$serials" ] || fail "the store holds $(serials_in_store), not $serials"
[ "$(sql collect "SELECT count(DISTINCT raw_line) FROM tallyvox_calls")" -eq 65 ] || fail "a call is in the store twice"

# The mark lost: the file is sent again, and nothing is added.
rm "$work/звонки.txt.store"
start_sim --calls 0
once || fail "--once without the mark ended with $?"
stop_sim
[ "$(serials_in_store)" = "$serials" ] || fail "without the mark the store holds $(serials_in_store)"

# The store's coverage of the site shows the read that found no exchange.
[ "$(sql collect "SELECT count(*) FROM tallyvox_coverage WHERE site = 'kiev' AND NOT captured
                  AND reason = 'line-down' AND ends_at IS NOT NULL")" -eq 1 ] ||
    fail "the store's coverage lacks the gap: $(sql collect "SELECT * FROM tallyvox_coverage")"
if [ -n "$report" ]; then
    "$report" --store "$url" --site kiev --coverage >"$work/coverage.out" 2>"$work/report.err" ||
        fail "the report of the store's coverage failed: $(cat "$work/report.err")"
    grep -q "^site kiev:" "$work/coverage.out" || fail "the coverage does not name the site"
    [ "$(grep -c "GAP line-down" "$work/coverage.out")" -eq 1 ] || fail "not one line-down gap"
    [ "$(grep -c "pause stopped" "$work/coverage.out")" -ge 1 ] ||
        fail "the stops between the reads are not pauses: $(cat "$work/coverage.out")"
    grep -q "^2 gaps in capture" "$work/coverage.out" ||
        fail "not the line-down gap and the last stop: $(cat "$work/coverage.out")"
fi
echo "collect_test: ok"
