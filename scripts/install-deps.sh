#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo lab need.
# Runs as root on a fresh Debian 12 machine; does nothing when all are present.
#   scripts/install-deps.sh            build, tests, demo
#   scripts/install-deps.sh --fixtures also the office software that regenerates test documents
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libsqlcipher-dev sqlcipher sqlite3
  libpq-dev postgresql-15 postgresql-client-15
  libpugixml-dev libzip-dev zlib1g-dev libcrypt-dev libssl-dev
  libcsv-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk fonts-wqy-microhei
  libxlsxwriter-dev fonts-liberation2 fonts-arphic-ukai poppler-utils
  xvfb xserver-xephyr xauth x11-utils x11-xserver-utils imagemagick openbox xdotool xdg-utils
  libxcb1-dev libxcb-xtest0-dev
  dpkg-dev debhelper fakeroot help2man lintian
  clang libclang-rt-dev llvm
)
if [[ "${1:-}" == "--fixtures" ]]; then
  packages+=(libreoffice-writer-nogui python3-uno python3-docx)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  echo "install-deps: installing ${missing[*]} with sudo" >&2
  as_root=(sudo)
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
