#!/usr/bin/env bash
# Every token and operation code has one home: frontend/tokens.def and
# codegen/operations.def, from which frontend/tokens.h and
# codegen/operations.h make the TOK_ and OP_ constants. Fails, naming the
# lines, when any other source under the compiler declares such a constant
# or a namespace of codes of its own.
set -u
root=$1
found=$(grep -rnE --include='*.h' --include='*.cpp' \
          -e '(constexpr|const|#define)[^;(]*\b(TOK|OP)_[A-Za-z0-9_]+\b *=' \
          -e '^ *(TOK|OP)_[A-Za-z0-9_]+ *= *[0-9]' \
          -e 'namespace +(tok|op|tokens|ops) *\{' "$root" |
        grep -v -e "^$root/frontend/tokens.h:" -e "^$root/codegen/operations.h:")
if [ -n "$found" ]; then
  printf '%s\n' "$found"
  echo "token and operation codes belong in frontend/tokens.def and codegen/operations.def"
  exit 1
fi
