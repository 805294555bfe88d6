#include "compile/symbol_map.h"

#include <cstdio>
#include <cstring>

#include "codegen/emit.h"
#include "compile/procedures.h"
#include "core/firmware.h"
#include "core/hooks.h"
#include "core/options.h"
#include "frontend/symbols.h"
#include "frontend/tokenizer.h"

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
    {SYM_INTEGER, "WORD", MapAddress::Data, false, 1},
    {SYM_SINGLE, "SINGLE", MapAddress::Data, false, 1},
    {SYM_STRING, "STRING", MapAddress::Data, true, 0},
    {SYM_INT_ARRAY, "ARRAY", MapAddress::Data, true, 0},
    {SYM_SINGLE_ARRAY, "FARRAY", MapAddress::Data, true, 0},
    {SYM_INT_PTR, "INTPTR", MapAddress::Data, false, 1},
    {SYM_STRING_PTR, "INTPTR", MapAddress::Data, false, 1},
    {SYM_INT_ARRAY_PTR, "INTPTR", MapAddress::Data, false, 1},
    {SYM_SINGLE_ARRAY_PTR, "INTPTR", MapAddress::Data, false, 1},
    {SYM_SINGLE_PTR, "SNGLPTR", MapAddress::Data, false, 1},
    {SYM_PARAM_ARRAY, "PARRAY", MapAddress::Data, false, PARAM_BLOCK_WORDS},
    {SYM_LABEL, "CODE", MapAddress::Code, false, 0},
    {SYM_CSTRING, "CSTRING", MapAddress::Value, false, 1},
};

uint32_t code_address(int32_t addr) { return code_unit_address(static_cast<uint32_t>(addr)); }

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
                       : k.address == MapAddress::Code ? code_address(addr)
                                                       : static_cast<uint32_t>(addr);
    return {k.name, address, k.uses_size ? size : k.fixed_size, false};
  }
  return {"OTHER", data_address(addr), type, true};
}

void sym_dump(const char *prefix, int first, int last) {
  if (options.DEMOmode) return;
  if (first == 0) {
    // MAIN is a code address even while it is not defined.
    print_map_line({"CODE", code_address(g_symboladdr[0]), 0, false}, "", "MAIN");
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

const char *routine_map_kind(int sym) {
  switch (function_result(static_cast<uint16_t>(TOK_SYMBOL + sym))) {
    case SYM_STRING: return "SFUNCT";
    case SYM_SINGLE: return "FFUNCT";
    case SYM_INTEGER: return "WFUNCT";
    default: return "SUB   ";
  }
}

void print_routine_map_line(int sym, const char *name, int params) {
  if (options.DEMOmode) return;
  fprintf(text_stream(), "> 0x%08X %s %s %d\n", code_address(g_symboladdr[sym]), routine_map_kind(sym), name, params);
}

void print_memory_map_line() {
  fprintf(text_stream(), "\n\"MAP CODE (bytes):&H%x CONST:&H%x DATA:&H%x STRING:&H%x\"\n\n\n",
         static_cast<unsigned>(code_unit_address(emit.fCODE)),
         static_cast<unsigned>(firmware.string_area_top + static_cast<uint32_t>(cstrings.ConstantStringPtr) - 0x20000u),
         static_cast<unsigned>(vars.g_VSP * 4), static_cast<unsigned>(vars.g_VSPdim * 4));
}
