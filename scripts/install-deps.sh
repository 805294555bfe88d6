#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine. Safe to run
# again: apt-get is only called when a package is missing.
set -euo pipefail
packages=(
  g++ cmake ninja-build make libgtest-dev
  # generated code is disassembled and HEX output read back in the tests
  libcapstone-dev srecord libunicorn-dev
  # WendtermPrint and its tests
  qt6-base-dev fonts-dejavu-core poppler-utils xvfb xauth
  # the language server's JSON; unzip reads the packaged editor extension back
  nlohmann-json3-dev unzip
)
# The editor extension is tested and packaged with npm packages. A machine
# that already has Node.js and npm (from any source) keeps them.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  packages+=(nodejs npm)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi
