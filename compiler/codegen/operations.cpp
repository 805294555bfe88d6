#include "codegen/operations.h"

#include "codegen/emit.h"
#include "core/firmware.h"
#include "frontend/diagnostics.h"

namespace {
constexpr int16_t NONE = FW_NONE, TABLE = FW_BY_TABLE, NOSINGLE = FW_SINGLE_UNDEF;
}

// In code order. Where the integer and SINGLE columns agree the operation's
// firmware routine does not depend on the operand type.
constexpr Operation operation_set[] = {
    {OP_NOP, "OP_NOP", NONE, NONE},
    {OP_ACC2IDX, "OP_ACC2IDX", NONE, NONE},
    {OP_LDARR, "OP_LDARR", NONE, NONE},
    {OP_STARR, "OP_STARR", NONE, NONE},
    {OP_MUL, "OP_MUL", NONE, 51},
    {OP_SHL, "OP_SHL", NONE, NONE},
    {OP_DIV, "OP_DIV", 15, 50},
    {OP_MOD, "OP_MOD", 42, NOSINGLE},
    {OP_IDX2ACC, "OP_IDX2ACC", NONE, NONE},
    {OP_POPACC, "OP_POPACC", NONE, NONE},
    {OP_ACC2OPND, "OP_ACC2OPND", NONE, NONE},
    {OP_ITOF, "OP_ITOF", 28, 28},
    {OP_OPND_ITOF, "OP_OPND_ITOF", 29, 29},
    {OP_FTOI, "OP_FTOI", 25, 25},
    {OP_OPND_FTOI, "OP_OPND_FTOI", TABLE, TABLE},
    {OP_ADD, "OP_ADD", NONE, 46},
    {OP_SUB, "OP_SUB", NONE, 47},
    {OP_OPND2IDX, "OP_OPND2IDX", NONE, NONE},
    {OP_IADD, "OP_IADD", NONE, NONE},
    {OP_ISUB, "OP_ISUB", NONE, NONE},
    {OP_IRSUB, "OP_IRSUB", NONE, NONE},
    {OP_LABEL, "OP_LABEL", NONE, NONE},
    {OP_SHR, "OP_SHR", NONE, NOSINGLE},
    {OP_TSHL, "OP_TSHL", NONE, NOSINGLE},
    {OP_NEWSTR, "OP_NEWSTR", 44, 44},
    {OP_ADDSTR, "OP_ADDSTR", 10, 10},
    {OP_ADDSBYTE, "OP_ADDSBYTE", 9, 9},
    {OP_LEFT, "OP_LEFT", 34, 34},
    {OP_RIGHT, "OP_RIGHT", 67, 67},
    {OP_STRCOMP, "OP_STRCOMP", 82, 82},
    {OP_EQ, "OP_EQ", 17, 80},
    {OP_LT, "OP_LT", 39, 72},
    {OP_GT, "OP_GT", 30, 73},
    {OP_LE, "OP_LE", 33, 74},
    {OP_GE, "OP_GE", 18, 75},
    {OP_NE, "OP_NE", 43, 78},
    {OP_GETSTR, "OP_GETSTR", 26, 26},
    {OP_LEN, "OP_LEN", 83, 83},
    {OP_AND, "OP_AND", NONE, NONE},
    {OP_LOGAND, "OP_LOGAND", 35, 35},
    {OP_CALLACC, "OP_CALLACC", NONE, NONE},
    {OP_INTENTRY, "OP_INTENTRY", NONE, NONE},
    {OP_INTEXIT, "OP_INTEXIT", NONE, NONE},
    {OP_OR, "OP_OR", NONE, NONE},
    {OP_LOGOR, "OP_LOGOR", 37, 37},
    {OP_EZHPARAM, "OP_EZHPARAM", NONE, NONE},
    {OP_EZHSAVE, "OP_EZHSAVE", NONE, NONE},
    {OP_EZHRESTORE, "OP_EZHRESTORE", NONE, NONE},
    {OP_EZHRDPER, "OP_EZHRDPER", NONE, NONE},
    {OP_EZHWRPER, "OP_EZHWRPER", NONE, NONE},
    {OP_LOGXOR, "OP_LOGXOR", 38, 38},
    {OP_XOR, "OP_XOR", NONE, NONE},
    {OP_RD_SHALF, "OP_RD_SHALF", NONE, NONE},
    {OP_RD_HALF, "OP_RD_HALF", NONE, NONE},
    {OP_WR_HALF, "OP_WR_HALF", NONE, NONE},
    {OP_JZ, "OP_JZ", NONE, NONE},
    {OP_JMP, "OP_JMP", NONE, NONE},
    {OP_P0, "OP_P0", NONE, NONE},
    {OP_P0_WR, "OP_P0_WR", NONE, NONE},
    {OP_P1, "OP_P1", NONE, NONE},
    {OP_P1_WR, "OP_P1_WR", NONE, NONE},
    {OP_P2, "OP_P2", NONE, NONE},
    {OP_P2_WR, "OP_P2_WR", NONE, NONE},
    {OP_P3, "OP_P3", NONE, NONE},
    {OP_P3_WR, "OP_P3_WR", NONE, NONE},
    {OP_P4, "OP_P4", NONE, NONE},
    {OP_P4_WR, "OP_P4_WR", NONE, NONE},
    {OP_P5, "OP_P5", NONE, NONE},
    {OP_P5_WR, "OP_P5_WR", NONE, NONE},
    {OP_TXFREE, "OP_TXFREE", 122, 122},
    {OP_RXD, "OP_RXD", 24, 24},
    {OP_TXD, "OP_TXD", 77, 77},
    {OP_RXD0, "OP_RXD0", 24, 24},
    {OP_TXD0, "OP_TXD0", 77, 77},
    {OP_BAUD, "OP_BAUD", 69, 69},
    {OP_RXD1, "OP_RXD1", TABLE, TABLE},
    {OP_TXD1, "OP_TXD1", TABLE, TABLE},
    {OP_BAUD0, "OP_BAUD0", 69, 69},
    {OP_BAUD1, "OP_BAUD1", TABLE, TABLE},
    // The ARM back end reads the timer inline and does not ask for this call.
    {OP_TIMER, "OP_TIMER", 27, 27},
    {OP_AD, "OP_AD", 100, 100},
    {OP_GEN_INT, "OP_GEN_INT", 123, 123},
    {OP_ADDR, "OP_ADDR", NONE, NONE},
    {OP_OPND_ADDR, "OP_OPND_ADDR", NONE, NONE},
    {OP_STRADDR, "OP_STRADDR", NONE, NONE},
    {OP_OPND_STRADDR, "OP_OPND_STRADDR", NONE, NONE},
    {OP_OPND_CONST, "OP_OPND_CONST", NONE, NONE},
    {OP_OPND_CONST2, "OP_OPND_CONST2", NONE, NONE},
    {OP_OPND_LDVAR, "OP_OPND_LDVAR", NONE, NONE},
    {OP_CONST, "OP_CONST", NONE, NONE},
    {OP_LDVAR, "OP_LDVAR", NONE, NONE},
    {OP_RD_BYTE, "OP_RD_BYTE", NONE, NONE},
    {OP_PEEK, "OP_PEEK", NONE, NONE},
    {OP_POKE, "OP_POKE", NONE, NONE},
    {OP_NEXT2OPND, "OP_NEXT2OPND", NONE, NONE},
    {OP_NEG, "OP_NEG", NONE, 49},
    {OP_NOT, "OP_NOT", NONE, NONE},
    {OP_LOGNOT, "OP_LOGNOT", 36, NOSINGLE},
    {OP_STVAR, "OP_STVAR", NONE, NONE},
    {OP_WR_BYTE, "OP_WR_BYTE", NONE, NONE},
    {OP_SAVESTR, "OP_SAVESTR", 68, 68},
    {OP_ABS, "OP_ABS", 8, NONE},
    {OP_HEX, "OP_HEX", 31, 31},
    {OP_STR, "OP_STR", 14, 32},
    {OP_VAL, "OP_VAL", 81, 81},
    {OP_END, "OP_END", NONE, NONE},
    {OP_ACC2NEXT, "OP_ACC2NEXT", NONE, NONE},
    {OP_PUSHACC, "OP_PUSHACC", NONE, NONE},
    {OP_SWAP, "OP_SWAP", NONE, NONE},
    {OP_PUSHNEXT, "OP_PUSHNEXT", NONE, NONE},
    {OP_POPNEXT, "OP_POPNEXT", NONE, NONE},
    {OP_POPOPND, "OP_POPOPND", NONE, NONE},
    {OP_JZBACK, "OP_JZBACK", NONE, NONE},
    {OP_GOTO, "OP_GOTO", NONE, NONE},
    {OP_GOSUB, "OP_GOSUB", NONE, NONE},
    {OP_CALLSUB, "OP_CALLSUB", NONE, NONE},
    {OP_JMPBACK, "OP_JMPBACK", NONE, NONE},
    {OP_CALLBACK, "OP_CALLBACK", NONE, NONE},
    {OP_RETURN, "OP_RETURN", NONE, NONE},
    {OP_SUB_ENTRY, "OP_SUB", NONE, NONE},
    {OP_WAITMICRO, "OP_WAITMICRO", 85, 85},
    {OP_WAIT, "OP_WAIT", 86, 86},
    {OP_PRINTNUM, "OP_PRINTNUM", 55, 45},
    {OP_PRINTTAB, "OP_PRINTTAB", 60, 60},
    {OP_PRINTCR, "OP_PRINTCR", 57, 57},
    {OP_PRINTSTR, "OP_PRINTSTR", 59, 59},
    {OP_PRINTCH, "OP_PRINTCH", 56, 56},
    {OP_DIR, "OP_DIR", 61, 61},
    {OP_DIR_WR, "OP_DIR_WR", 87, 87},
    {OP_IN, "OP_IN", 48, 48},
    {OP_OUT, "OP_OUT", 52, 52},
    {OP_ACC2STRSCR, "OP_ACC2STRSCR", NONE, NONE},
    {OP_REPEAT, "OP_REPEAT", FW_REPEAT_UNDEF, FW_REPEAT_UNDEF},
    {OP_INTFW1, "OP_INTFW1", 116, 116},
    {OP_INTFW2, "OP_INTFW2", 117, 117},
    {OP_INTFW3, "OP_INTFW3", 118, 118},
    {OP_INTFW4, "OP_INTFW4", 119, 119},
    {OP_PRINTF, "OP_PRINTF", 63, 63},
    {OP_SPRINTF, "OP_SPRINTF", 63, 63},
    {OP_MAIN, "OP_MAIN", NONE, NONE},
    {OP_PUSHIDX, "OP_PUSHIDX", NONE, NONE},
    {OP_POPIDX, "OP_POPIDX", NONE, NONE},
    {OP_WRITE, "OP_WRITE", 109, 109},
    {OP_FREAD, "OP_FREAD", 101, 101},
    {OP_INTERRUPT, "OP_INTERRUPT", 110, 110},
    {OP_FILEREADDIR, "OP_FILEREADDIR", 133, 133},
    {OP_FILECLOSE, "OP_FILECLOSE", 137, 137},
    {OP_FILEOPEN, "OP_FILEOPEN", 134, 134},
    {OP_FILEREADBYTE, "OP_FILEREADBYTE", 136, 136},
    {OP_FILEWRITEBYTE, "OP_FILEWRITEBYTE", 135, 135},
    {OP_FILEEOF, "OP_FILEEOF", 131, 131},
    {OP_HTTP, "OP_HTTP", 121, 121},
    {OP_UDPIN, "OP_UDPIN", 114, 114},
    {OP_UDPOUT, "OP_UDPOUT", 115, 115},
    {OP_MAIL, "OP_MAIL", 113, 113},
    {OP_STOP, "OP_STOP", 111, 111},
    {OP_CGIIN, "OP_CGIIN", 112, 112},
    {OP_LASTIP, "OP_LASTIP", 120, 120},
    {OP_SLEEP, "OP_SLEEP", NONE, NONE},
    {OP_DATAEND, "OP_DATAEND", NONE, NONE},
    {OP_ENDSUB, "OP_ENDSUB", NONE, NONE},
    {OP_FOR, "OP_FOR", NONE, NONE},
    {OP_NEXT, "OP_NEXT", NONE, NONE},
    {OP_QUICKSORT, "OP_QUICKSORT", 138, 138},
    {OP_ASM, "OP_ASM", NONE, NONE},
    {OP_ENET_GETIP, "OP_ENET_GETIP", 126, 126},
    {OP_ENET_SETIP, "OP_ENET_SETIP", 127, 127},
    {OP_ENET_INIT, "OP_ENET_INIT", 130, 130},
    {OP_ENET_RCV, "OP_ENET_RCV", 128, 128},
    {OP_ENET_SEND, "OP_ENET_SEND", 129, 129},
};

