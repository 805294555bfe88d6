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

// Where a kind's address comes from: the variable area, the code, or the
// symbol's value itself.
enum class MapAddress { Data, Code, Value };

struct MapKind {
  uint8_t type;
  const char *name;
  MapAddress address;
  // Size printed: the symbol's size, or a fixed value.
  bool uses_size;
  int32_t fixed_size;
};

constexpr MapKind map_kinds[] = {
    {'A', "WORD", MapAddress::Data, false, 1},       {'C', "SINGLE", MapAddress::Data, false, 1},
    {'R', "STRING", MapAddress::Data, true, 0},      {'Q', "ARRAY", MapAddress::Data, true, 0},
    {'S', "FARRAY", MapAddress::Data, true, 0},      {'I', "INTPTR", MapAddress::Data, false, 1},
    {'X', "INTPTR", MapAddress::Data, false, 1},     {'Y', "INTPTR", MapAddress::Data, false, 1},
    {'[', "INTPTR", MapAddress::Data, false, 1},     {'K', "SNGLPTR", MapAddress::Data, false, 1},
    {'P', "PARRAY", MapAddress::Data, false, 16},    {SYM_LABEL, "CODE", MapAddress::Code, false, 0},
    {SYM_CSTRING, "CSTRING", MapAddress::Value, false, 1},
};

uint32_t data_address(int32_t addr) { return firmware.data_base + 4u * static_cast<uint32_t>(addr); }

// One line of the map. Kind names are padded to six characters, which
// lines up all but the longer SNGLPTR and CSTRING.
void print_map_line(const MapEntry &e, const char *prefix, const char *name) {
  if (e.other)
    fprintf(text_stream(), "> 0x%08X OTHER %s%s %x\n", e.address, prefix, name, static_cast<unsigned>(e.size));
  else
    fprintf(text_stream(), "> 0x%08X %-6s %s%s %d\n", e.address, e.kind, prefix, name, e.size);
}

}  // namespace

MapEntry map_entry(uint8_t type, int32_t addr, int32_t size) {
  for (const MapKind &k : map_kinds) {
    if (k.type != type) continue;
    uint32_t address = k.address == MapAddress::Data   ? data_address(addr)
                       : k.address == MapAddress::Code ? code_unit_address(static_cast<uint32_t>(addr))
                                                       : static_cast<uint32_t>(addr);
    return {k.name, address, k.uses_size ? size : k.fixed_size, false};
  }
  return {"OTHER", data_address(addr), type, true};
}

void sym_dump(const char *prefix, int first, int last) {
  if (options.DEMOmode) return;
  if (first == 0) {
    // MAIN is a code address even while it is not defined.
    print_map_line({"CODE", code_unit_address(static_cast<uint32_t>(g_symboladdr[0])), 0, false}, "", "MAIN");
    first = 1;
  }
  // Names are packed in index order: walk them instead of searching each.
  uint32_t offset = find_symbol(first);
  for (int i = first; i < last; i++) {
    const char *name = g_symboltable + offset;
    offset += static_cast<uint32_t>(strlen(name)) + 1;
    print_map_line(map_entry(g_symbol_type[i], g_symboladdr[i], g_symbolsize[i]), prefix, name);
  }
}
