#!/usr/bin/env bash
# A private PostgreSQL server for the store tests: its own cluster in FOLDER, run
# as an unprivileged user (the server refuses to run as root), reachable only
# through a Unix socket in FOLDER.
#   postgres.sh start FOLDER    make the cluster and start it
#   postgres.sh pause FOLDER    stop the server, keep the cluster
#   postgres.sh resume FOLDER   start it again
#   postgres.sh stop FOLDER     stop it and remove FOLDER
# TALLYVOX_PG_DURABLE=1 keeps the server's syncs to disk (for benchmarks; the
# tests do without them).
# Without the server's programs, start writes FOLDER/missing and succeeds, and
# the tests skip saying so.
set -euo pipefail
action=$1
folder=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
user=nobody
settings="-k $folder -c listen_addresses=''"
if [ "${TALLYVOX_PG_DURABLE:-0}" != 1 ]; then
  settings+=" -c fsync=off -c full_page_writes=off"
fi

as_user() {
  if [ "$(id -u)" = 0 ]; then
    runuser -u "$user" -- "$@"
  else
    "$@"
  fi
}

server() {
  as_user "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 "$@" >/dev/null
}

case "$action" in
  start)
    if [ -d "$folder" ]; then
      "$0" stop "$folder" || true
    fi
    mkdir -p "$folder"
    if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
      echo "PostgreSQL server programs not found (Debian package postgresql)" >"$folder/missing"
      exit 0
    fi
    [ "$(id -u)" = 0 ] && chown "$user" "$folder"
    as_user "$bin/initdb" -D "$folder/data" -U tallyvox -A trust -E UTF8 --no-sync >"$folder/initdb.log"
    server -o "$settings" start
    ;;
  pause)
    server -m fast stop
    ;;
  resume)
    server -o "$settings" start
    ;;
  stop)
    if [ -f "$folder/data/postmaster.pid" ]; then
      server -m immediate stop || true
    fi
    rm -rf "$folder"
    ;;
  *)
    echo "usage: $0 start|pause|resume|stop FOLDER" >&2
    exit 2
    ;;
esac