const int operation_count = static_cast<int>(sizeof operation_set / sizeof operation_set[0]);

namespace {
constexpr bool in_code_order() {
  for (unsigned k = 1; k < sizeof operation_set / sizeof operation_set[0]; k++)
    if (operation_set[k - 1].code >= operation_set[k].code) return false;
  return true;
}
static_assert(in_code_order(), "find_operation searches the table by halves");
}  // namespace

const Operation *find_operation(uint16_t code) {
  // The table is in code order.
  int lo = 0, hi = operation_count - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    if (operation_set[mid].code == code) return &operation_set[mid];
    if (operation_set[mid].code < code)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return nullptr;
}

char nofirm[] = "000 Firmware does not support this feature";

namespace {

void report_missing_entry(int32_t n) {
  uint32_t digits = static_cast<uint32_t>(n) % 1000u;
  nofirm[0] = static_cast<char>('0' + digits / 100);
  nofirm[1] = static_cast<char>('0' + digits / 10 % 10);
  nofirm[2] = static_cast<char>('0' + digits % 10);
  print_error_ln(nofirm);
}

}  // namespace

int32_t GET_ADDR(int32_t n) {
  bool missing = false;
  int32_t word = firmware_entry(n, missing);
  if (missing) report_missing_entry(n);
  return word;
}

