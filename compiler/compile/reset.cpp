#include "compile/reset.h"

#include "codegen/emit.h"
#include "codegen/operations.h"
#include "compile/assignment.h"
#include "compile/expression.h"
#include "compile/procedures.h"
#include "compile/statement.h"
#include "core/firmware.h"
#include "core/options.h"
#include "frontend/declarations.h"
#include "frontend/diagnostics.h"
#include "frontend/line_reader.h"
#include "frontend/source_lines.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"

uint32_t reset_generation = 0;

void reset_program() {
  layout_from_table();
  compute_firmware_facts();
  reset_constant_strings();
  reset_source_lines();
  reset_symbols();
  reset_declarations();
  reset_codegen();
  reset_procedures();
  reset_diagnostics();
  program = ProgramState{};
  expr = ExpressionState{};
  assignment = AssignmentState{};
}

void init_compiler() {
  reset_generation++;
  reset_program();
  // The start-up jumps are jumps to known code positions; MAIN redirects
  // them (add_op and the back ends know which).
  switch (firmware.startup) {
    case StartupForm::OneThumbCall: add_op(OP_JMPBACK, 2); break;
    case StartupForm::TwoThumbCalls:
      add_op(OP_JMPBACK, 2);
      add_op(OP_JMPBACK, 4);
      break;
    case StartupForm::OneArmJump: add_op(OP_JMPBACK, 1); break;
    case StartupForm::FourArmJumps:
      // Each jump leads to the unit behind it, until MAIN redirects one.
      for (int k = 0; k < 4; k++) add_op(OP_JMPBACK, static_cast<int32_t>(emit.fCODE + 1));
      break;
  }
}

void reset_to_startup() {
  clear_constant_strings();
  clear_symbol_tables();
  reset_firmware();
  options = Options{};
  reader = LineReader{};
  diag = Diagnostics{};
  init_compiler();
}
