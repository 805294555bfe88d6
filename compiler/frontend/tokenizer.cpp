#include "frontend/tokenizer.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/process.h"
#include "frontend/diagnostics.h"
#include "frontend/keywords.h"
#include "frontend/line_reader.h"
#include "frontend/symbols.h"

uint16_t g_tokenlist[TOKENLIST_SIZE];
uint8_t g_tokencolumn[TOKENLIST_SIZE];
int32_t g_constants[CONSTANTS_SIZE];
char g_stringtable[STRINGTABLE_SIZE];
int32_t CStringAddr[CSTRINGADDR_SIZE];
TokenState cursor;
ConstantStrings cstrings;

void reset_constant_strings() { cstrings = ConstantStrings{}; }

void clear_constant_strings() {
  memset(g_stringtable, 0, sizeof g_stringtable);
  memset(CStringAddr, 0, sizeof CStringAddr);
}

void out_of_string_space() { fatal_error("Out of String space", ExitStatus::NoStringRoom); }

void checkStringDataPtrs() {
  if (cstrings.ConstantStringPtr < 0) out_of_string_space();
}

namespace {

// With the two end-of-line tokens a line's list may use 127 entries.
constexpr int TOKENS_MAX = 127 - 2;

int line_len;
int token_count;
// Where the token being read starts, and whether a line is being read.
int token_start;
bool tokenizing;
int const_count;
bool declaration_mode;

// The list ends with end-of-line tokens up to the table's end, so that no
// look-ahead past the line can see a token of an earlier line.
void end_token_list() {
  for (int i = token_count; i < TOKENLIST_SIZE; i++) {
    g_tokenlist[i] = TOK_EOL;
    g_tokencolumn[i] = static_cast<uint8_t>(line_len);
  }
  tokenizing = false;
}

// A rejected line leaves an empty token list, so nothing acts on it. The
// message may already have been printed by the routine that failed.
int reject(const char *msg) {
  if (msg) print_error_ln(msg);
  token_count = 0;
  end_token_list();
  cursor.g_tokenptr = 0;
  cursor.g_token = TOK_EOL;
  return 0;
}

bool has_room(int tokens) { return token_count + tokens <= TOKENS_MAX; }

bool push_token(uint16_t t) {
  if (!has_room(1)) return false;
  g_tokencolumn[token_count] = static_cast<uint8_t>(token_start);
  g_tokenlist[token_count++] = t;
  return true;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool starts_name(uint8_t c) { return is_alpha(c) || to_upper(c) == '_'; }

uint32_t float_bits(double v) {
  float f;
  if (std::isnan(v))
    f = NAN;
  else if (v > 3.4028234663852886e38)
    f = INFINITY;
  else if (v < -3.4028234663852886e38)
    f = -INFINITY;
  else
    f = static_cast<float>(v);
  uint32_t bits;
  memcpy(&bits, &f, sizeof bits);
  return bits;
}

// Low 32 bits of a non-negative integral value, defined for any magnitude.
uint32_t low_32_bits(double v) {
  if (!std::isfinite(v) || v < 0) return 0;
  return static_cast<uint32_t>(std::fmod(v, 4294967296.0));
}

// The line-marker form: "# N "file"".
void read_line_marker() {
  uint32_t n = 0;
  for (int k = 2; k < line_len && is_num(reader.line[k]); k++) n = n * 10 + static_cast<uint32_t>(reader.line[k] - '0');
  diag.g_linenum = static_cast<uint16_t>(n - 1);
  for (int k = 2; k < line_len; k++) {
    if (reader.line[k] != '"') continue;
    int len = 0;
    for (k++; k < line_len && reader.line[k] != '"'; k++) reader.current_filename[len++] = reader.line[k];
    reader.current_filename[len] = 0;
    break;
  }
}

// Lines for the driver are told by their first character and give one token.
bool special_line(uint16_t &token) {
  switch (reader.line[0]) {
    case ':':
    case '@':
    case '$':
    case '"':
    case '!': token = TOK_DRIVER_LINE; return true;
    case '>':
      if (line_len < 3 || reader.line[2] != '0') return false;
      token = TOK_DRIVER_LINE;
      return true;
    case '^': token = TOK_CARET_LINE; return true;
    case '?': token = TOK_DOWNLOAD; return true;
    case '#':
      if (line_len > 1 && reader.line[1] == ' ') read_line_marker();
      token = TOK_EOL;
      return true;
    default:
      return false;
  }
}

int skip_spaces(int pos) {
  while (pos < line_len && reader.line[pos] == ' ') pos++;
  return pos;
}

// A numeric literal at pos; false when the line was rejected.
bool tokenize_number(int &pos) {
  double value = parse_number(reader.line, pos, line_len, 0);
  bool bad = cursor.number_error != 0;
  bool single = false;
  if (pos < line_len && reader.line[pos] == '.') {
    pos++;
    double fraction = parse_number(reader.line, pos, line_len, 0);
    bad = bad || cursor.number_error;
    value += fraction / std::pow(10.0, cursor.num_digits);
    single = true;
  }
  if (pos < line_len && (reader.line[pos] == 'E' || reader.line[pos] == 'e')) {
    pos++;
    bool negative = false;
    if (pos < line_len && (reader.line[pos] == '+' || reader.line[pos] == '-')) negative = reader.line[pos++] == '-';
    int digits = 0;
    double exponent = 0;
    for (; pos < line_len && is_num(reader.line[pos]); pos++, digits++)
      exponent = exponent * 10 + (reader.line[pos] - '0');
    if (digits == 0) bad = true;
    value = negative ? value / std::pow(10.0, exponent) : value * std::pow(10.0, exponent);
    single = true;
  }
  if (!single && value > 4294967295.0) bad = true;
  if (bad) print_error_ln("Syntax error in constant");
  if (const_count >= CONSTANTS_SIZE || !has_room(1)) return reject("Line Too Long");
  int n = const_count++;
  g_constants[n] = static_cast<int32_t>(single ? float_bits(value) : low_32_bits(value));
  push_token(static_cast<uint16_t>((single ? TOK_SINGLE_LITERAL : TOK_INTEGER_LITERAL) + n));
  return true;
}

// A string literal at pos (on its opening quote); false when rejected.
bool tokenize_string(int &pos) {
  pos++;
  if (pos + 1 < line_len && reader.line[pos + 1] == '"') {
    // "x" is the character literal CHR(x).
    if (token_count > 123 || const_count >= CONSTANTS_SIZE || !has_room(4)) return reject("Line Too Long");
    int n = const_count++;
    g_constants[n] = static_cast<signed char>(reader.line[pos]);
    push_token(TOK_CHR);
    push_token(TOK_LPAREN);
    push_token(static_cast<uint16_t>(TOK_INTEGER_LITERAL + n));
    push_token(TOK_RPAREN);
    pos += 2;
    return true;
  }
  char text[LINE_SIZE];
  int len = 0;
  for (;;) {
    while (pos < line_len && reader.line[pos] != '"' && len < LINE_SIZE - 1) text[len++] = reader.line[pos++];
    if (pos >= line_len || reader.line[pos] != '"') return reject("Missing end \"");
    pos++;
    // Constant concatenations fold into this one literal.
    for (;;) {
      int at = nextIsAddCHR(pos);
      if (!at) break;
      double v = parse_number(reader.line, at, line_len, 0);
      at = skip_spaces(at);
      if (at >= line_len || reader.line[at] != ')') return reject("illegal string");
      if (len < LINE_SIZE - 1) text[len++] = static_cast<char>(low_32_bits(std::fabs(v)) & 0xFF);
      pos = at + 1;
    }
    int at = nextIsAddStr(pos);
    if (!at) break;
    pos = at;
  }
  if (!has_room(1)) return reject("Line Too Long");
  if (cstrings.ConstantStringCounter >= STRING_LITERALS_MAX || cstrings.ConstantStringPtr - (len + 1) < 0)
    out_of_string_space();
  cstrings.ConstantStringPtr -= len + 1;
  memcpy(g_stringtable + cstrings.ConstantStringPtr, text, static_cast<size_t>(len));
  g_stringtable[cstrings.ConstantStringPtr + len] = 0;
  push_token(nextConstantString());
  return true;
}

// Relational operators, and "=" closing a compound assignment such as "+=".
bool tokenize_operator(int &pos) {
  char c = reader.line[pos];
  char next = pos + 1 < line_len ? reader.line[pos + 1] : 0;
  if (c == '=' && token_count > 0 && is_operator_token(g_tokenlist[token_count - 1])) {
    if (pos > 0 && is_blank(reader.line[pos - 1])) return reject("illegal assignment");
    pos++;
    return push_token(TOK_EQ) || reject("Line Too Long");
  }
  uint16_t t;
  int width = 2;
  if (c == '<')
    t = next == '<' ? TOK_SHL : next == '>' ? TOK_NE : next == '=' ? TOK_LE : (width = 1, TOK_LT);
  else if (c == '>')
    t = next == '>' ? TOK_SHR : next == '<' ? TOK_NE : next == '=' ? TOK_GE : (width = 1, TOK_GT);
  else
    t = next == '<' ? TOK_LE : next == '>' ? TOK_GE : (width = 1, TOK_EQ);
  pos += width;
  return push_token(t) || reject("Line Too Long");
}

// A name or a one-character word: keyword or symbol.
bool tokenize_word(const char *word, int len) {
  int k = is_keyword(word, len);
  if (k) {
    uint16_t code = keyword_table[k].code;
    if (code == TOK_SUB || code == TOK_FUNCTION) declaration_mode = true;
    return push_token(code) || reject("Line Too Long");
  }
  if (!starts_name(static_cast<uint8_t>(word[0]))) return reject("Expected a variable");
  if (!has_room(1)) return reject("Line Too Long");
  int32_t found = is_symbol(word, len);
  int32_t index;
  if (found && !declaration_mode) {
    index = found - 1;
  } else {
    // In a SUB or FUNCTION header every name is new: parameters and locals
    // get symbols of their own.
    index = add_symbol(word, len);
    if (index < 0) return reject(nullptr);
  }
  return push_token(static_cast<uint16_t>(TOK_SYMBOL + index));
}

}  // namespace

int read_tokenize_line() {
  line_len = BASICgetln(reader.line);
  diag.g_linenum++;
  fflush(stdout);
  token_count = 0;
  const_count = 0;
  declaration_mode = false;
  cursor.g_tokenptr = 0;
  tokenizing = true;
  token_start = 0;

  uint16_t special;
  cursor.driver_line = line_len > 0 && special_line(special);
  if (cursor.driver_line) {
    if (special != TOK_EOL) push_token(special);
    end_token_list();
    return 1;
  }
  // What the line lost starts behind the part that was kept.
  token_start = LINE_SIZE - 1;
  if (reader.line_was_cut) return reject("Line Too Long");

  int pos = 0;
  while (pos < line_len) {
    uint8_t c = static_cast<uint8_t>(reader.line[pos]);
    if (is_blank(static_cast<char>(c))) {
      pos++;
      continue;
    }
    if (c == '\'' || c == 0x1B || c == 0x03) break;
    token_start = pos;
    char next = pos + 1 < line_len ? reader.line[pos + 1] : 0;
    char word[40];
    int len = 0;
    if (starts_name(c)) {
      bool has_letter = false;
      for (; pos < line_len && is_alpha_num(static_cast<uint8_t>(reader.line[pos])); pos++) {
        uint8_t u = to_upper(static_cast<uint8_t>(reader.line[pos]));
        if (is_alpha(u)) has_letter = true;
        if (len < 31) word[len++] = static_cast<char>(u);
      }
      if (pos < line_len && reader.line[pos] == '$') {
        word[len++] = '$';
        pos++;
      }
      if (!has_letter) return reject("illegal variable name");
    } else if (start_number(static_cast<char>(c), next)) {
      if (!tokenize_number(pos)) return 0;
      continue;
    } else if (c == '"') {
      if (!tokenize_string(pos)) return 0;
      continue;
    } else if (c == '=' || c == '<' || c == '>') {
      if (!tokenize_operator(pos)) return 0;
      continue;
    } else {
      word[len++] = static_cast<char>(c);
      pos++;
    }
    if (!tokenize_word(word, len)) return 0;
  }
  end_token_list();
  return 1;
}

uint32_t error_column() {
  int column = tokenizing ? token_start : g_tokencolumn[cursor.g_tokenptr < TOKENLIST_SIZE ? cursor.g_tokenptr : 0];
  return static_cast<uint32_t>(column) + 1;
}

bool start_number(char c, char next) {
  return is_num(static_cast<uint8_t>(c)) || c == '$' || c == '%' || (c == '&' && next == 'H');
}

double parse_number(const char *text, int &pos, int length, int hexDefault) {
  int base = hexDefault ? 16 : 10;
  cursor.number_error = 0;
  if (pos + 1 < length && text[pos] == '0' && text[pos + 1] == 'x') {
    base = 16;
    pos += 2;
  } else if (pos + 1 < length && text[pos] == '&' && text[pos + 1] == 'H') {
    base = 16;
    pos += 2;
  } else if (pos < length && text[pos] == '$') {
    base = 16;
    pos++;
  } else if (pos < length && text[pos] == '%') {
    base = 2;
    pos++;
  }
  double value = 0;
  cursor.num_digits = 0;
  for (; pos < length; pos++) {
    uint8_t c = static_cast<uint8_t>(text[pos]);
    int digit;
    if (is_num(c)) {
      digit = c - '0';
    } else if (base == 16 && to_upper(c) >= 'A' && to_upper(c) <= 'F') {
      digit = to_upper(c) - 'A' + 10;
    } else {
      break;
    }
    if (base == 2 && digit > 1) cursor.number_error = 1;
    value = value * base + digit;
    cursor.num_digits++;
  }
  return value;
}

namespace {
// Optional spaces, then '+' or '&', then optional spaces: the position after
// them, or 0.
int after_concatenation(int pos) {
  pos = skip_spaces(pos);
  if (pos >= line_len || (reader.line[pos] != '+' && reader.line[pos] != '&')) return 0;
  return skip_spaces(pos + 1);
}
}  // namespace

int nextIsAddCHR(int pos) {
  pos = after_concatenation(pos);
  if (!pos || pos + 3 > line_len) return 0;
  if (to_upper(static_cast<uint8_t>(reader.line[pos])) != 'C' ||
      to_upper(static_cast<uint8_t>(reader.line[pos + 1])) != 'H' ||
      to_upper(static_cast<uint8_t>(reader.line[pos + 2])) != 'R')
    return 0;
  pos = skip_spaces(pos + 3);
  if (pos >= line_len || reader.line[pos] != '(') return 0;
  return skip_spaces(pos + 1);
}

int nextIsAddStr(int pos) {
  pos = after_concatenation(pos);
  if (!pos || pos >= line_len || reader.line[pos] != '"') return 0;
  return pos + 1;
}

uint16_t nextConstantString() {
  CStringAddr[cstrings.ConstantStringCounter] = cstrings.ConstantStringPtr;
  return static_cast<uint16_t>(TOK_STRING_LITERAL + cstrings.ConstantStringCounter++);
}

void not_eoln() { print_error_ln("Expected End Of Line"); }

int lookahead4dim() {
  int k = cursor.g_tokenptr;
  while (k < TOKENLIST_SIZE && g_tokenlist[k] != TOK_EOL && g_tokenlist[k] != TOK_AS) k++;
  if (k >= TOKENLIST_SIZE - 1 || g_tokenlist[k] == TOK_EOL) return DIM_INTEGER;
  switch (g_tokenlist[k + 1]) {
    case TOK_INTEGER: return DIM_INTEGER;
    case TOK_SINGLE: return DIM_SINGLE;
    case TOK_STRING: return DIM_STRING;
    case TOK_BYTE: return DIM_BYTE;
    default: print_error_ln("expected type specifier"); return DIM_INTEGER;
  }
}
