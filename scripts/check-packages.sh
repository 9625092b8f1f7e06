#!/usr/bin/env bash
# Installs the packages into a scratch root (a dpkg database of its own, no
# network, the machine's libraries), runs the installed programs, upgrades them,
# removes and purges them, and fails on anything left behind.
# Usage: scripts/check-packages.sh [DIR]   (the .deb files; default build/packages)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
debs=$(realpath "${1:-$top/build/packages}")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "check-packages: $*" >&2; exit 1; }

mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
touch "$root/var/lib/dpkg/status"
# Their dependencies are the machine's own packages, not the scratch root's.
dpkg_root=(dpkg --root="$root" --force-depends --force-not-root)

"${dpkg_root[@]}" -i "$debs"/kavlor_*.deb "$debs"/mendrix_*.deb >/dev/null
for f in usr/bin/Kavlor usr/bin/Mendrix usr/bin/mendrix usr/bin/kavtool usr/libexec/kavlor/kavlor-session \
         usr/libexec/kavlor/kavlor-word-grader usr/libexec/mendrix/kavlor-word-grader usr/share/kavlor/openbox/rc.xml usr/share/kavlor/openbox/menu.xml \
         usr/share/xsessions/kavlor.desktop etc/kavlor/station.conf etc/X11/xorg.conf.d/50-kavlor-station.conf \
         etc/mendrix/mendrix.conf usr/share/applications/mendrix.desktop \
         usr/share/icons/hicolor/scalable/apps/mendrix.svg usr/share/man/man1/kavtool.1.gz; do
  [[ -e "$root/$f" ]] || fail "not installed: /$f"
done
sh -n "$root/usr/libexec/kavlor/kavlor-session" && sh -n "$root/usr/bin/mendrix"
if command -v xmllint >/dev/null 2>&1; then
  xmllint --noout "$root/usr/share/kavlor/openbox/rc.xml" "$root/usr/share/kavlor/openbox/menu.xml" ||
    fail "the station's openbox settings are not well-formed"
fi
# Both packages' Word graders run and answer a call without a document with their usage status.
for grader in "$root"/usr/libexec/{kavlor,mendrix}/kavlor-word-grader; do
  status=0
  "$grader" </dev/null >/dev/null || status=$?
  [[ $status -eq 2 ]] || fail "$grader does not run (status $status)"
done

# The installed kavtool, from a folder outside the source tree.
run=$(mktemp -d -p "$root")
kavtool="$root/usr/bin/kavtool"
(cd "$run" && "$kavtool" --version | grep -q '^kavtool ') || fail "kavtool --version"
mkdir -p "$run/init"
(cd "$run" && "$kavtool" init-db "$run/init/teacher.mdb" >/dev/null) || fail "kavtool init-db"
"$kavtool" station "$run/init/teacher.mdb" | grep -q korl || fail "kavtool station cannot read the new teacher.mdb"
"$kavtool" demo-lab "$run/lab" >/dev/null || fail "kavtool demo-lab"
[[ -s "$run/lab/teacher/word/$(ls "$run/lab/teacher/word" | head -n1)" ]] || fail "demo lab without Word documents"
"$kavtool" setup-teacher "$run/teacher" --owner nobody >/dev/null || fail "kavtool setup-teacher"
for f in stu.mdb teacher.mdb readme.htm txt word file; do
  [[ -e "$run/teacher/$f" ]] || fail "setup-teacher made no $f"
done
rm -rf "$run"

# An upgrade keeps a settings file the administrator changed.
echo "TEACHER_SHARE=/srv/share-of-this-lab" >> "$root/etc/kavlor/station.conf"
next=$(mktemp -d)
for deb in "$debs"/kavlor_*.deb "$debs"/mendrix_*.deb; do
  dpkg-deb -R "$deb" "$next/x"
  sed -i -E 's/^(Version: .*)$/\1+next/' "$next/x/DEBIAN/control"
  dpkg-deb -b "$next/x" "$next/" >/dev/null
  rm -rf "$next/x"
done
"${dpkg_root[@]}" -i "$next"/*.deb >/dev/null
rm -rf "$next"
grep -q '^TEACHER_SHARE=/srv/share-of-this-lab$' "$root/etc/kavlor/station.conf" || fail "the upgrade lost a changed setting"
"${dpkg_root[@]}" -s kavlor | grep -q '^Version: .*+next$' || fail "kavlor was not upgraded"

# Removal keeps the settings; purge leaves nothing but dpkg's own records.
"${dpkg_root[@]}" -r kavlor mendrix >/dev/null
[[ ! -e "$root/usr/bin/Kavlor" && ! -e "$root/usr/bin/kavtool" ]] || fail "programs left after removal"
[[ -e "$root/etc/kavlor/station.conf" ]] || fail "removal took the station settings"
"${dpkg_root[@]}" -P kavlor mendrix >/dev/null
left=$(find "$root" -mindepth 1 ! -path "$root/var" ! -path "$root/var/lib" ! -path "$root/var/lib/dpkg*" \
            ! -path "$root/var/log*" -print)
[[ -z "$left" ]] || fail "left after purge: $left"
echo "check-packages: kavlor and mendrix install, run, upgrade, remove and purge cleanly"
