#!/usr/bin/env bash
# Runs the administrator guide's recipe for a lab on PostgreSQL as written,
# against a new private server, with only the host, port, passwords and the
# teacher folder substituted: the guide cannot drift from what works.
# Usage: scripts/check-guide-recipe.sh GUIDE KAVTOOL PORT
#   GUIDE   the guide (its block between "<!-- recipe: lab-on-postgresql" and "<!-- /recipe -->")
#   KAVTOOL the built kavtool
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
guide=${1:?usage: check-guide-recipe.sh GUIDE KAVTOOL PORT}
kavtool=$(cd "$(dirname "${2:?}")" && pwd)/$(basename "$2")
port=${3:?usage: check-guide-recipe.sh GUIDE KAVTOOL PORT}

work=$(mktemp -d /tmp/kav-recipe.XXXXXX)
chmod 755 "$work"  # the server runs as another user (pg-server.sh)
stop_server() { "$top/scripts/pg-server.sh" stop "$work/pg" || true; rm -rf "$work"; }
trap stop_server EXIT
KAV_PG_NO_OWNER=1 "$top/scripts/pg-server.sh" start "$work/pg" "$port" >/dev/null
read -ra as_admin <<<"$("$top/scripts/pg-server.sh" admin "$work/pg" "$port")"
mkdir -p "$work/home" "$work/teacher" "$work/bin"
ln -s "$kavtool" "$work/bin/kavtool"

recipe=$(awk '/^<!-- recipe: lab-on-postgresql/ { on = 1; next } /^<!-- \/recipe -->/ { on = 0 }
              on && !/^```/' "$guide")
if [[ -z "$recipe" ]]; then
  echo "check-guide-recipe: $guide holds no recipe block" >&2
  exit 1
fi
# What differs between the guide's lab and this one: how the administrator
# reaches the superuser, the host and port, the password and the folder.
recipe=${recipe//sudo -u postgres psql/psql ${as_admin[*]}}
recipe=${recipe//sudo -u postgres createdb/createdb -h $work/pg -p $port -U postgres}
recipe=${recipe//teacher-pc:5432/127.0.0.1:$port}
recipe=${recipe//OWNERPW/recipe-owner-pw}
recipe=${recipe//\/srv\/kavlor\/teacher/$work/teacher}
env -u PGPASSWORD -u PGUSER -u PGHOST -u PGPORT HOME="$work/home" PATH="$work/bin:$PATH" \
  bash -euo pipefail -c "$recipe"
echo "check-guide-recipe: the guide's recipe ran as written"
