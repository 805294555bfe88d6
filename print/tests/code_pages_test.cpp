#include "code_pages.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace wendterm {
namespace {

struct DecodeCase {
  const char* name;
  QByteArray bytes;
  int codePage;
  QString expected;
};

class DecodeCodePage : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeCodePage, GivesTheExpectedText) {
  const DecodeCase& c = GetParam();
  EXPECT_EQ(decodeCodePage(c.bytes, c.codePage), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeCodePage,
    ::testing::Values(
        DecodeCase{"Ascii1252", "Plain 123", 1252, QStringLiteral("Plain 123")},
        DecodeCase{"Euro1252", "\x80", 1252, QStringLiteral(u"\u20AC")},
        DecodeCase{"Quotes1252", "\x93x\x94", 1252, QStringLiteral(u"\u201Cx\u201D")},
        DecodeCase{"Latin1Range1252", "caf\xE9 \xFF", 1252, QStringLiteral(u"caf\u00E9 \u00FF")},
        DecodeCase{"Undefined1252KeepsByte", "\x81\x8D\x8F\x90\x9D", 1252,
                   QStringLiteral(u"\u0081\u008D\u008F\u0090\u009D")},
        DecodeCase{"Last1252", "\x9F", 1252, QStringLiteral(u"\u0178")},
        DecodeCase{"Cyrillic1251", "\xC0\xE1\xFF", 1251, QStringLiteral(u"\u0410\u0431\u044F")},
        DecodeCase{"CentralEurope1250", "\x8A\xE8", 1250, QStringLiteral(u"\u0160\u010D")},
        DecodeCase{"Greek1253", "\xC1", 1253, QStringLiteral(u"\u0391")},
        DecodeCase{"ShiftJis932", "\x82\xA0\x93\xFA", 932, QStringLiteral(u"\u3042\u65E5")},
        DecodeCase{"MacRoman10000", "\x80\x8E", 10000, QStringLiteral(u"\u00C4\u00E9")},
        DecodeCase{"Utf8", "\xC3\xA9", 65001, QStringLiteral(u"\u00E9")},
        DecodeCase{"UnknownCodePageReadsAs1252", "\x80\xE9", 4242, QStringLiteral(u"\u20AC\u00E9")},
        DecodeCase{"CutDoubleByteMarked", "a\x82", 932, QStringLiteral(u"a\uFFFD")},
        DecodeCase{"Empty", "", 1251, QString()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeWindows1252, MapsEveryByteToOneCharacter) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) {
    all.append(static_cast<char>(b));
  }
  const QString text = decodeWindows1252(all);
  ASSERT_EQ(text.size(), 256);
  for (int b = 0; b < 256; ++b) {
    if (b < 0x80 || b >= 0xA0) {
      EXPECT_EQ(text[b].unicode(), b) << "byte " << b;
    }
  }
  EXPECT_EQ(text[0x8C].unicode(), 0x0152);
  EXPECT_EQ(text[0x99].unicode(), 0x2122);
}

struct CharsetCase {
  int charset;
  int codePage;
};

class CharsetCodePage : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetCodePage, MapsToTheWindowsCodePage) {
  EXPECT_EQ(codePageForCharset(GetParam().charset), GetParam().codePage);
}

INSTANTIATE_TEST_SUITE_P(Cases, CharsetCodePage,
                         ::testing::Values(CharsetCase{0, 0}, CharsetCase{1, 0}, CharsetCase{2, 0},
                                           CharsetCase{77, 10000}, CharsetCase{128, 932},
                                           CharsetCase{134, 936}, CharsetCase{161, 1253},
                                           CharsetCase{162, 1254}, CharsetCase{177, 1255},
                                           CharsetCase{178, 1256}, CharsetCase{186, 1257},
                                           CharsetCase{204, 1251}, CharsetCase{222, 874},
                                           CharsetCase{238, 1250}, CharsetCase{99, 0}));

}  // namespace
}  // namespace wendterm
