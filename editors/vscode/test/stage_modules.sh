#!/usr/bin/env bash
# Gives the staged extension the npm packages scripts/install-deps.sh
# installed next to its sources, as a folder of its own: npm (which the
# packager asks for the extension's dependencies) takes a linked
# node_modules for packages that do not belong to it. Hard links when the
# build folder is on the same file system, a copy otherwise.
#   stage_modules.sh SOURCE_FOLDER STAGE_FOLDER
set -euo pipefail
source=$1
stage=$2
if ! cmp -s "$source/package-lock.json" "$source/node_modules/.installed-lock.json"; then
  echo "the npm packages of $source are missing or out of date: run bash scripts/install-deps.sh"
  exit 1
fi
rm -rf "$stage/node_modules"
cp -al "$source/node_modules" "$stage/node_modules" 2>/dev/null || cp -a "$source/node_modules" "$stage/node_modules"
echo "$(ls "$stage/node_modules" | wc -l) packages staged"
