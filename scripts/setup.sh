#!/usr/bin/env bash
# Installs every package the build, the tests and the demo need. Idempotent; run as root.
set -euo pipefail
PACKAGES=(
  build-essential cmake g++ pkg-config ccache clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libicu-dev
  mariadb-server mariadb-client
  poppler-utils xvfb x11-apps imagemagick fonts-dejavu-core
  time
  nginx apache2
)
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
