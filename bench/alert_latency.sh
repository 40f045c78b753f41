#!/bin/bash
# From a call line appended to the call file to the alert's mail accepted by an
# SMTP server (aiosmtpd on loopback), with a zero digest time, through
# tallyvox-alert following the file (which looks at it every second, so this is
# the slower way; the collector judges each line as it writes it). Ten calls, one
# at a time; prints the median and the longest beside the aim of 5 s.
# Usage: bash bench/alert_latency.sh [BUILD-FOLDER]   (default build/default)
set -u
build=${1:-build/default}
alert=$build/alertcli/tallyvox-alert
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
[ -x "$alert" ] || { echo "no $alert: build tallyvox-alert first" >&2; exit 1; }
"$python" -c 'import aiosmtpd' 2>/dev/null || { echo "python3-aiosmtpd is missing" >&2; exit 1; }
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
port=$("$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$python" "$here/../tests/alerts/receivers.py" smtp "$port" "$work/mail" >"$work/smtp.out" 2>&1 &
pids+=($!)
until grep -qs ready "$work/smtp.out"; do sleep 0.05; done
cat >"$work/rules.toml" <<RULES
[mail]
server = "smtp://127.0.0.1:$port"
from = "tallyvox@office.example"
to = ["admin@office.example"]
[delivery]
digest = "00:00:00"
per_hour = 100
[[rule]]
name = "Every call"
level = "warning"
RULES
: >"$work/calls.txt"
"$alert" --alerts "$work/rules.toml" "$work/calls.txt" 2>"$work/alert.err" &
pids+=($!)
until grep -qs following "$work/alert.err"; do sleep 0.05; done
latencies=()
for i in $(seq 10); do
    sleep 0.$((RANDOM % 10)) # not in step with the follower's second
    before=$(ls "$work/mail" 2>/dev/null | wc -l)
    appended=$(date +%s%N)
    printf '10-12-2026 09:%02d:00   00:01:00   201( 112)      05     4951234567           \r\n' \
        "$i" >>"$work/calls.txt"
    for _ in $(seq 200); do
        [ "$(ls "$work/mail" 2>/dev/null | wc -l)" -gt "$before" ] && break
        sleep 0.05
    done
    newest=$(ls "$work/mail" | sort -n | tail -1)
    [ -n "$newest" ] || { echo "no mail came for call $i" >&2; exit 1; }
    latencies+=($(( (${newest%%.*} - appended) / 1000000 )))
done
sorted=($(printf '%s\n' "${latencies[@]}" | sort -n))
printf 'alert latency, call line appended to mail accepted (10 calls, digest 0):\n'
printf '  median %d ms, longest %d ms; aim: under 5000 ms\n' "${sorted[4]}" "${sorted[9]}"
