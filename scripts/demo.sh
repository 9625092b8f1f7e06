#!/usr/bin/env bash
# Installs what is missing, builds, makes a demo lab and starts the whole lab on
# it: the teacher's console Mendrix on the teacher folder and the exam client
# Kavlor on the first student machine, side by side.
# Usage: scripts/demo.sh [LAB_DIR]      (default: ~/kavlor-demo; an existing lab is reused)
# On a desktop each program gets its own X server window (Xephyr), placed side by
# side whether or not a window manager runs: the client needs a screen of exactly
# 800 x 600, and your own screen mode is left alone. Without a desktop both run
# on virtual screens.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KAV_BUILD_DIR:-$top/build}
lab=${1:-$HOME/kavlor-demo}

"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAV_BUILD_TESTS=OFF
cmake --build "$build" -j"$(nproc)" --target Kavlor Mendrix kavtool

if [[ ! -f "$lab/teacher/teacher.mdb" ]]; then
  "$build/tools/kavtool/kavtool" demo-lab "$lab"
fi
lab=$(cd "$lab" && pwd)
echo "Demo lab: $lab  (teacher folder $lab/teacher, student machine $lab/station1, drive c: $lab/c)"
echo "Console login: admin / admin.  Candidates: 110199990001 … 110199990050."

export KAVLOR_DRIVE_C="$lab/c"
servers=()
trap 'for p in "${servers[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT

# Starts an X server on display $1 with the remaining arguments and waits until it answers.
start_server() {
  local display=$1
  shift
  "$@" >/dev/null 2>&1 &
  servers+=($!)
  for _ in $(seq 50); do
    DISPLAY=$display xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "The X server $display did not start." >&2
  exit 1
}

if [[ -n "${DISPLAY:-}" ]]; then
  # The desktop's size decides the console's window: the rest of the width beside the client.
  read -r width height < <(xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2] }')
  console_width=$(( width - 800 - 8 > 640 ? width - 800 - 8 : 640 ))
  console_height=$(( height - 80 > 600 ? height - 80 : 600 ))
  start_server :46 Xephyr :46 -screen "${console_width}x${console_height}+0+0" -ac -title "Mendrix demo (teacher)"
  start_server :47 Xephyr :47 -screen "800x600+$(( width - 800 ))+0" -ac -title "Kavlor demo (station1)"
else
  echo "No desktop (DISPLAY is not set): running on virtual screens." >&2
  start_server :46 Xvfb :46 -screen 0 1280x800x24
  start_server :47 Xvfb :47 -screen 0 800x600x24
fi

(cd "$lab/teacher" && DISPLAY=:46 exec "$build/console/Mendrix") &
console=$!
(cd "$lab/station1" && DISPLAY=:47 exec "$build/client/Kavlor") &
client=$!
echo "The console switches the lab's mode (设置与评分); the client follows within two seconds."
wait "$console" "$client" || true
