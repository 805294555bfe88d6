// UTF-16 positions over UTF-8 lines, line ends of every style, and file URIs.
#include <gtest/gtest.h>

#include "lsp/documents.h"
#include "lsp/text.h"
#include "lsp/uri.h"

namespace {

// a (1 byte, 1 unit), e-acute (2, 1), euro sign (3, 1), an emoji (4, 2), b.
const std::string MIXED = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80" "b";

struct PositionCase {
  uint32_t character;
  size_t byte;
};

TEST(Utf16, CharacterToByteOffset) {
  const PositionCase cases[] = {
      {0, 0}, {1, 1}, {2, 3}, {3, 6}, {4, 6} /* inside the emoji: its start */, {5, 10}, {6, 11},
      {7, 11} /* past the end: the end */, {1000, 11},
  };
  for (const PositionCase &c : cases) {
    SCOPED_TRACE(c.character);
    EXPECT_EQ(lsp::byte_offset(MIXED, c.character), c.byte);
  }
}

TEST(Utf16, ByteOffsetToCharacter) {
  const PositionCase cases[] = {{0, 0}, {1, 1}, {2, 3}, {3, 6}, {5, 10}, {6, 11}, {6, 500}};
  for (const PositionCase &c : cases) {
    SCOPED_TRACE(c.byte);
    EXPECT_EQ(lsp::utf16_character(MIXED, c.byte), c.character);
  }
  EXPECT_EQ(lsp::utf16_length(MIXED), 6u);
}

TEST(Utf16, BytesThatAreNotUtf8CountOneUnitEach) {
  struct Case {
    std::string text;
    uint32_t units;
  };
  const Case cases[] = {
      {"\xff", 1},              // never a UTF-8 byte
      {"\xc0\x80", 2},          // an overlong NUL
      {"\xe2\x82", 2},          // a sequence cut short at the end
      {"\xe2\x82x", 3},         // a sequence cut short by an ASCII byte
      {"\xed\xa0\x80", 3},      // an encoded surrogate
      {"\xf4\x90\x80\x80", 4},  // beyond U+10FFFF
      {"\x80" "a", 2},          // a continuation byte alone
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(lsp::utf16_length(c.text), c.units);
    EXPECT_EQ(lsp::byte_offset(c.text, c.units), c.text.size());
  }
}

TEST(Lines, EveryLineEndStyle) {
  std::string text = "one\r\ntwo\nthree\rfour\n";
  lsp::LineIndex lines(text);
  ASSERT_EQ(lines.line_count(), 5u);
  EXPECT_EQ(lines.line(0), "one");
  EXPECT_EQ(lines.line(1), "two");
  EXPECT_EQ(lines.line(2), "three");
  EXPECT_EQ(lines.line(3), "four");
  EXPECT_EQ(lines.line(4), "");
  EXPECT_EQ(lines.line(9), "");
  EXPECT_EQ(lines.line_start(3), 15u);
  EXPECT_EQ(lsp::text_offset(text, 2, 2), 11u);
  EXPECT_EQ(lsp::text_offset(text, 1, 99), 8u);  // the end of "two", before its line end
  EXPECT_EQ(lsp::text_offset(text, 99, 0), text.size());
}

TEST(Documents, RangedEditsUseUtf16Positions) {
  lsp::DocumentStore store;
  store.open("file:///p/a.bas", 1, "x = 1\n' " + MIXED + "\ny = 2\n");
  // Replace the emoji (characters 5..7 of line 1: after "' a", e-acute, euro).
  ASSERT_TRUE(store.edit("file:///p/a.bas", 2, lsp::Range{1, 5, 1, 7}, "!"));
  EXPECT_EQ(store.find("file:///p/a.bas")->text, "x = 1\n' a\xc3\xa9\xe2\x82\xac!b\ny = 2\n");
  // Join lines 0 and 1.
  ASSERT_TRUE(store.edit("file:///p/a.bas", 3, lsp::Range{0, 5, 1, 0}, " "));
  EXPECT_EQ(store.find("file:///p/a.bas")->text.substr(0, 9), "x = 1 ' a");
  EXPECT_EQ(store.find("file:///p/a.bas")->version, 3);
  EXPECT_FALSE(store.edit("file:///p/other.bas", 1, lsp::Range{}, "x"));
}

TEST(Documents, FoundByNormalisedPath) {
  lsp::DocumentStore store;
  store.open("file:///p/lib/../inc%20one.bas", 1, "x");
  store.open("untitled:Untitled-1", 1, "y");
  ASSERT_NE(store.find_path("/p/inc one.bas"), nullptr);
  EXPECT_EQ(store.find_path("/p/./inc one.bas")->text, "x");
  EXPECT_EQ(store.find_path("/p/other.bas"), nullptr);
  EXPECT_TRUE(store.close("file:///p/lib/../inc%20one.bas"));
  EXPECT_EQ(store.find_path("/p/inc one.bas"), nullptr);
  EXPECT_FALSE(store.close("file:///p/lib/../inc%20one.bas"));
}

TEST(Uri, ToPath) {
  struct Case {
    const char *uri;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {"file:///home/a%20b/x.bas", "/home/a b/x.bas"},
      {"FILE:///x.bas", "/x.bas"},
      {"file://localhost/x.bas", "/x.bas"},
      {"file:///c%3A/x%C3%A9.bas", "/c:/x\xc3\xa9.bas"},
      {"file:///x.bas#frag", "/x.bas"},
      {"untitled:Untitled-1", std::nullopt},
      {"file://server/share/x.bas", std::nullopt},
      {"file:///x%zz.bas", std::nullopt},
      {"file:///x%2", std::nullopt},
      {"file:///x%00y", std::nullopt},
      {"file:", std::nullopt},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.uri);
    EXPECT_EQ(lsp::uri_to_path(c.uri), c.path);
  }
}

TEST(Uri, FromPathAndBack) {
  EXPECT_EQ(lsp::path_to_uri("/a b/\xc3\xa9#1.bas"), "file:///a%20b/%C3%A9%231.bas");
  for (std::string path : {"/plain/x.bas", "/sp ace/%percent", "/\xc3\xa9/?q#f"})
    EXPECT_EQ(lsp::uri_to_path(lsp::path_to_uri(path)), path);
}

}  // namespace
