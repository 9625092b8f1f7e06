#!/usr/bin/env bash
# Builds the Debian packages kavlor (stations) and mendrix (teacher machine)
# from the files of this work tree with dpkg-buildpackage, and checks them with
# lintian. Usage: scripts/build-packages.sh [OUTDIR]   (default build/packages)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$top/build/packages}")
version=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# dpkg-buildpackage writes its results beside the source tree: build in a copy
# of the tracked files, so the work tree stays as it is.
src="$work/kavlor-lab-$version"
mkdir -p "$src"
git -C "$top" ls-files -z --cached --others --exclude-standard | (cd "$top" && tar --null -T - -cf -) | tar -xf - -C "$src"
(cd "$src" && dpkg-buildpackage -us -uc -b -j"$(nproc)")

mkdir -p "$out"
rm -f "$out"/*.deb
cp "$work"/*.deb "$out"/
lintian --fail-on error "$out"/*.deb
ls "$out"/*.deb
