// Compiling a program for the editor: the preprocessor and an in-process
// compile session over the editor's buffers, and what the compiler's
// declaration table, symbol table and symbol map then say about every
// symbol.
#pragma once
#include "lsp/analysis.h"

namespace lsp {

Analysis compile_for_editor(const CompileRequest &request);

}  // namespace lsp
