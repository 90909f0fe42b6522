#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tintext needs.
# Only missing packages are installed, so a second run is quick.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libpcre2-dev qt6-base-dev unixodbc-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  man-db groff-base
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
