// The keyword table: spellings and token codes, ordered by first character.
#pragma once
#include <cstdint>

constexpr int KEYWORD_COUNT = 149;

struct Keyword {
  const char *name;
  uint16_t code;
};

// Ordered by first character in ASCII order: is_keyword relies on it. Entry 0
// is never matched; the last entry (DEL) ends every search.
inline constexpr Keyword keyword_table[KEYWORD_COUNT] = {
    {" ", 0},
    {"&", 40}, {"(", 253}, {")", 254}, {"*", 4}, {"+", 16}, {",", 223}, {"-", 17}, {"/", 7},
    {":", 252}, {";", 251},
    {"ABS", 119}, {"AD", 94}, {"ADDRESSOF", 166}, {"AND", 40}, {"AS", 212},
    {"BAUD", 87}, {"BAUD0", 90}, {"BAUD1", 91}, {"BYREF", 209}, {"BYTE", 201}, {"BYVAL", 210},
    {"CALL", 137}, {"CASE", 220}, {"CODE", 205}, {"CGIIN", 188}, {"CHR", 222}, {"CLEAR", 242},
    {"CONST", 218},
    {"DATA", 248}, {"DEBUGIN", 168}, {"DIM", 249}, {"DIR", 150}, {"DIRS", 108}, {"DO", 230},
    {"DOWNTO", 225},
    {"EINT0", 198}, {"EINT1", 193}, {"EINT2", 199}, {"ELSE", 233}, {"ELSEIF", 232}, {"END", 124},
    {"ENDFUNCTION", 211}, {"ENDIF", 235}, {"ENDSELECT", 221}, {"ENDSUB", 208},
    {"ENET_GETIP", 256}, {"ENET_INIT", 258}, {"ENET_RCV", 259}, {"ENET_SEND", 260},
    {"ENET_SETIP", 257}, {"EXIT", 135},
    {"FALL", 196}, {"FILECLOSE", 178}, {"FILEEOF", 182}, {"FILEOPEN", 179}, {"FILEREADBYTE", 180},
    {"FILEREADDIR", 177}, {"FILEWRITEBYTE", 181}, {"FOR", 228}, {"FREAD", 174}, {"FUNCTION", 245},
    {"GEN_INT", 95}, {"GOSUB", 137}, {"GOTO", 136},
    {"HEX", 120}, {"HIGH", 171}, {"HTTP", 183},
    {"IF", 234}, {"IN", 152}, {"INPUT", 169}, {"INS", 106}, {"INTEGER", 214}, {"INTERRUPT", 175},
    {"IO", 78},
    {"LASTIP", 189}, {"LEFT", 29}, {"LEN", 39}, {"LOOP", 237}, {"LOW", 172},
    {"MAIL", 186}, {"MAIN", 163}, {"MOD", 8},
    {"NEXT", 229}, {"NOT", 114},
    {"ON", 194}, {"OR", 48}, {"OUT", 153}, {"OUTPUT", 170}, {"OUTS", 107},
    {"P0", 64}, {"P1", 66}, {"P2", 68}, {"P3", 70}, {"P4", 72}, {"P5", 74}, {"PARAMARRAY", 202},
    {"PRINT", 250}, {"PRINTF", 161},
    {"QUICKSORT", 247}, {"QUIT", 246}, {"QUITDUMP", 217}, {"QUITNOW", 216},
    {"RD_BYTE", 105}, {"RD_HALF", 58}, {"RD_SHALF", 57}, {"REPEAT", 155}, {"RETURN", 125},
    {"RIGHT", 30}, {"RISE", 195}, {"RUN", 231}, {"RXD", 82}, {"RXD0", 84}, {"RXD1", 88},
    {"SELECT", 219}, {"SINGLE", 213}, {"SLEEP", 203}, {"SPRINTF", 162}, {"STEP", 226},
    {"STOP", 187}, {"STR", 123}, {"STRCOMP", 31}, {"STRING", 200}, {"SUB", 142},
    {"THEN", 227}, {"TIMER", 92}, {"TO", 224}, {"TXD", 83}, {"TXD0", 85}, {"TXD1", 89},
    {"TXFREE", 81},
    {"UDPIN", 184}, {"UDPOUT", 185}, {"UNTIL", 236},
    {"VAL", 122},
    {"WAIT", 144}, {"WAITMICRO", 143}, {"WHILE", 238}, {"WRITE", 173}, {"WR_BYTE", 117},
    {"WR_HALF", 59},
    {"XOR", 56},
    {"__ASM__", 197}, {"__IOHA__", 192}, {"__IOHB__", 206}, {"__MAP__", 204},
    {"{", 239}, {"}", 240},
    {"\x7F", 0},
};


// Index of the keyword spelled word[0..length), or 0 when there is none.
int is_keyword(const char *word, int length);
