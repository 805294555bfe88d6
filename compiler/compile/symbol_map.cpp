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

struct MapKind {
  uint8_t type;
  const char *format;
  bool code_address;
  // Size printed: the symbol's size, or a fixed value.
  bool uses_size;
  int32_t fixed_size;
};

constexpr MapKind map_kinds[] = {
    {SYM_INTEGER, "> 0x%08X WORD   %s%s %d\n", false, false, 1},
    {SYM_SINGLE, "> 0x%08X SINGLE %s%s %d\n", false, false, 1},
    {SYM_STRING, "> 0x%08X STRING %s%s %d\n", false, true, 0},
    {SYM_INT_ARRAY, "> 0x%08X ARRAY  %s%s %d\n", false, true, 0},
    {SYM_SINGLE_ARRAY, "> 0x%08X FARRAY %s%s %d\n", false, true, 0},
    {SYM_INT_PTR, "> 0x%08X INTPTR %s%s %d\n", false, false, 1},
    {SYM_STRING_PTR, "> 0x%08X INTPTR %s%s %d\n", false, false, 1},
    {SYM_INT_ARRAY_PTR, "> 0x%08X INTPTR %s%s %d\n", false, false, 1},
    {SYM_SINGLE_ARRAY_PTR, "> 0x%08X INTPTR %s%s %d\n", false, false, 1},
    {SYM_SINGLE_PTR, "> 0x%08X SNGLPTR %s%s %d\n", false, false, 1},
    {SYM_PARAM_ARRAY, "> 0x%08X PARRAY %s%s %d\n", false, false, PARAM_BLOCK_WORDS},
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

void print_routine_map_line(int sym, bool function, const char *name, int params) {
  if (options.DEMOmode) return;
  const char *kind = "SUB   ";
  if (function) {
    uint8_t result = function_result(static_cast<uint16_t>(TOK_SYMBOL + sym));
    kind = result == SYM_STRING ? "SFUNCT" : result == SYM_SINGLE ? "FFUNCT" : "WFUNCT";
  }
  fprintf(text_stream(), "> 0x%08X %s %s %d\n", code_address(sym), kind, name, params);
}

void print_memory_map_line() {
  fprintf(text_stream(), "\n\"MAP CODE (bytes):&H%x CONST:&H%x DATA:&H%x STRING:&H%x\"\n\n\n",
         static_cast<unsigned>(code_unit_address(emit.fCODE)),
         static_cast<unsigned>(firmware.string_area_top + static_cast<uint32_t>(cstrings.ConstantStringPtr) - 0x20000u),
         static_cast<unsigned>(vars.g_VSP * 4), static_cast<unsigned>(vars.g_VSPdim * 4));
}
