#!/bin/bash
# Alert delivery end to end, against a real SMTP server (aiosmtpd) and an HTTP
# receiver on loopback: a call file's alerts arrive as one digest per rule with
# every call listed, a normal day gives none, a mail server that is down and
# comes back (the follower running, and the follower restarted) gets every
# alert once, and tallyvox-alert --once gives what the collector gives.
# The simulator's rehearsal of an attack, read by the collector with the
# example rules, arrives as one digest per rule that fired, every call listed.
# tallyvox-report --alerts-log lists a period's alerts with their delivery.
# Usage: delivery_test.sh tallyvox-alert tallyvox-collect tallyvox-sim tallyvox-report
#        EXAMPLES-FOLDER
alert=$1
collect=$2
sim=$3
report=$4
examples=$5
source "$(dirname "$0")/../kit/program_kit.sh"
here=$(dirname "$0")
fail_logs=('*.err')

# Debian's Python, which python3-aiosmtpd is installed for.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
"$python" -c 'import aiosmtpd' 2>/dev/null || {
    echo "alert delivery: python3-aiosmtpd is missing (scripts/install-deps.sh); skipped"
    exit 0
}

free_port() {
    "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
smtp_port=$(free_port)
http_port=$(free_port)
smtp_pid=
http_pid=

# start_receiver smtp|http: its messages go to $work/smtp or $work/http.
start_receiver() {
    rm -f "$work/$1.out"
    "$python" "$here/receivers.py" "$1" "$(eval echo \$${1}_port)" "$work/$1" \
        >"$work/$1.out" 2>"$work/$1.err" &
    eval "${1}_pid=$!"
    kit_pids+=($!)
    wait_until "the $1 receiver did not start" grep -qs ready "$work/$1.out"
}

stop_receiver() {
    kit_stop "$(eval echo \$${1}_pid)"
}

# call DD-MM-YYYY HH:MM:SS DURATION LINE PROGRAM TRUNK NUMBER: one call line.
call() {
    printf '%s %s   %s   %3s(%4s)   %5s     %-21s\r\n' "$@"
}

# A Tuesday's normal traffic: calls of five lines in working hours, none close
# to another on one line.
normal_day() {
    local hour line
    for hour in 09 11 13 15 17; do
        for line in 201 202 203 204 205; do
            call 12-01-2027 "$hour:${line#20}0:00" 00:03:10 "$line" "2${line#20}" 05 4951234567
        done
    done
}

# The night: international calls from line 215 on three trunks; the day: a
# burst of ten local calls from line 210 in four minutes.
night_calls() {
    local i
    for i in 1 2 3 4 5 6; do
        call 12-01-2027 "0$i:1$i:00" 00:2$i:00 215 2015 "0$((i % 3 + 1))" "8109725551000$i"
    done
}
burst_calls() {
    local i
    for i in 0 1 2 3 4 5 6 7 8 9; do
        call 12-01-2027 "14:0$((i / 3)):$((i % 3))5" 00:00:30 210 2010 06 "495765432$i"
    done
}

# The expected calls as mail_calls.py lists them.
expected_calls() {
    night_calls | tr -d '\r' | awk -v r="Международные вне рабочего времени" '{ printf "%s\t2027-01-12 %s\t%s\t%s\n", r, $2, substr($4, 1, 3), $NF }'
    burst_calls | tr -d '\r' | awk -v r="Серия звонков с одной линии" '{ printf "%s\t2027-01-12 %s\t%s\t%s\n", r, $2, substr($4, 1, 3), $NF }'
}

# The receivers started here as the rules' [mail] and [webhook].
channels() {
    cat <<TABLES
[mail]
server = "smtp://127.0.0.1:$smtp_port"
from = "tallyvox@office.example"
to = ["admin@office.example"]

[webhook]
url = "http://127.0.0.1:$http_port/hook"
TABLES
}

write_rules() { # digest
    channels >"$work/rules.toml"
    cat >>"$work/rules.toml" <<RULES
[office]
site = "Тестовый офис"
working_days = "1-5"
working_hours = "08:00-19:00"

[delivery]
digest = "$1"
per_hour = 20

[[rule]]
name = "Международные вне рабочего времени"
level = "critical"
prefixes = ["810"]
when = "outside_working_hours"

[[rule]]
name = "Серия звонков с одной линии"
level = "warning"
calls = 10
within = "00:05:00"
per = "line"
RULES
}

# check_received FOLDER MESSAGES WHAT: the folder's messages list exactly the
# expected calls, each once, in MESSAGES messages.
check_received() {
    "$python" "$here/mail_calls.py" "$work/$1" >"$work/got" 2>"$work/messages" ||
        fail "$3: the messages cannot be read"
    expected_calls | sort >"$work/expected"
    cmp -s "$work/got" "$work/expected" || fail "$3: calls listed: $(diff "$work/expected" "$work/got")"
    [ "$(wc -l <"$work/messages")" -eq "$2" ] || fail "$3: $(wc -l <"$work/messages") messages, not $2"
}

journal_has() { # event channel count: in follow.txt's journal
    [ "$(grep -c $'\t'"$1"$'\tchannel='"$2" "$work/follow.txt.alerts")" -ge "$3" ]
}

once() { # call file; sets $status
    "$alert" --once --alerts "$work/rules.toml" "$1" 2>>"$work/once.err"
    status=$?
}

write_rules 00:10:00
start_receiver http

# A normal day gives no alert at all.
normal_day >"$work/normal.txt"
once "$work/normal.txt"
[ "$status" -eq 0 ] && [ ! -e "$work/http" ] || [ -z "$(ls "$work/http")" ] ||
    fail "a normal day: status $status, $(ls "$work/http")"
grep -qs $'\talert\t' "$work/normal.txt.alerts" && fail "a normal day raised alerts"

# The mail server down: --once keeps the alerts (3); up again, each rule's
# alerts go in one digest (the digest time is not waited for by --once), once.
{ normal_day; night_calls; burst_calls; } | sort -k2 >"$work/calls.txt"
once "$work/calls.txt"
[ "$status" -eq 3 ] || fail "--once with the mail server down exits $status, not 3"
grep -q $'\tfailed\tchannel=mail' "$work/calls.txt.alerts" || fail "no failed mail in the journal"
check_received http 2 "web hook with the mail server down"
start_receiver smtp
once "$work/calls.txt"
[ "$status" -eq 0 ] || fail "--once with the mail server up exits $status"
once "$work/calls.txt"
[ "$status" -eq 0 ] || fail "--once again exits $status"
check_received smtp 2 "mail"
check_received http 2 "web hook"
grep -q "Subject: .*UTF-8" "$work"/smtp/*.eml || fail "the subject is not encoded"
"$report" "$work/calls.txt" --alerts-log --from 2027-01-12 --to 2027-01-12 >"$work/log" ||
    fail "--alerts-log exits $?"
[ "$(grep -c $'\tmail sent 20[0-9-]* [0-9:]*, webhook sent ' "$work/log")" -eq 16 ] &&
    [ "$(grep -c $'^20[0-9-]* [0-9:]*\tcritical\tМеждународные вне рабочего времени\t12-01-2027 0' \
        "$work/log")" -eq 6 ] || fail "--alerts-log: $(cat "$work/log")"
"$report" "$work/calls.txt" --alerts-log --from 2027-01-13 >"$work/log" && [ ! -s "$work/log" ] ||
    fail "--alerts-log lists alerts outside the period: $(cat "$work/log")"

# Following the file: the mail server stops; alerts wait in the journal and are
# retried; the server back, they arrive once, and so across a restart.
rm -rf "$work/smtp" "$work/http"
write_rules 00:00:01
normal_day >"$work/follow.txt"
"$alert" --alerts "$work/rules.toml" "$work/follow.txt" 2>"$work/follow.err" &
follower=$!
kit_pids+=($follower)
wait_until "the follower did not start" grep -qs "following" "$work/follow.err"
stop_receiver smtp
night_calls >>"$work/follow.txt"
wait_until "no failed mail" grep -qs $'\tfailed\tchannel=mail' "$work/follow.txt.alerts"
start_receiver smtp
wait_until "the night's mail was not retried" grep -qs $'\tsent\tchannel=mail' "$work/follow.txt.alerts"
stop_receiver smtp
burst_calls >>"$work/follow.txt"
wait_until "no failed mail of the burst" journal_has failed mail 2
kill -TERM "$follower"
for _ in $(seq 50); do kill -0 "$follower" 2>/dev/null || break; sleep 0.1; done
kill -0 "$follower" 2>/dev/null && fail "the follower did not stop within 5 s"
start_receiver smtp
"$alert" --alerts "$work/rules.toml" "$work/follow.txt" 2>"$work/follow2.err" &
follower=$!
kit_pids+=($follower)
wait_until "the burst's mail did not come after the restart" journal_has sent mail 2
sleep 2 # nothing more may come
kill -TERM "$follower"
check_received smtp 2 "mail after a stop"
check_received http 2 "web hook after a stop"

# The collector's alerts from the simulator's calls are tallyvox-alert's; the digest
# held at the collector's end goes before it ends.
rm -rf "$work/smtp"
printf '%s\n' '[mail]' "server = \"smtp://127.0.0.1:$smtp_port\"" 'from = "t@office.example"' \
    'to = ["a@office.example"]' '[delivery]' 'digest = "00:10:00"' '[[rule]]' \
    'name = "Каждый звонок"' 'level = "critical"' >"$work/rules.toml"
start_sim --calls 5
(cd "$work" && timeout 60 "$collect" --once --port "$work/com" --file c.txt \
    --alerts "$work/rules.toml" 2>"$work/collect.err") || fail "the collector exits $?"
stop_sim
cp "$work/c.txt" "$work/a.txt"
once "$work/a.txt"
[ "$status" -eq 0 ] || fail "--once on the collector's file exits $status"
[ "$(grep -c $'\talert\t' "$work/c.txt.alerts")" -eq 5 ] || fail "the collector raised no 5 alerts"
cmp -s <(grep $'\talert\t' "$work/c.txt.alerts" | cut -f2-) \
    <(grep $'\talert\t' "$work/a.txt.alerts" | cut -f2-) ||
    fail "tallyvox-alert differs from the collector: $(diff "$work/c.txt.alerts" "$work/a.txt.alerts")"
"$python" "$here/mail_calls.py" "$work/smtp" >"$work/got" 2>"$work/messages"
[ "$(cat "$work/messages")" = "$(printf '1 5\n1 5')" ] || fail "mails: $(cat "$work/messages")"

# The rehearsal: the example rules with this test's mail and web hook; the
# digests held at the collector's end go as it ends, one per rule.
rm -rf "$work/smtp" "$work/http"
cat "$examples/alerts.toml" <(channels) >"$work/rules.toml"
cat >"$work/office.json" <<'JSON'
{"modelCode": 6, "clock": "2026-12-09 09:00:00",
 "exchanges": [{"traffic": {"count": 60, "seed": 1}}]}
JSON
start_sim --scenario "$work/office.json" --attack 1
(cd "$work" && timeout 60 "$collect" --once --port "$work/com" --file attack.txt \
    --alerts rules.toml --tariffs "$examples/tariffs.csv" 2>"$work/attack.err") ||
    fail "the rehearsal's read exits $?"
stop_sim
# The alert lines of the log (each the attack's, as the collector's alerts test
# shows) as mail_calls.py lists calls.
sed -n 's/^tallyvox-collect: [a-z]*: alert: \([^:]*\): /\1\t/p' "$work/attack.err" |
    awk -F'\t' '{ split($2, f, " +"); split(f[1], d, "-"); sub(/\(.*/, "", f[4]);
                  printf "%s\t%s-%s-%s %s\t%s\t%s\n", $1, d[3], d[2], d[1], f[2], f[4], f[6] }' |
    sort >"$work/expected"
rules_fired=$(cut -f1 "$work/expected" | sort -u | wc -l)
[ "$(grep -c "^Международные вне рабочего времени" "$work/expected")" -eq 36 ] &&
    [ "$(grep -c "^Серия звонков с одной линии" "$work/expected")" -eq 12 ] ||
    fail "the rehearsal's alerts: $(cut -f1 "$work/expected" | uniq -c)"
for folder in smtp http; do
    "$python" "$here/mail_calls.py" "$work/$folder" >"$work/got" 2>"$work/messages"
    cmp -s "$work/got" "$work/expected" ||
        fail "the rehearsal by $folder: $(diff "$work/expected" "$work/got")"
    [ "$(wc -l <"$work/messages")" -eq "$rules_fired" ] && ! grep -qv '^1 ' "$work/messages" ||
        fail "the rehearsal by $folder is not one digest per rule: $(cat "$work/messages")"
done
echo "alert delivery: ok"
