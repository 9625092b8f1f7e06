#!/usr/bin/env bash
# A private PostgreSQL 15 server for the tests: its own data folder, listening
# only on 127.0.0.1, owned by an unprivileged user (the server refuses root).
#   scripts/pg-server.sh start DIR [PORT]   prints the connection URI of the owner role
#   scripts/pg-server.sh stop DIR
set -euo pipefail
bin=/usr/lib/postgresql/15/bin
action=${1:?usage: pg-server.sh start|stop DIR [PORT]}
dir=${2:?usage: pg-server.sh start|stop DIR [PORT]}
port=${3:-55432}

as_owner=()
if [[ $(id -u) -eq 0 ]]; then
  as_owner=(runuser -u nobody --)
fi

case "$action" in
  start)
    mkdir -p "$dir"
    if [[ $(id -u) -eq 0 ]]; then chown nobody "$dir"; fi
    chmod 700 "$dir"
    if [[ ! -f "$dir/data/PG_VERSION" ]]; then
      "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U kav_owner --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log"
    fi
    # 200 stations keep two connections each (the poll has its own); the console,
    # kavtool and tests need a few more.
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o \
      "-c listen_addresses=127.0.0.1 -p $port -k $dir -c max_connections=460 -c fsync=on" start >/dev/null
    echo "postgresql://kav_owner@127.0.0.1:$port/postgres"
    ;;
  stop)
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
  *)
    echo "usage: pg-server.sh start|stop DIR [PORT]" >&2
    exit 2
    ;;
esac
