#!/usr/bin/env bash
# tallyvox-report on a million calls against its yardsticks, in one run: the
# line and trunk exports against mawk summing the talk time per line and
# against wc -l, and the same exports priced against unpriced. Each pair runs
# in turn under farm-bench (median of RUNS paired runs: wall and processor
# time and their ratios; on a busy machine the processor time is the steadier
# figure, the wall time is the aim's); peak memory from /usr/bin/time -v.
#   bash bench/report_speed.sh BUILD [RUNS]     (BUILD: the build folder, build/ci)
set -euo pipefail
build=$(cd "$1" && pwd)
runs=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
report="$build/reportcli/tallyvox-report"
tariffs="$here/../examples/tariffs.csv"
file=/tmp/tallyvox-report-bench-1000000.txt
work=$(mktemp -d /tmp/tallyvox-report-speed.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The benchmark program makes the million-call file once and keeps it.
"$build/bench/tallyvox_report_bench" --benchmark_filter='BM_WcLines/1000000' >/dev/null 2>&1
exports=("$file" --lines "$work/lines.txt" --trunks "$work/trunks.txt")
mawk_sum='{ split($3, t, ":"); s[substr($4, 1, 3)] += t[1] * 3600 + t[2] * 60 + t[3] } END { for (h in s) print h, s[h] }'

# The median wall time of both commands and the median ratio of the pairs.
pair() {
    local title=$1 baseline=$2
    shift 2
    echo "== $title"
    farm-bench -n "$runs" --timeout 600 --vs "$baseline" -- "$@" |
        grep -E '^(A|B) (wall|cpu) s|^A/B (wall|cpu)|^(A|B) peak'
}

peak() {
    local title=$1
    shift
    /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n "s/.*Maximum resident set size (kbytes): /$title peak kB: /p"
}

echo "$(wc -l <"$file") calls, $(($(stat -c %s "$file") / 1048576)) MB; A is tallyvox-report"
pair "report against mawk (aim: A/B at most 0.2)" "mawk '$mawk_sum' $file" "$report" "${exports[@]}"
pair "report against wc -l" "wc -l $file" "$report" "${exports[@]}"
pair "priced against unpriced (aim: A/B at most 1.2)" "$report ${exports[*]}" \
    "$report" "${exports[@]}" --tariffs "$tariffs"
peak "report" "$report" "${exports[@]}"
peak "report priced" "$report" "${exports[@]}" --tariffs "$tariffs"
peak "mawk" mawk "$mawk_sum" "$file"
peak "wc -l" wc -l "$file"