uint32_t variable_base() {
  if (firmware.variable_base_missing) report_missing_entry(6);
  return firmware.variable_base;
}

namespace {

// Entry of the serial routines of the second port, which moved between
// firmware generations.
int16_t serial_entry(uint16_t op) {
  bool has_122 = f_table[122] != 0;
  bool old_firmware = firmware.early_serial_entries;
  switch (op) {
    case OP_RXD1:
      if (old_firmware) return 121;
      return has_122 ? 122 : 69;
    case OP_TXD1:
      return has_122 ? 122 : 69;
    default:  // OP_BAUD1
      if (old_firmware) return 69;
      return has_122 ? 122 : 69;
  }
}

}  // namespace

int32_t op_call_entry(int32_t op) {
  if (op < 0 || op > 0xFFFF) return 0;
  const Operation *o = find_operation(static_cast<uint16_t>(op));
  if (!o) return 0;
  int16_t entry = emit.integer_ops ? o->int_entry : o->single_entry;
  switch (entry) {
    case FW_NONE:
      return 0;
    case FW_SINGLE_UNDEF:
      print_error_ln("op for SINGLE undefined");
      return 0;
    case FW_REPEAT_UNDEF:
      print_error_ln("REPEAT undefined");
      return 0;
    case FW_BY_TABLE:
      if (op != OP_OPND_FTOI) return serial_entry(static_cast<uint16_t>(op));
      if (f_table[79] != 0) return 79;
      // Without the routine the operand is converted through the
      // accumulator: exchange, convert, exchange back.
      add_op(OP_SWAP, 0);
      add_op(OP_FTOI, 0);
      add_op(OP_SWAP, 0);
      return 0;
    default:
      return entry;
  }
}

int32_t get_op_call(int32_t op) {
  int32_t entry = op_call_entry(op);
  return entry ? GET_ADDR(entry) : 0;
}
