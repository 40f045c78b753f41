# Sourced by the program tests: a private work folder that goes at exit with
# the processes the test started, fail(), the exit statuses of the programs and
# the simulator started behind a link.
#
# Before sourcing, a test may set:
#   sim       the simulator program, for start_sim;
#   sim_link  the link start_sim makes to its device (else $work/com);
#   statuses  exchange/ExitStatus.h, for status_of.
# After sourcing it may set:
#   fail_logs       file patterns under $work whose lines a failure shows;
#   kit_pids        further processes to stop at exit;
#   on_exit         a command run at exit before the folder goes.

set -u
# The simulator's device is a terminal: should it become this shell's
# controlling terminal, its going away must not end the test.
trap "" HUP

work=$(mktemp -d)
sim_pid=
sent=
kit_pids=()
fail_logs=()
on_exit=

kit_stop() {
    [ -n "$1" ] || return 0
    kill -TERM "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

kit_cleanup() {
    local p
    for p in $sim_pid "${kit_pids[@]}"; do
        kit_stop "$p"
    done
    [ -z "$on_exit" ] || eval "$on_exit"
    rm -rf "$work"
}
trap kit_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    local pattern file
    for pattern in "${fail_logs[@]}"; do
        for file in "$work"/$pattern; do
            [ -f "$file" ] && sed "s|^|  $(basename "$file"): |" "$file" >&2
        done
    done
    exit 1
}

# wait_until WHAT COMMAND...: runs COMMAND every 50 ms until it succeeds, for
# at most 30 s; then fails saying that WHAT did not happen.
wait_until() {
    local what=$1
    shift
    for _ in $(seq 600); do
        "$@" && return
        sleep 0.05
    done
    fail "$what"
}

# The value of the exit status NAME as the programs' own header gives it.
status_of() {
    sed -n "s/^inline constexpr int $1 = \([0-9]*\);/\1/p" "$statuses"
}

# start_sim [OPTIONS...]: the simulator behind $sim_link, waited for until it
# prints its device; its output is in $work/sim.out and $work/sim.err.
start_sim() {
    # The last simulator's output must not pass for this one's readiness.
    rm -f "$work/sim.out"
    "$sim" --link "${sim_link:-$work/com}" "$@" >"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    for _ in $(seq 200); do
        [ -s "$work/sim.out" ] && return
        kill -0 "$sim_pid" 2>/dev/null || fail "the simulator ended before it was ready"
        sleep 0.05
    done
    fail "the simulator did not get ready"
}

# Stops the simulator and sets $sent to the records it says it sent.
stop_sim() {
    kit_stop "$sim_pid"
    sim_pid=
    sent=$(sed -n 's/^tallyvox-sim: \([0-9]*\) records sent.*/\1/p' "$work/sim.err")
}
