// The virtual operation set: every operation code with its name, and the
// firmware routine that carries out the operations the back ends do not
// emit inline.
#pragma once
#include <cstdint>

constexpr uint16_t OP_NOP = 0;
constexpr uint16_t OP_ACC2IDX = 1;
constexpr uint16_t OP_LDARR = 2;
constexpr uint16_t OP_STARR = 3;
constexpr uint16_t OP_MUL = 4;
constexpr uint16_t OP_SHL = 5;
constexpr uint16_t OP_DIV = 7;
constexpr uint16_t OP_MOD = 8;
constexpr uint16_t OP_IDX2ACC = 9;
constexpr uint16_t OP_POPACC = 10;
constexpr uint16_t OP_ACC2OPND = 11;
constexpr uint16_t OP_ITOF = 12;
constexpr uint16_t OP_OPND_ITOF = 13;
constexpr uint16_t OP_FTOI = 14;
constexpr uint16_t OP_OPND_FTOI = 15;
constexpr uint16_t OP_ADD = 16;
constexpr uint16_t OP_SUB = 17;
constexpr uint16_t OP_OPND2IDX = 19;
constexpr uint16_t OP_IADD = 20;
constexpr uint16_t OP_ISUB = 21;
constexpr uint16_t OP_IRSUB = 22;
constexpr uint16_t OP_LABEL = 23;
constexpr uint16_t OP_SHR = 24;
constexpr uint16_t OP_TSHL = 25;
constexpr uint16_t OP_NEWSTR = 26;
constexpr uint16_t OP_ADDSTR = 27;
constexpr uint16_t OP_ADDSBYTE = 28;
constexpr uint16_t OP_LEFT = 29;
constexpr uint16_t OP_RIGHT = 30;
constexpr uint16_t OP_STRCOMP = 31;
constexpr uint16_t OP_EQ = 32;
constexpr uint16_t OP_LT = 33;
constexpr uint16_t OP_GT = 34;
constexpr uint16_t OP_LE = 35;
constexpr uint16_t OP_GE = 36;
constexpr uint16_t OP_NE = 37;
constexpr uint16_t OP_GETSTR = 38;
constexpr uint16_t OP_LEN = 39;
constexpr uint16_t OP_AND = 40;
constexpr uint16_t OP_LOGAND = 41;
constexpr uint16_t OP_CALLACC = 42;
constexpr uint16_t OP_INTENTRY = 43;
constexpr uint16_t OP_INTEXIT = 44;
constexpr uint16_t OP_OR = 48;
constexpr uint16_t OP_LOGOR = 49;
constexpr uint16_t OP_EZHPARAM = 50;
constexpr uint16_t OP_EZHSAVE = 51;
constexpr uint16_t OP_EZHRESTORE = 52;
constexpr uint16_t OP_EZHRDPER = 53;
constexpr uint16_t OP_EZHWRPER = 54;
constexpr uint16_t OP_LOGXOR = 55;
constexpr uint16_t OP_XOR = 56;
constexpr uint16_t OP_RD_SHALF = 57;
constexpr uint16_t OP_RD_HALF = 58;
constexpr uint16_t OP_WR_HALF = 59;
constexpr uint16_t OP_JZ = 62;
constexpr uint16_t OP_JMP = 63;
constexpr uint16_t OP_P0 = 64;
constexpr uint16_t OP_P0_WR = 65;
constexpr uint16_t OP_P1 = 66;
constexpr uint16_t OP_P1_WR = 67;
constexpr uint16_t OP_P2 = 68;
constexpr uint16_t OP_P2_WR = 69;
constexpr uint16_t OP_P3 = 70;
constexpr uint16_t OP_P3_WR = 71;
constexpr uint16_t OP_P4 = 72;
constexpr uint16_t OP_P4_WR = 73;
constexpr uint16_t OP_P5 = 74;
constexpr uint16_t OP_P5_WR = 75;
constexpr uint16_t OP_TXFREE = 81;
constexpr uint16_t OP_RXD = 82;
constexpr uint16_t OP_TXD = 83;
constexpr uint16_t OP_RXD0 = 84;
constexpr uint16_t OP_TXD0 = 85;
constexpr uint16_t OP_BAUD = 87;
constexpr uint16_t OP_RXD1 = 88;
constexpr uint16_t OP_TXD1 = 89;
constexpr uint16_t OP_BAUD0 = 90;
constexpr uint16_t OP_BAUD1 = 91;
constexpr uint16_t OP_TIMER = 92;
constexpr uint16_t OP_AD = 94;
constexpr uint16_t OP_GEN_INT = 95;
constexpr uint16_t OP_ADDR = 96;
constexpr uint16_t OP_OPND_ADDR = 97;
constexpr uint16_t OP_STRADDR = 98;
constexpr uint16_t OP_OPND_STRADDR = 99;
constexpr uint16_t OP_OPND_CONST = 100;
constexpr uint16_t OP_OPND_CONST2 = 101;
constexpr uint16_t OP_OPND_LDVAR = 102;
constexpr uint16_t OP_CONST = 103;
constexpr uint16_t OP_LDVAR = 104;
constexpr uint16_t OP_RD_BYTE = 105;
constexpr uint16_t OP_PEEK = 110;
constexpr uint16_t OP_POKE = 111;
constexpr uint16_t OP_NEXT2OPND = 112;
constexpr uint16_t OP_NEG = 113;
constexpr uint16_t OP_NOT = 114;
constexpr uint16_t OP_LOGNOT = 115;
constexpr uint16_t OP_STVAR = 116;
constexpr uint16_t OP_WR_BYTE = 117;
constexpr uint16_t OP_SAVESTR = 118;
constexpr uint16_t OP_ABS = 119;
constexpr uint16_t OP_HEX = 120;
constexpr uint16_t OP_STR = 121;
constexpr uint16_t OP_VAL = 122;
constexpr uint16_t OP_END = 124;
constexpr uint16_t OP_ACC2NEXT = 128;
constexpr uint16_t OP_PUSHACC = 129;
constexpr uint16_t OP_SWAP = 130;
constexpr uint16_t OP_PUSHNEXT = 131;
constexpr uint16_t OP_POPNEXT = 132;
constexpr uint16_t OP_POPOPND = 133;
constexpr uint16_t OP_JZBACK = 134;
constexpr uint16_t OP_GOTO = 136;
constexpr uint16_t OP_GOSUB = 137;
constexpr uint16_t OP_CALLSUB = 138;
constexpr uint16_t OP_JMPBACK = 139;
constexpr uint16_t OP_CALLBACK = 140;
constexpr uint16_t OP_RETURN = 141;
// The operation set names both subtraction (17) and the entry of a SUB or
// FUNCTION (142) OP_SUB; the entry's constant carries a suffix.
constexpr uint16_t OP_SUB_ENTRY = 142;
constexpr uint16_t OP_WAITMICRO = 143;
constexpr uint16_t OP_WAIT = 144;
constexpr uint16_t OP_PRINTNUM = 145;
constexpr uint16_t OP_PRINTTAB = 146;
constexpr uint16_t OP_PRINTCR = 147;
constexpr uint16_t OP_PRINTSTR = 148;
constexpr uint16_t OP_PRINTCH = 149;
constexpr uint16_t OP_DIR = 150;
constexpr uint16_t OP_DIR_WR = 151;
constexpr uint16_t OP_IN = 152;
constexpr uint16_t OP_OUT = 153;
constexpr uint16_t OP_ACC2STRSCR = 154;
constexpr uint16_t OP_REPEAT = 155;
constexpr uint16_t OP_INTFW1 = 156;
constexpr uint16_t OP_INTFW2 = 157;
constexpr uint16_t OP_INTFW3 = 158;
constexpr uint16_t OP_INTFW4 = 159;
constexpr uint16_t OP_PRINTF = 161;
constexpr uint16_t OP_SPRINTF = 162;
constexpr uint16_t OP_MAIN = 163;
constexpr uint16_t OP_PUSHIDX = 164;
constexpr uint16_t OP_POPIDX = 165;
constexpr uint16_t OP_WRITE = 173;
constexpr uint16_t OP_FREAD = 174;
constexpr uint16_t OP_INTERRUPT = 175;
constexpr uint16_t OP_FILEREADDIR = 177;
constexpr uint16_t OP_FILECLOSE = 178;
constexpr uint16_t OP_FILEOPEN = 179;
constexpr uint16_t OP_FILEREADBYTE = 180;
constexpr uint16_t OP_FILEWRITEBYTE = 181;
constexpr uint16_t OP_FILEEOF = 182;
constexpr uint16_t OP_HTTP = 183;
constexpr uint16_t OP_UDPIN = 184;
constexpr uint16_t OP_UDPOUT = 185;
constexpr uint16_t OP_MAIL = 186;
constexpr uint16_t OP_STOP = 187;
constexpr uint16_t OP_CGIIN = 188;
constexpr uint16_t OP_LASTIP = 189;
constexpr uint16_t OP_SLEEP = 203;
constexpr uint16_t OP_DATAEND = 207;
constexpr uint16_t OP_ENDSUB = 208;
constexpr uint16_t OP_FOR = 228;
constexpr uint16_t OP_NEXT = 229;
constexpr uint16_t OP_QUICKSORT = 247;
constexpr uint16_t OP_ASM = 255;
constexpr uint16_t OP_ENET_GETIP = 256;
constexpr uint16_t OP_ENET_SETIP = 257;
constexpr uint16_t OP_ENET_INIT = 258;
constexpr uint16_t OP_ENET_RCV = 259;
constexpr uint16_t OP_ENET_SEND = 260;

