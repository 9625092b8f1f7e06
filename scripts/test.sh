#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Usage: scripts/test.sh   (the build goes to build/, or $KAV_BUILD_DIR)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KAV_BUILD_DIR:-$top/build}

"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
# The Debian packages: built, checked by lintian, installed into a scratch root.
"$top/scripts/build-packages.sh" "$build/packages"
"$top/scripts/check-packages.sh" "$build/packages"
# Window tests run on Qt's offscreen platform; nothing here needs a display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
