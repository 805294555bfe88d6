#include "plain_text.h"
#include "test_support.h"

#include <QTextDocument>

#include <gtest/gtest.h>

namespace wendterm {
namespace {

struct PlainCase {
  const char* name;
  QByteArray bytes;
  QString expected;
};

class DecodePlainText : public ::testing::TestWithParam<PlainCase> {};

TEST_P(DecodePlainText, GivesTheExpectedText) {
  EXPECT_EQ(decodePlainText(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodePlainText,
    ::testing::Values(
        PlainCase{"Ascii", "PRINT 1", QStringLiteral("PRINT 1")},
        PlainCase{"Utf8", "caf\xC3\xA9 \xE2\x82\xAC", QStringLiteral(u"caf\u00E9 \u20AC")},
        PlainCase{"Utf8ByteOrderMarkDropped", "\xEF\xBB\xBFx", QStringLiteral("x")},
        PlainCase{"FourByteUtf8", "\xF0\x9F\x98\x80", QStringLiteral(u"\U0001F600")},
        PlainCase{"InvalidUtf8Reads1252", "caf\xE9 \x80", QStringLiteral(u"caf\u00E9 \u20AC")},
        PlainCase{"OverlongUtf8Reads1252", "\xC0\xAF", QStringLiteral(u"\u00C0\u00AF")},
        PlainCase{"OneBadByteMakesAll1252", "\xC3\xA9\xE9", QStringLiteral(u"\u00C3\u00A9\u00E9")},
        PlainCase{"CrLf", "a\r\nb\r\n", QStringLiteral("a\nb\n")},
        PlainCase{"Cr", "a\rb\r", QStringLiteral("a\nb\n")},
        PlainCase{"Lf", "a\nb", QStringLiteral("a\nb")},
        PlainCase{"Mixed", "a\r\nb\rc\nd", QStringLiteral("a\nb\nc\nd")},
        PlainCase{"CrThenCrLf", "a\r\r\nb", QStringLiteral("a\n\nb")},
        PlainCase{"LfCrIsTwoLineEnds", "a\n\rb", QStringLiteral("a\n\nb")},
        PlainCase{"TabsKept", "a\tb", QStringLiteral("a\tb")},
        PlainCase{"Empty", "", QString()}),
    [](const auto& info) { return std::string(info.param.name); });

struct ParagraphCase {
  const char* name;
  QByteArray bytes;
  QStringList paragraphs;
};

class ReadPlainText : public ::testing::TestWithParam<ParagraphCase> {};

TEST_P(ReadPlainText, GivesOneParagraphPerLine) {
  QTextDocument doc;
  readPlainText(GetParam().bytes, doc);
  EXPECT_EQ(test::blocksText(doc), GetParam().paragraphs.join(QLatin1Char('\n')));
  EXPECT_EQ(doc.blockCount(), GetParam().paragraphs.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadPlainText,
    ::testing::Values(
        ParagraphCase{"Empty", "", {QString()}},
        ParagraphCase{"OneLineNoEnd", "one", {"one"}},
        ParagraphCase{"OneLineWithEnd", "one\r\n", {"one"}},
        ParagraphCase{"BlankLastLineKept", "one\r\n\r\n", {"one", ""}},
        ParagraphCase{"ThreeLines", "1\r2\n3\r\n", {"1", "2", "3"}},
        ParagraphCase{"BlankLinesInside", "a\n\n\nb", {"a", "", "", "b"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wendterm
