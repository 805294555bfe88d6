// The typed operations the ARM and Thumb back ends do inline, with the
// rule both follow: in integer mode the operations of the back end's
// table, one instruction each; in SINGLE mode NOT as the table's MVN of
// the truth value (a bitwise NOT of a SINGLE is refused) and ABS as the
// instructions that clear the sign bit. The other typed operations call
// their firmware routine.
#pragma once
#include <cstddef>
#include <cstdint>

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "frontend/diagnostics.h"

template <typename Unit>
struct TypedCode {
  uint16_t op;
  Unit code;
};

// Emits op through put when it is done inline in the current mode; false
// when it is not. The table must hold OP_NOT.
template <typename Unit, std::size_t N, std::size_t M>
bool emit_typed_inline(uint16_t op, const TypedCode<Unit> (&integer)[N], const Unit (&single_abs)[M],
                       void (*put)(Unit)) {
  const TypedCode<Unit> *row = nullptr, *mvn = nullptr;
  for (const TypedCode<Unit> &r : integer) {
    if (r.op == op) row = &r;
    if (r.op == OP_NOT) mvn = &r;
  }
  if (emit.integer_ops) {
    if (!row) return false;
    put(row->code);
    return true;
  }
  if (op == OP_NOT) {
    if (emit.bitwise_ops)
      print_error_ln("NOT on SINGLE undefined");
    else
      put(mvn->code);
    return true;
  }
  if (op == OP_ABS) {
    for (Unit u : single_abs) put(u);
    return true;
  }
  return false;
}
