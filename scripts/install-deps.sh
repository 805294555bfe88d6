#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine. Safe to run
# again: apt-get is only called when a package is missing.
set -euo pipefail
packages=(
  g++ cmake ninja-build make libgtest-dev
  # generated code is disassembled and HEX output read back in the tests
  libcapstone-dev srecord libunicorn-dev
  # the simulator reads ELF images and their line tables; its tests convert
  # images with objcopy and debug programs with gdb
  libelf-dev libdw-dev binutils binutils-arm-none-eabi gdb-multiarch
  # WendtermPrint and its tests
  qt6-base-dev fonts-dejavu-core poppler-utils xvfb xauth
)
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
