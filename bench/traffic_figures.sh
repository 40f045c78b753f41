#!/usr/bin/env bash
# The simulator's traffic as the report sees it, for two builds side by side
# (say main and a branch): each build's simulator fills an Arden-S (4 trunks)
# with the same seed and clock, its collector reads it through a pseudo-terminal, and the
# calls are measured: calls started on a trunk still busy with another call,
# calls over an hour, the median holding time, and each build's report sizing.
#   bash bench/traffic_figures.sh OLD_BUILD NEW_BUILD [CALLS] [SEED]
set -euo pipefail
old=$(cd "$1" && pwd)
new=$(cd "$2" && pwd)
calls=${3:-1900}
seed=${4:-2004}
work=$(mktemp -d /tmp/tallyvox-traffic.XXXXXX)
sim_pid=
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The exchange's clock is fixed, so every run measures the same calls.
cat >"$work/office.json" <<JSON
{"modelCode": 4, "clock": "2026-12-08 18:00:00",
 "exchanges": [{"capacity": $calls, "traffic": {"count": $calls, "seed": $seed}}]}
JSON

# Reads the calls of build $1's simulator into $2 with build $1's collector.
read_calls() {
    local build=$1 file=$2
    rm -f "$work/com"
    "$build/sim/tallyvox-sim" --scenario "$work/office.json" --link "$work/com" \
        >"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    for _ in $(seq 200); do
        [ -s "$work/sim.out" ] && break
        sleep 0.05
    done
    (cd "$work" && timeout 600 "$build/collector/tallyvox-collect" --once --port "$work/com" \
        --file "$file" 2>"$work/collect.err")
    kill -TERM "$sim_pid"
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
}

# Each call as: trunk, start and end (seconds), holding time.
call_times() {
    grep '^[0-9][0-9]-' "$1" | awk '
        function seconds(t,  p) { split(t, p, ":"); return p[1] * 3600 + p[2] * 60 + p[3] }
        {
            split($1, d, "-")
            start = mktime(d[3] " " d[2] " " d[1] " " substr($2, 1, 2) " " substr($2, 4, 2) " " substr($2, 7, 2))
            held = seconds($3)
            print $5, start, start + held, held
        }'
}

# Calls on a busy trunk, calls over an hour and the median holding time.
measure() {
    local median
    median=$(call_times "$1" | awk '{ print $4 }' | sort -n |
        awk '{ held[NR] = $1 } END { print held[int((NR + 1) / 2)] }')
    call_times "$1" | sort -k1,1 -k2,2n | awk -v median="$median" '
        $1 != trunk { trunk = $1; busy_until = 0 }
        { if ($2 < busy_until) on_busy++; if ($3 > busy_until) busy_until = $3
          n++; if ($4 > 3600) long++ }
        END {
            printf "calls %d, on a busy trunk %d, over an hour %d (%.2f%%), median holding %d s\n",
                   n, on_busy, long, 100 * long / n, median
        }'
}

for side in old new; do
    build=${!side}
    read_calls "$build" "$work/$side.txt"
    echo "== $side build's simulator ($build): $(measure "$work/$side.txt")"
    for report in old new; do
        echo "-- sizing by the $report build's report:"
        QT_QPA_PLATFORM=offscreen "${!report}/reportcli/tallyvox-report" "$work/$side.txt" --sizing \
            2>/dev/null
    done
done
