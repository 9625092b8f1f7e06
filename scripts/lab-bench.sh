#!/usr/bin/env bash
# The lab-scale figures, a database file and a private PostgreSQL server side by
# side in one run: 200 simulated stations under forced collection, 200
# simultaneous reports (bench_report), and a collection of 200 during which the
# server is restarted. Prints the load average before each step: on a shared
# machine the figures mean little without it.
# Usage: scripts/lab-bench.sh [STATIONS]   (after a build in build/, or $KAV_BUILD_DIR)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KAV_BUILD_DIR:-$top/build}
stations=${1:-200}
kavtool=$build/tools/kavtool/kavtool
bench=$build/tests/db/bench_report

work=$(mktemp -d /tmp/kav-lab-bench.XXXXXX)
chmod 755 "$work"  # the server runs as another user (pg-server.sh)
pg_port=${KAV_PG_PORT:-55440}
stop_server() { "$top/scripts/pg-server.sh" stop "$work/pg" || true; rm -rf "$work"; }
trap stop_server EXIT
"$top/scripts/pg-server.sh" start "$work/pg" "$pg_port" >/dev/null
read -ra as_admin <<<"$("$top/scripts/pg-server.sh" admin "$work/pg" "$pg_port")"
export PGUSER=kav_owner PGPASSWORD=kav-owner-test
psql "${as_admin[@]}" -d postgres -c "CREATE DATABASE kavlab OWNER kav_owner"
"$kavtool" init-db --print-admin-sql | psql "${as_admin[@]}" -d kavlab >/dev/null

mkdir -p "$work/file" "$work/server"
"$kavtool" init-db "$work/file/teacher.mdb" >/dev/null
printf '[oledb]\r\nProvider=PostgreSQL;Data Source="postgresql://127.0.0.1:%s/kavlab";Jet OLEDB:Database Password="";Persist Security Info=False\r\n' \
  "$pg_port" >"$work/server/teacher.udl"
"$kavtool" init-db "$work/server/teacher.udl" >/dev/null

step() { echo "== $1 (load average: $(cut -d' ' -f1-3 /proc/loadavg))"; }
for db in "$work/file/teacher.mdb" "$work/server/teacher.udl"; do
  step "lab-check $stations stations, $(basename "$db")"
  "$kavtool" lab-check "$db" --stations "$stations" | tail -4
done
# The server stops at once, as in a crash (its postmaster told to quit
# immediately), and starts again 3 s after it has gone.
pid=$work/pg/data/postmaster.pid
step "lab-check $stations stations, server stopped once collection is set, back 3 s after"
"$kavtool" lab-check "$work/server/teacher.udl" --stations "$stations" \
  --during-collection "kill -QUIT \$(head -1 '$pid'); while [ -e '$pid' ]; do sleep 0.1; done; sleep 3;
                       '$top/scripts/pg-server.sh' start '$work/pg' $pg_port >/dev/null" | tail -5
# bench_report's rows stay: lab-check would see them as a running exam.
for db in "$work/file/teacher.mdb" "$work/server/teacher.udl"; do
  step "bench_report $stations processes, $(basename "$db")"
  "$bench" --processes "$stations" --rows 2000 "$db" | tail -3
done
