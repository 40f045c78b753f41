#!/bin/bash
# The tallyvox-sim program as a user or a script runs it: a bad option, the
# device path on the first line, a probe and a record through the device, the
# link, and a stop by its process id with a one-line summary.
# Usage: program_test.sh PATH-TO-tallyvox-sim
sim=$1
source "$(dirname "$0")/../kit/program_kit.sh"
sim_link=$work/com1
on_exit='exec 3>&- 2>/dev/null'
fail_logs=(sim.err)

# Reads count bytes from the device (fd 3) as lower-case hex pairs, no blanks.
read_bytes() {
    timeout --foreground 5 dd bs=1 count="$1" <&3 2>/dev/null | od -An -v -tx1 | tr -d ' \n'
}

# A mistake in the options: the usage on stderr and status 2.
"$sim" --no-such-option >/dev/null 2>"$work/bad"
status=$?
[ "$status" -eq 2 ] || fail "a bad option exits with $status, not 2"
grep -q '^usage: tallyvox-sim' "$work/bad" || fail "a bad option does not show the usage"
"$sim" --calls many >/dev/null 2>&1
status=$?
[ "$status" -eq 2 ] || fail "a bad value exits with $status, not 2"

"$sim" --help >"$work/help" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "--help exits with $status, not 0"
grep -q -- '--fault NAME=VALUE' "$work/help" || fail "--help does not list the options"

# Three calls; the device path on the first line means it is ready.
start_sim --calls 3 --seed 4
IFS= read -r device <"$work/sim.out" || fail "no device path on the first line"
[ -c "$device" ] || fail "\"$device\" is not a character device"
[ -L "$work/com1" ] || fail "no link at $work/com1"
[ "$(readlink "$work/com1")" = "$device" ] || fail "the link does not lead to $device"

exec 3<>"$work/com1"
stty raw -echo <&3 || fail "cannot set the device raw"

# A probe is answered with 0x00.
printf '\000' >&3
answer=$(read_bytes 1)
[ "$answer" = "00" ] || fail "probe answered with \"$answer\", not 00"

# The first record: a length byte, that many payload bytes and a checksum.
printf '\002' >&3
length_hex=$(read_bytes 1)
[ -n "$length_hex" ] || fail "no length byte after the first-record command"
length=$((16#$length_hex))
[ "$length" -ge 11 ] || fail "a record of $length bytes"
record=$(read_bytes $((length + 1)))
[ "${#record}" -eq $(((length + 1) * 2)) ] || fail "the record reply is cut short: $record"
exec 3>&-

# Stopped by its process id: status 0 and the summary of what was sent.
kill -TERM "$sim_pid"
wait "$sim_pid"
status=$?
sim_pid=
[ "$status" -eq 0 ] || fail "SIGTERM ends it with status $status, not 0"
summary=$(cat "$work/sim.err")
[ "$summary" = "tallyvox-sim: 1 records sent, 2 left in the buffers" ] ||
    fail "summary \"$summary\""
[ "$(wc -l <"$work/sim.out")" -eq 1 ] || fail "more than the device path on stdout"
[ ! -e "$work/com1" ] && [ ! -L "$work/com1" ] || fail "the link outlived the simulator"
echo "tallyvox-sim program: ok"
