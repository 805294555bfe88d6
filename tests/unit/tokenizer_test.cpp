#include <cstring>
#include <string>
#include <vector>

#include "frontend/symbols.h"
#include "frontend/tokenizer.h"
#include "test_support.h"

namespace {

uint32_t bits_of(float f) {
  uint32_t b;
  memcpy(&b, &f, sizeof b);
  return b;
}

std::string symbol_name(int index) { return g_symboltable + find_symbol(index); }

std::string error_text(const std::string &msg) { return std::string("-ERROR  : 1: ") + msg + "\n"; }

struct TokenCase {
  const char *text;
  std::vector<uint16_t> tokens;
  std::vector<uint32_t> constants;  // expected leading slots of g_constants
  const char *message;              // expected error message, "" for none
  int result;
};

class TokenizerTest : public CompilerTest {};

TEST_F(TokenizerTest, LiteralsOperatorsAndNames) {
  const TokenCase cases[] = {
      {"&H1F $1F 0x1F", {0x2000, 0x2001, 0x2002}, {31, 31, 31}, "", 1},
      {"0X1F", {0x2000, 0x8001}, {0}, "", 1},
      {"&h1F", {40, 0x8001}, {}, "", 1},
      {"%101", {0x2000}, {5}, "", 1},
      {"%1012", {0x2000}, {}, "Syntax error in constant", 1},
      {"4294967295", {0x2000}, {0xFFFFFFFFu}, "", 1},
      {"4294967296", {0x2000}, {0}, "Syntax error in constant", 1},
      {"99999999999999999999999", {0x2000}, {}, "Syntax error in constant", 1},
      {"1.05 1. 2E3 2E-3 1.5e+1", {0x1000, 0x1001, 0x1002, 0x1003, 0x1004},
       {bits_of(1.05f), bits_of(1.0f), bits_of(2000.0f), bits_of(0.002f), bits_of(15.0f)}, "", 1},
      {"2E", {0x1000}, {}, "Syntax error in constant", 1},
      {"1E999", {0x1000}, {0x7F800000u}, "", 1},
      {"x \"A\"", {0x8001, 222, 253, 0x2000, 254}, {65}, "", 1},
      {"x \"\"\"", {0x8001, 222, 253, 0x2000, 254}, {34}, "", 1},
      {"x \"\xE9\"", {0x8001, 222, 253, 0x2000, 254}, {0xFFFFFFE9u}, "", 1},
      {"x += 1", {0x8001, 16, 32, 0x2000}, {1}, "", 1},
      {"x + = 1", {}, {}, "illegal assignment", 0},
      {"x +\t= 1", {}, {}, "illegal assignment", 0},
      {"x == 1", {0x8001, 32, 32, 0x2000}, {1}, "", 1},
      {"a<<b>>c<>d><e", {0x8001, 25, 0x8002, 24, 0x8003, 37, 0x8004, 37, 0x8005}, {}, "", 1},
      {"a<=b=<c>=d=>e<f>g=h", {0x8001, 35, 0x8002, 35, 0x8003, 36, 0x8004, 36, 0x8005, 33, 0x8006, 34, 0x8007, 32, 0x8008}, {}, "", 1},
      {".5", {}, {}, "Expected a variable", 0},
      {"x = y ~", {}, {}, "Expected a variable", 0},
      {"_1", {}, {}, "illegal variable name", 0},
      {"___", {}, {}, "illegal variable name", 0},
      {"abc ABC aBc", {0x8001, 0x8001, 0x8001}, {}, "", 1},
      {"NAME$ NAME", {0x8001, 0x8002}, {}, "", 1},
      {"a\tb", {0x8001, 0x8002}, {}, "", 1},
      {"a ' b c", {0x8001}, {}, "", 1},
      {"a \x1b b", {0x8001}, {}, "", 1},
      {"a \x03 b", {0x8001}, {}, "", 1},
      {"   ' only a comment", {}, {}, "", 1},
      {"", {}, {}, "", 1},
      {"IF a THEN ENDIF", {234, 0x8001, 227, 235}, {}, "", 1},
      {"( ) , ; : * / - + & { }", {253, 254, 223, 251, 252, 4, 7, 17, 16, 40, 239, 240}, {}, "", 1},
      {"x = \"abc", {}, {}, "Missing end \"", 0},
      {"x = \"ab\" + CHR(1", {}, {}, "illegal string", 0},
      {"x = \"ab\" + CHR(y)", {}, {}, "illegal string", 0},
  };
  for (const TokenCase &c : cases) {
    SCOPED_TRACE(c.text);
    reset_everything();
    std::vector<uint16_t> tokens;
    std::string out;
    EXPECT_EQ(tokenize(c.text, &tokens, &out), c.result);
    EXPECT_EQ(tokens, c.tokens);
    for (size_t i = 0; i < c.constants.size(); i++) EXPECT_EQ(static_cast<uint32_t>(g_constants[i]), c.constants[i]) << "slot " << i;
    if (*c.message)
      EXPECT_EQ(out, std::string(c.text) + "\n" + error_text(c.message));
    else
      EXPECT_EQ(out, "");
  }
}

TEST_F(TokenizerTest, NamesAreFoldedCutAndEntered) {
  std::vector<uint16_t> tokens;
  ASSERT_EQ(tokenize("abcdefghijklmnopqrstuvwxyzabcdefghijklmn", &tokens), 1);
  EXPECT_EQ(symbol_name(1), "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDE");
  ASSERT_EQ(tokenize("abcdefghijklmnopqrstuvwxyzabcdefghijklmn$ \xC1\xE2_9", &tokens), 1);
  EXPECT_EQ(symbol_name(2), "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDE$");
  EXPECT_EQ(g_symbol_type[2], SYM_NEW_STR);
  // Bytes from 0x80 fold onto ASCII letters.
  EXPECT_EQ(symbol_name(3), "AB_9");
  EXPECT_EQ(g_symbol_type[3], SYM_NEW);
  EXPECT_EQ(tokens, (std::vector<uint16_t>{0x8002, 0x8003}));
}

TEST_F(TokenizerTest, DeclarationLinesEnterEveryNameAnew) {
  std::vector<uint16_t> tokens;
  ASSERT_EQ(tokenize("a = f", &tokens), 1);
  ASSERT_EQ(tokenize("SUB f(a)", &tokens), 1);
  EXPECT_EQ(tokens, (std::vector<uint16_t>{142, 0x8003, 253, 0x8004, 254}));
  ASSERT_EQ(tokenize("FUNCTION g(a)", &tokens), 1);
  EXPECT_EQ(tokens, (std::vector<uint16_t>{245, 0x8005, 253, 0x8006, 254}));
  ASSERT_EQ(tokenize("a", &tokens), 1);
  EXPECT_EQ(tokens, (std::vector<uint16_t>{0x8001}));
}

TEST_F(TokenizerTest, StringLiteralsGoDownwardFromTheTop) {
  std::vector<uint16_t> tokens;
  ASSERT_EQ(tokenize("x \"AB\" + CHR(13) & \"C\"  \"\" \"xyz\" &CHR( $41 )", &tokens), 1);
  EXPECT_EQ(tokens, (std::vector<uint16_t>{0x8001, 0x4000, 0x4001, 0x4002}));
  EXPECT_EQ(CStringAddr[0], 0x20000 - 5);
  EXPECT_EQ(std::string(g_stringtable + CStringAddr[0], 5), std::string("AB\rC\0", 5));
  EXPECT_EQ(CStringAddr[1], 0x20000 - 6);
  EXPECT_EQ(g_stringtable[CStringAddr[1]], 0);
  EXPECT_EQ(CStringAddr[2], 0x20000 - 11);
  EXPECT_STREQ(g_stringtable + CStringAddr[2], "xyzA");
  EXPECT_EQ(cstrings.ConstantStringPtr, 0x20000 - 11);
  EXPECT_EQ(cstrings.ConstantStringCounter, 3);
}

TEST_F(TokenizerTest, SpecialLinesGiveOneToken) {
  struct Special {
    const char *text;
    std::vector<uint16_t> tokens;
  };
  const Special cases[] = {
      {":0400000001020304F2", {252}}, {"@anything", {252}}, {"$1F", {252}},   {"\"quoted", {252}},
      {"!monitor", {252}},            {">x0yz", {252}},     {"^x", {56}},     {"?", {241}},
      {"#comment", {}},               {"#", {}},            {">x 1", {34, 0x8001, 0x2000}},
  };
  for (const Special &c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<uint16_t> tokens;
    std::string out;
    EXPECT_EQ(tokenize(c.text, &tokens, &out), 1);
    EXPECT_EQ(tokens, c.tokens);
    EXPECT_EQ(out, "");
  }
}

TEST_F(TokenizerTest, LineMarkersSetNumberAndFile) {
  ASSERT_EQ(tokenize("# 12 \"prog.bas\""), 1);
  EXPECT_EQ(diag.g_linenum, 11);
  EXPECT_STREQ(reader.current_filename, "prog.bas");
  ASSERT_EQ(tokenize("x"), 1);
  EXPECT_EQ(diag.g_linenum, 12);
  ASSERT_EQ(tokenize("# 40"), 1);
  EXPECT_EQ(diag.g_linenum, 39);
  EXPECT_STREQ(reader.current_filename, "prog.bas");
  ASSERT_EQ(tokenize("# 3 \"unterminated.bas"), 1);
  EXPECT_STREQ(reader.current_filename, "unterminated.bas");
  // Without digits the next line is line 0.
  ASSERT_EQ(tokenize("# \"z.bas\""), 1);
  ASSERT_EQ(tokenize("x"), 1);
  EXPECT_EQ(diag.g_linenum, 0);
}

TEST_F(TokenizerTest, LineLengthLimits) {
  std::string out;
  std::vector<uint16_t> tokens;
  // 125 tokens and the two end tokens fill 127 entries; one more is too many.
  EXPECT_EQ(tokenize(std::string(125, '+'), &tokens), 1);
  EXPECT_EQ(tokens.size(), 125u);
  EXPECT_EQ(g_tokenlist[125], TOK_EOL);
  EXPECT_EQ(g_tokenlist[126], TOK_EOL);
  EXPECT_EQ(tokenize(std::string(126, '+'), &tokens, &out), 0);
  EXPECT_EQ(out, std::string(126, '+') + "\n-ERROR  : 2: Line Too Long\n");
  EXPECT_EQ(cursor.g_token, TOK_EOL);
  EXPECT_TRUE(tokens.empty());

  // 32 numeric literals fit g_constants; the 33rd does not.
  std::string numbers;
  for (int i = 0; i < 32; i++) numbers += std::to_string(i) + " ";
  EXPECT_EQ(tokenize(numbers, &tokens), 1);
  EXPECT_EQ(g_constants[31], 31);
  EXPECT_EQ(tokenize(numbers + "7", &tokens, &out), 0);
  EXPECT_NE(out.find("Line Too Long"), std::string::npos);

  // A character literal needs four entries and must find them.
  EXPECT_EQ(tokenize(std::string(121, '+') + "\"A\"", &tokens), 1);
  EXPECT_EQ(tokens.size(), 125u);
  EXPECT_EQ(tokenize(std::string(122, '+') + "\"A\"", &tokens, &out), 0);
  EXPECT_NE(out.find("Line Too Long"), std::string::npos);

  // A physical line longer than 255 characters is cut and rejected.
  std::string longline = "x = 1 " + std::string(300, ' ') + "+ 2";
  EXPECT_EQ(tokenize(longline, &tokens, &out), 0);
  EXPECT_EQ(out, longline.substr(0, 255) + "\n-ERROR  : 7: Line Too Long\n");
  // The rest of the cut line is gone: the next read gets the next line.
  EXPECT_EQ(tokenize("y", &tokens), 1);
  EXPECT_EQ(tokens.size(), 1u);

  // CRLF line ends work like LF.
  EXPECT_EQ(tokenize("z = 1\r", &tokens), 1);
  EXPECT_EQ(tokens.size(), 3u);
  EXPECT_STREQ(reader.line, "z = 1");
}

TEST_F(TokenizerTest, StringSpaceIsCheckedBeforeCopying) {
  cstrings.ConstantStringPtr = 4;
  g_stringtable[0] = 0x5A;
  EXPECT_EXIT(tokenize_uncaptured("x \"abcd\""), testing::ExitedWithCode(5), "Out of String space");
  // One byte less fits exactly.
  EXPECT_EQ(tokenize("x \"abc\""), 1);
  EXPECT_EQ(cstrings.ConstantStringPtr, 0);
  EXPECT_STREQ(g_stringtable, "abc");
}

TEST_F(TokenizerTest, StringLiteralCountIsLimited) {
  cstrings.ConstantStringCounter = STRING_LITERALS_MAX - 1;
  std::vector<uint16_t> tokens;
  EXPECT_EQ(tokenize("x \"last\"", &tokens), 1);
  EXPECT_EQ(tokens, (std::vector<uint16_t>{0x8001, 0x7FFF}));
  EXPECT_EXIT(tokenize_uncaptured("x \"one too many\""), testing::ExitedWithCode(5), "Out of String space");
}

TEST_F(TokenizerTest, LookaheadForDeclaredType) {
  struct Lookahead {
    const char *text;
    int type;
    bool reports;
  };
  const Lookahead cases[] = {
      {"DIM a, b", 1, false},          {"DIM a AS INTEGER", 1, false}, {"DIM a AS SINGLE", 3, false},
      {"DIM s(10) AS STRING", 18, false}, {"DIM b(3) AS BYTE", 2, false}, {"DIM a AS foo", 1, true},
  };
  for (const Lookahead &c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_EQ(tokenize(c.text), 1);
    cursor.g_tokenptr = 0;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(lookahead4dim(), c.type);
    std::string out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(out.find("expected type specifier") != std::string::npos, c.reports);
  }
}

TEST(ParseNumber, PrefixesDigitsAndErrors) {
  struct Parse {
    const char *text;
    int hexDefault;
    double value;
    int end;
    int digits;
    bool error;
  };
  const Parse cases[] = {
      {"123x", 0, 123, 3, 3, false},   {"1f", 1, 31, 2, 2, false},      {"0x1fg", 0, 31, 4, 2, false},
      {"&HFF", 0, 255, 4, 2, false},   {"$ff", 0, 255, 3, 2, false},    {"%1101", 0, 13, 5, 4, false},
      {"%12", 0, 4, 3, 2, true},       {"05", 0, 5, 2, 2, false},       {"x", 0, 0, 0, 0, false},
  };
  for (const Parse &c : cases) {
    SCOPED_TRACE(c.text);
    int pos = 0;
    double v = parse_number(c.text, pos, static_cast<int>(strlen(c.text)), c.hexDefault);
    EXPECT_EQ(v, c.value);
    EXPECT_EQ(pos, c.end);
    EXPECT_EQ(cursor.num_digits, c.digits);
    EXPECT_EQ(cursor.number_error != 0, c.error);
  }
  EXPECT_TRUE(start_number('7', 0));
  EXPECT_TRUE(start_number('$', 'x'));
  EXPECT_TRUE(start_number('%', 0));
  EXPECT_TRUE(start_number('&', 'H'));
  EXPECT_FALSE(start_number('&', 'h'));
  EXPECT_FALSE(start_number('.', '5'));
}

}  // namespace
