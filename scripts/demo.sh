#!/usr/bin/env bash
# Installs what is missing, builds, makes a demo lab and starts the exam client on it.
# Usage: scripts/demo.sh [LAB_DIR]      (default: ~/kavlor-demo; an existing lab is reused)
# The client runs in its own 800 x 600 X server (Xephyr) on your desktop, so that
# your screen mode is left alone; without a desktop it runs on a virtual screen.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KAV_BUILD_DIR:-$top/build}
lab=${1:-$HOME/kavlor-demo}

"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAV_BUILD_TESTS=OFF
cmake --build "$build" -j"$(nproc)" --target Kavlor kavtool

if [[ ! -f "$lab/teacher/teacher.mdb" ]]; then
  "$build/tools/kavtool/kavtool" demo-lab "$lab"
fi
echo "Demo lab: $lab  (teacher folder $lab/teacher, student machine $lab/station1, drive c: $lab/c)"
echo "Switch the lab's mode from another terminal, for example:"
echo "  $build/tools/kavtool/kavtool station $lab/teacher/teacher.mdb --korl 2"

export KAVLOR_DRIVE_C="$lab/c"
cd "$lab/station1"
if [[ -n "${DISPLAY:-}" ]]; then
  Xephyr :47 -screen 800x600 -ac -title "Kavlor demo" >/dev/null 2>&1 &
  xephyr=$!
  trap 'kill $xephyr 2>/dev/null || true' EXIT
  sleep 1
  DISPLAY=:47 "$build/client/Kavlor"
else
  echo "No desktop (DISPLAY is not set): running on a virtual 800 x 600 screen." >&2
  xvfb-run -a -s "-screen 0 800x600x24" "$build/client/Kavlor"
fi
