# Sourced by the Windows tests' wrappers: the native simulator, started and
# stopped by process id.

# start_simulator SIMULATOR LOGBASE [OPTIONS...]: starts it and waits for its
# device path (the first line it prints), kept in SIM_DEVICE; SIM_PID is its id.
start_simulator() {
    local sim=$1 log=$2
    shift 2
    "$sim" "$@" >"$log.out" 2>"$log.err" &
    SIM_PID=$!
    for _ in $(seq 200); do
        [ -s "$log.out" ] && break
        if ! kill -0 "$SIM_PID" 2>/dev/null; then
            echo "the simulator ended before it was ready:" >&2
            cat "$log.err" >&2
            SIM_PID=
            return 1
        fi
        sleep 0.05
    done
    IFS= read -r SIM_DEVICE <"$log.out"
}

stop_simulator() {
    if [ -n "${SIM_PID:-}" ]; then
        kill -TERM "$SIM_PID" 2>/dev/null || true
        wait "$SIM_PID" 2>/dev/null || true
        SIM_PID=
    fi
}

# The native build's program, or a clear failure when it has not been built.
native_program() {
    if [ ! -x "$1" ]; then
        echo "no native $(basename "$1") at $1: build the ci preset first" >&2
        return 1
    fi
    echo "$1"
}
