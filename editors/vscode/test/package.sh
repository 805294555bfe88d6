#!/usr/bin/env bash
# Packages the staged extension into a .vsix with vsce and checks what it
# holds: the generated grammar, the manifest's parts, the language client,
# and none of the packages only the build and tests use.
set -euo pipefail
stage=$1
cd "$stage"
rm -f ombrik.vsix
node_modules/.bin/vsce package --skip-license --allow-missing-repository --out ombrik.vsix
listing=$(unzip -Z1 ombrik.vsix)
for f in extension.vsixmanifest extension/package.json extension/extension.js extension/readme.md \
         extension/language-configuration.json extension/snippets/ombrik.code-snippets \
         extension/syntaxes/ombrik.tmLanguage.json \
         extension/node_modules/vscode-languageclient/package.json; do
  grep -qxi "$f" <<<"$listing" || { echo "the .vsix lacks $f"; exit 1; }
done
for dev in @vscode/vsce vscode-tmgrammar-test; do
  if grep -q "^extension/node_modules/$dev/" <<<"$listing"; then
    echo "the .vsix holds the development package $dev"
    exit 1
  fi
done
unzip -p ombrik.vsix extension/syntaxes/ombrik.tmLanguage.json | cmp - syntaxes/ombrik.tmLanguage.json
unzip -p ombrik.vsix extension/package.json | node -e '
  const m = JSON.parse(require("fs").readFileSync(0, "utf8"));
  const lang = m.contributes.languages[0];
  if (m.name !== "ombrik" || lang.id !== "ombrik" || !lang.extensions.includes(".bas"))
    throw new Error("unexpected manifest: " + JSON.stringify(lang));'
echo "ombrik.vsix: $(wc -c < ombrik.vsix) bytes, $(wc -l <<<"$listing") files"
