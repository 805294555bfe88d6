#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine. Safe to run
# again: apt-get is only called when a package is missing.
set -euo pipefail
packages=(
  g++ cmake ninja-build make libgtest-dev
  # generated code is disassembled and HEX output read back in the tests
  libcapstone-dev srecord libunicorn-dev
  # ELF images (libelf) and their read-back: binutils, gdb, libdw, intelhex;
  # the simulator reads ELF images and their line tables, its tests convert
  # images with objcopy and debug programs with gdb
  libelf-dev libdw-dev binutils binutils-arm-none-eabi gdb-multiarch python3-intelhex
  # WendtermPrint and its tests
  qt6-base-dev fonts-dejavu-core poppler-utils xvfb xauth
  # the command line's JSON and SARIF diagnostics (and the language
  # server's JSON); the SARIF schema check
  nlohmann-json3-dev nodejs
  # the editor extension's package is read back
  unzip
  # scripts/fuzz.sh: libFuzzer builds with clang, AFL++ for whole programs
  clang libfuzzer-14-dev afl++
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Debian's nodejs comes without npm; other builds of node bring their own.
command -v npm > /dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi
# npm packages pinned by lock files, installed again only when the lock file
# changed: the SARIF 2.1.0 schema check of the tests (tests/cli/sarif), and
# the editor extension's language client, grammar test and packager
# (editors/vscode).
for dir in tests/cli/sarif editors/vscode; do
  if ! cmp -s "$dir/package-lock.json" "$dir/node_modules/.installed-lock.json"; then
    npm ci --prefix "$dir" --no-audit --no-fund
    cp "$dir/package-lock.json" "$dir/node_modules/.installed-lock.json"
  fi
done
