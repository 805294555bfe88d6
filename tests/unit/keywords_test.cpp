#include <cstring>
#include <string>

#include "frontend/keywords.h"
#include "test_support.h"

namespace {

TEST(Keywords, EveryKeywordIsFoundWithItsCode) {
  for (int i = 1; i < KEYWORD_COUNT - 1; i++) {
    const char *name = keyword_table[i].name;
    SCOPED_TRACE(name);
    int k = is_keyword(name, static_cast<int>(strlen(name)));
    EXPECT_EQ(k, i);
  }
  EXPECT_EQ(KEYWORD_COUNT, 149);
}

TEST(Keywords, SharedAndSampleCodes) {
  struct Code {
    const char *word;
    uint16_t code;
  };
  const Code codes[] = {
      {"&", 40},       {"AND", 40},   {"CALL", 137},      {"GOSUB", 137},     {"MOD", 8},
      {"ENET_SEND", 260}, {"QUITDUMP", 217}, {"__MAP__", 204}, {"}", 240},   {"RD_SHALF", 57},
      {"P5", 74},      {"XOR", 56},   {"WR_HALF", 59},    {"ENDFUNCTION", 211},
  };
  for (const Code &c : codes) {
    SCOPED_TRACE(c.word);
    int k = is_keyword(c.word, static_cast<int>(strlen(c.word)));
    ASSERT_NE(k, 0);
    EXPECT_EQ(keyword_table[k].code, c.code);
  }
}

TEST(Keywords, NonKeywordsAndOddBytes) {
  const std::string words[] = {"REM", "A", "ANDX", "AN", "Z", "ZZZ", "~", "\x7F", "\x80", "\xFF", "|", " ", "0", "@"};
  for (const std::string &w : words) {
    SCOPED_TRACE(w);
    EXPECT_EQ(is_keyword(w.data(), static_cast<int>(w.size())), 0);
  }
  EXPECT_EQ(is_keyword("AND", 0), 0);
  // Only the given length counts: "ANDROID" cut to 3 is AND.
  EXPECT_EQ(keyword_table[is_keyword("ANDROID", 3)].code, 40);
}

}  // namespace
