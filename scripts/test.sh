#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Usage: scripts/test.sh   (the build goes to build/, or $KAV_BUILD_DIR)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KAV_BUILD_DIR:-$top/build}

"$top/scripts/install-deps.sh"
# The tests are named on: the demo command configures the same folder without them.
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAV_BUILD_TESTS=ON
cmake --build "$build" -j"$(nproc)"
# The Debian packages: built, checked by lintian, installed into a scratch root.
"$top/scripts/build-packages.sh" "$build/packages"
"$top/scripts/check-packages.sh" "$build/packages"
# Window tests run on Qt's offscreen platform; nothing here needs a display.
export QT_QPA_PLATFORM=offscreen

# A private PostgreSQL server on the loopback interface, in a temporary folder,
# for the engine suite's server cases and a lab check of 200 stations. Its
# superuser is reached through its socket only (pg-server.sh admin); the lab's
# owner kav_owner has no CREATEROLE and gives its password over TCP.
pg_dir=$(mktemp -d /tmp/kav-pg.XXXXXX)
pg_port=${KAV_PG_PORT:-55439}
kavtool=$build/tools/kavtool/kavtool
stop_server() { "$top/scripts/pg-server.sh" stop "$pg_dir" || true; rm -rf "$pg_dir"; }
trap stop_server EXIT
"$top/scripts/pg-server.sh" start "$pg_dir" "$pg_port" >/dev/null
read -ra as_admin <<<"$("$top/scripts/pg-server.sh" admin "$pg_dir" "$pg_port")"
export PGPASSWORD=kav-owner-test
psql "${as_admin[@]}" -d postgres -c "CREATE DATABASE kavlab OWNER kav_owner"
# The administrator's one-time set-up of each database that holds labs: the
# suite's (a schema each) and the lab check's.
for database in postgres kavlab; do
  PGUSER=kav_owner "$kavtool" init-db --print-admin-sql | psql "${as_admin[@]}" -d "$database" >/dev/null
done
export KAV_TEST_PG="host=127.0.0.1 port=$pg_port user=kav_owner dbname=postgres"

ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$(nproc)" --timeout 300

# 200 stations report under forced collection, each with a role of its own
# that lab-check makes and drops: nothing lost or duplicated, no station failed
# (lab-check exits 1 otherwise). Its times are the benchmark's concern.
lab=$pg_dir/lab
mkdir -p "$lab"
printf '[oledb]\r\nProvider=PostgreSQL;Data Source="postgresql://127.0.0.1:%s/kavlab";Jet OLEDB:Database Password="";Persist Security Info=False\r\n' \
  "$pg_port" >"$lab/teacher.udl"
PGUSER=kav_owner "$kavtool" init-db "$lab/teacher.udl"
PGUSER=kav_owner timeout 600 "$kavtool" lab-check "$lab/teacher.udl" --stations 200

stop_server
trap - EXIT
# The administrator guide's recipe, as written, on a new server of its own
# (once the first has stopped: a machine may not have the memory for two).
"$top/scripts/check-guide-recipe.sh" "$top/docs/admin-guide.md" "$kavtool" "$pg_port"

# The whole suite again under ASan and UBSan, then each fuzz target for a bounded
# time (scripts/sanitize-check.sh). The server cases ran above; the sanitizers
# watch the code that reads files, which needs no server.
env -u KAV_TEST_PG "$top/scripts/sanitize-check.sh"
