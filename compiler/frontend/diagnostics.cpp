#include "frontend/diagnostics.h"

#include <cstdio>
#include <cstring>

#include "core/firmware.h"
#include "core/hooks.h"
#include "core/options.h"
#include "frontend/line_reader.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"

Diagnostics diag;

void reset_diagnostics() { diag = Diagnostics{.error_count = diag.error_count}; }

void print_error_ln(const char *msg) {
  diag.error_count++;
  if (hooks.report) {
    hooks.report(hooks.report_context, reader.current_filename, diag.g_linenum, error_column(),
                 DiagnosticSeverity::Error, msg);
  } else {
    printf("%s\n%s", reader.line, "-ERROR ");
    fprintf(stderr, "%s\n%s", reader.line, "-ERROR ");
    printf(" %s: %d: %s\n", reader.current_filename, diag.g_linenum, msg);
    fprintf(stderr, " %s: %d: %s\n", reader.current_filename, diag.g_linenum, msg);
  }
  if (diag.firstERR == 0) diag.firstERR = diag.g_linenum;
  diag.error_seen = 1;
}

void report_plain_error(const char *printed, const char *message) {
  if (hooks.report)
    hooks.report(hooks.report_context, reader.current_filename, diag.g_linenum, 0, DiagnosticSeverity::Error, message);
  else
    fputs(printed, stdout);
}

void fatal_error(const char *msg, ExitStatus status) {
  print_error_ln(msg);
  end_process(status);
}

namespace {

struct MapKind {
  uint8_t type;
  const char *format;
  bool code_address;
  // Size printed: the symbol's size, or a fixed value.
  bool uses_size;
  int32_t fixed_size;
};

constexpr MapKind map_kinds[] = {
    {'A', "> 0x%08X WORD   %s%s %d\n", false, false, 1},
    {'C', "> 0x%08X SINGLE %s%s %d\n", false, false, 1},
    {'R', "> 0x%08X STRING %s%s %d\n", false, true, 0},
    {'Q', "> 0x%08X ARRAY  %s%s %d\n", false, true, 0},
    {'S', "> 0x%08X FARRAY %s%s %d\n", false, true, 0},
    {'I', "> 0x%08X INTPTR %s%s %d\n", false, false, 1},
    {'X', "> 0x%08X INTPTR %s%s %d\n", false, false, 1},
    {'Y', "> 0x%08X INTPTR %s%s %d\n", false, false, 1},
    {'[', "> 0x%08X INTPTR %s%s %d\n", false, false, 1},
    {'K', "> 0x%08X SNGLPTR %s%s %d\n", false, false, 1},
    {'P', "> 0x%08X PARRAY %s%s %d\n", false, false, 16},
    {SYM_LABEL, "> 0x%08X CODE   %s%s %d\n", true, false, 0},
};

uint32_t code_address(int i) { return code_unit_address(static_cast<uint32_t>(g_symboladdr[i])); }

uint32_t data_address(int i) { return firmware.data_base + 4u * static_cast<uint32_t>(g_symboladdr[i]); }

}  // namespace

void sym_dump(const char *prefix, int first, int last) {
  if (options.DEMOmode) return;
  if (first == 0) {
    fprintf(text_stream(), "> 0x%08X CODE   MAIN 0\n", code_address(0));
    first = 1;
  }
  // Names are packed in index order: walk them instead of searching each.
  uint32_t offset = find_symbol(first);
  for (int i = first; i < last; i++) {
    const char *name = g_symboltable + offset;
    offset += static_cast<uint32_t>(strlen(name)) + 1;
    uint8_t type = g_symbol_type[i];
    if (type == SYM_CSTRING) {
      fprintf(text_stream(), "> 0x%08X CSTRING %s%s 1\n", static_cast<uint32_t>(g_symboladdr[i]), prefix, name);
      continue;
    }
    const MapKind *kind = nullptr;
    for (const MapKind &k : map_kinds)
      if (k.type == type) kind = &k;
    if (!kind) {
      fprintf(text_stream(), "> 0x%08X OTHER %s%s %x\n", data_address(i), prefix, name, type);
      continue;
    }
    fprintf(text_stream(), kind->format, kind->code_address ? code_address(i) : data_address(i), prefix, name,
           kind->uses_size ? g_symbolsize[i] : kind->fixed_size);
  }
}
