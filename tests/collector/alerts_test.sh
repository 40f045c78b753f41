#!/bin/bash
# The alert rules followed by tallyvox-collect against tallyvox-sim: the
# rehearsal's attack read with examples/alerts.toml fires exactly on the
# attack's calls, each listed, and the same office's calls without it fire
# nothing; no contact in working hours fires once per silence, and a buffer
# over 90% full once per filling.
# Usage: alerts_test.sh tallyvox-collect tallyvox-sim EXAMPLES-FOLDER
collect=$1
sim=$2
examples=$3
source "$(dirname "$0")/../kit/program_kit.sh"
fail_logs=('*.err')

# The exchange's clock is fixed a working morning after the attack's night.
cat >"$work/office.json" <<'JSON'
{"modelCode": 6, "clock": "2026-12-09 09:00:00",
 "exchanges": [{"traffic": {"count": 60, "seed": 1}}]}
JSON

# One read of the simulator with OPTIONS into calls.txt; the alert lines,
# "LEVEL RULE<TAB>CALL LINE", go to alerts.txt.
read_alerts() {
    start_sim --scenario "$work/office.json" "$@"
    rm -f "$work/calls.txt"
    (cd "$work" && timeout 60 "$collect" --once --port "$work/com" --file calls.txt \
        --alerts "$examples/alerts.toml" --tariffs "$examples/tariffs.csv" 2>"$work/read.err") ||
        fail "the read with $* failed"
    stop_sim
    sed -n 's/^tallyvox-collect: \([a-z]*\): alert: \([^:]*\): /\1 \2\t/p' "$work/read.err" |
        sort >"$work/alerts.txt"
}

# The call lines (UTF-8, sorted) whose dialled number matches the pattern,
# made between midnight and six on the attack's night from the attack's line.
night_calls() {
    iconv -f cp1251 -t utf-8 "$work/calls.txt" |
        awk -v line="$attack_line" -v pattern="$1" \
            '$1 == "09-12-2026" && $2 < "06" && $4 ~ "^" line "\\(" && $6 ~ pattern' |
        tr -d '\r' | sort
}

read_alerts
[ -s "$work/calls.txt" ] && [ ! -s "$work/alerts.txt" ] ||
    fail "an office's ordinary calls fire alerts: $(cat "$work/alerts.txt")"

read_alerts --attack 1
attack_line=$(iconv -f cp1251 -t utf-8 "$work/calls.txt" | awk '$6 ~ /^8809/ {print $4}' |
    sort | uniq -c | sort -rn | awk 'NR == 1 {sub(/\(.*/, "", $2); print $2}')
expect_rule() { # level rule pattern count
    local got
    got=$(grep -P "^$1 $2\t" "$work/alerts.txt" | cut -f2)
    [ "$(night_calls "$3" | wc -l)" -eq "$4" ] ||
        fail "the attack has not $4 calls to $3 from line $attack_line"
    [ "$got" = "$(night_calls "$3")" ] ||
        fail "\"$2\" does not fire exactly on the attack's calls to $3: $got"
}
expect_rule critical "Международные вне рабочего времени" "^(810|8809)" 36
expect_rule warning "Серия звонков с одной линии" "^8809" 12
# The day's cost of the hacked line passes its cap during the night: each
# later call of the attack fires that rule, and no other call does.
while IFS=$'\t' read -r rule line; do
    case "$rule" in
    "critical Международные вне рабочего времени" | "warning Серия звонков с одной линии") ;;
    "warning Дневной расход линии")
        night_calls "^810" | grep -qxF "$line" || fail "the daily cap fires on \"$line\"" ;;
    *) fail "unexpected alert $rule: $line" ;;
    esac
done <"$work/alerts.txt"
grep -q "^warning Дневной расход линии" "$work/alerts.txt" || fail "the daily cap does not fire"

# No contact and a full buffer come from the collector's own state. Its local
# time is set to noon (working hours) whatever the hour of the run.
hour=$(date -u +%-H)
offset=$((12 - hour))
[ "$offset" -ge 0 ] && noon="TST-$offset" || noon="TST+$((-offset))"
cat >"$work/state.toml" <<'TOML'
[office]
working_days = "1-7"
working_hours = "08:00-19:00"

[[rule]]
name = "Нет данных от АТС"
level = "critical"
no_contact = "00:00:02"

[[rule]]
name = "Буфер АТС почти полон"
level = "warning"
buffer_full = true
TOML
cat >"$work/full.json" <<'JSON'
{"modelCode": 6, "clock": "2026-12-09 09:00:00",
 "exchanges": [{"capacity": 40, "traffic": {"count": 38, "seed": 1}}]}
JSON
count_of() { grep -c "$1" "$work/state.err"; }
reached() { [ "$(count_of "$1")" -ge "$2" ]; }
stays() { # text count: still count times a few polls later
    sleep 3
    [ "$(count_of "$1")" -eq "$2" ] || fail "\"$1\" is not there $2 time(s)"
}
silence='critical: alert: Нет данных от АТС: no contact with the exchange since '
full='warning: alert: Буфер АТС почти полон: the exchange.s buffer holds 38 of 40 records'
start_sim --scenario "$work/full.json"
(cd "$work" && TZ=$noon exec "$collect" --port "$work/com" --file state.txt \
    --alerts state.toml --retry-first 200 --retry-longest 500 2>"$work/state.err") &
kit_pids+=($!)
for episode in 1 2; do
    wait_until "no read $episode" reached "info: reading: " "$episode"
    wait_until "the buffer alert $episode" reached "$full" "$episode"
    stays "$silence" $((episode - 1))
    stop_sim
    wait_until "no contact alert $episode" reached "$silence" "$episode"
    stays "$silence" "$episode"
    stays "$full" "$episode"
    [ "$episode" -eq 2 ] || start_sim --scenario "$work/full.json"
done
echo "collector alerts: all passed"