// Firmware entry of an operation, one column for integer and one for SINGLE
// operands. Besides entry numbers a column may hold:
constexpr int16_t FW_NONE = 0;            // inline code, no call
constexpr int16_t FW_BY_TABLE = -1;       // entry chosen by the firmware table's contents
constexpr int16_t FW_SINGLE_UNDEF = -2;   // "op for SINGLE undefined"
constexpr int16_t FW_REPEAT_UNDEF = -3;   // "REPEAT undefined"

struct Operation {
  uint16_t code;
  const char *name;
  int16_t int_entry;
  int16_t single_entry;
};

extern const Operation operation_set[];
extern const int operation_count;

// The entry for code, or nullptr when code is not an operation.
const Operation *find_operation(uint16_t code);

// Operations whose recorded operand is integer_ops instead of their operand.
constexpr bool is_typed_record(uint16_t op) {
  return (op >= 4 && op <= 56) || op == OP_NEG || op == OP_ABS || op == OP_STR || op == OP_PRINTNUM;
}

// Message buffer for a missing firmware entry; its first three characters
// are overwritten with the entry number.
extern char nofirm[];

// Firmware entry n (word n of f_table), reporting an entry the firmware does
// not have.
int32_t GET_ADDR(int32_t n);
// Target address of variable word 0 for the code being generated; a full
// table without entry 6 is reported as GET_ADDR(6) reports it.
uint32_t variable_base();
// Entry number of the firmware routine that carries out op, or 0 when op
// needs none. Reports operations that have no routine for their operand
// type, and emits the replacement of op 15 on firmware without entry 79.
int32_t op_call_entry(int32_t op);
// Address of that routine (GET_ADDR of its entry), or 0 when op needs none.
// A routine the firmware lacks is reported and also gives 0.
int32_t get_op_call(int32_t op);
