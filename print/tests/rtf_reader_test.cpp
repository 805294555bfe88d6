#include "rtf_reader.h"
#include "test_support.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace wendterm {
namespace {

// The character format of the character at `position`.
QTextCharFormat formatAt(QTextDocument& doc, int position) {
  QTextCursor cursor(&doc);
  cursor.setPosition(position + 1);
  return cursor.charFormat();
}

// --- Text ----------------------------------------------------------------

struct TextCase {
  const char* name;
  QByteArray rtf;
  QString expected;  // paragraphs joined with '\n'
};

class RtfText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RtfText, GivesTheExpectedText) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(GetParam().rtf, doc));
  EXPECT_EQ(test::blocksText(doc), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Plain, RtfText,
    ::testing::Values(
        TextCase{"Simple", R"({\rtf1 Hello world})", "Hello world"},
        TextCase{"ControlWordSpaceEaten", R"({\rtf1\ansi Hello})", "Hello"},
        TextCase{"OnlyOneSpaceEaten", R"({\rtf1\ansi  Hello})", " Hello"},
        TextCase{"DigitParameterEndsWord", R"({\rtf1\fs20x})", "x"},
        TextCase{"NegativeParameter", R"({\rtf1\fi-360 x})", "x"},
        TextCase{"SourceLineEndsIgnored", "{\\rtf1 one\r\ntwo\nthree}", "onetwothree"},
        TextCase{"Escapes", R"({\rtf1 a\\b\{c\}d})", "a\\b{c}d"},
        TextCase{"GroupsDoNotAddText", R"({\rtf1 a{b}{{c}}d})", "abcd"},
        TextCase{"UnknownWordsIgnored", R"({\rtf1\wibble42 a\wobble b})", "ab"},
        TextCase{"TrailingBytesAfterDocument", "{\\rtf1 a}\r\n\0junk", "a"},
        TextCase{"Empty", R"({\rtf1})", ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Paragraphs, RtfText,
    ::testing::Values(
        TextCase{"Par", R"({\rtf1 one\par two})", "one\ntwo"},
        TextCase{"ParAtEnd", R"({\rtf1 one\par})", "one\n"},
        TextCase{"EmptyParagraphs", R"({\rtf1 a\par\par b})", "a\n\nb"},
        TextCase{"BackslashNewlineIsPar", "{\\rtf1 a\\\nb}", "a\nb"},
        TextCase{"Sect", R"({\rtf1 a\sect b})", "a\nb"},
        TextCase{"Line", R"({\rtf1 a\line b})", QStringLiteral(u"a\u2028b")},
        TextCase{"Tab", R"({\rtf1 a\tab b})", "a\tb"},
        TextCase{"TableRowIsParagraph", R"({\rtf1\trowd\cellx1000\cellx2000 a\cell b\cell\row c})",
                 "a\tb\t\nc"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Characters, RtfText,
    ::testing::Values(
        TextCase{"Hex1252ByDefault", R"({\rtf1 caf\'e9 \'80})", QStringLiteral(u"caf\u00E9 \u20AC")},
        TextCase{"HexUpperCase", R"({\rtf1 \'C9})", QStringLiteral(u"\u00C9")},
        TextCase{"AnsiCodePage1251", R"({\rtf1\ansi\ansicpg1251 \'c0\'e1})",
                 QStringLiteral(u"\u0410\u0431")},
        TextCase{"AnsiCodePage1250", R"({\rtf1\ansi\ansicpg1250 \'8a})", QStringLiteral(u"\u0160")},
        TextCase{"MacCharacterSet", R"({\rtf1\mac \'80})", QStringLiteral(u"\u00C4")},
        TextCase{"FontCharsetChoosesCodePage",
                 R"({\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}}\'c0\f1\'c0\f0\'c0})",
                 QStringLiteral(u"\u00C0\u0410\u00C0")},
        TextCase{"FontCodePageWord", R"({\rtf1{\fonttbl{\f1\cpg1253 G;}}\f1\'c1})",
                 QStringLiteral(u"\u0391")},
        TextCase{"DoubleByteSplitOverEscapes",
                 R"({\rtf1\ansi\ansicpg932 \'82\'a0\'93\'fa})", QStringLiteral(u"\u3042\u65E5")},
        TextCase{"DoubleByteWithLiteralTrailByte", R"({\rtf1\ansi\ansicpg932 \'83\'5c})",
                 QStringLiteral(u"\u30BD")},
        TextCase{"RawHighBytes", "{\\rtf1 caf\xE9}", QStringLiteral(u"caf\u00E9")},
        TextCase{"Unicode", R"({\rtf1 \u8364?})", QStringLiteral(u"\u20AC")},
        TextCase{"UnicodeNegative", R"({\rtf1 \u-3913?})", QStringLiteral(u"\uF0B7")},
        TextCase{"UnicodeSkipsHexFallback", R"({\rtf1 \u233\'e9x})", QStringLiteral(u"\u00E9x")},
        TextCase{"Uc0SkipsNothing", R"({\rtf1\uc0 \u233 x})", QStringLiteral(u"\u00E9x")},
        TextCase{"Uc2SkipsTwo", R"({\rtf1\uc2 \u21834\'88\'ea x})", QStringLiteral(u"\u554A x")},
        TextCase{"UcIsScopedToGroup", R"({\rtf1{\uc2 \u233 ab}\u233 cd})",
                 QStringLiteral(u"\u00E9\u00E9d")},
        TextCase{"SkipStopsAtBrace", R"({\rtf1\uc3 {\u233 a}bc})", QStringLiteral(u"\u00E9bc")},
        TextCase{"SkipCountsControlWord", R"({\rtf1 \u233\emdash x})", QStringLiteral(u"\u00E9x")},
        TextCase{"SurrogatePair", R"({\rtf1 \u-10179?\u-8704?})", QStringLiteral(u"\U0001F600")},
        TextCase{"LoneHighSurrogate", R"({\rtf1 \u-10179?x})", QStringLiteral(u"\uFFFDx")},
        TextCase{"LoneLowSurrogate", R"({\rtf1 \u-8704?x})", QStringLiteral(u"\uFFFDx")},
        TextCase{"Specials", R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})",
                 QStringLiteral(u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D")},
        TextCase{"SpecialSymbols", R"({\rtf1 a\~b\-c\_d})", QStringLiteral(u"a\u00A0b\u00ADc\u2011d")},
        TextCase{"HiddenText", R"({\rtf1 a\v secret\v0 b})", "ab"},
        TextCase{"HiddenTextScopedToGroup", R"({\rtf1 a{\v secret}b})", "ab"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Skipped, RtfText,
    ::testing::Values(
        TextCase{"StarredDestination", R"({\rtf1{\*\generator Writer 1.0;}a})", "a"},
        TextCase{"StarredNested", R"({\rtf1 a{\*\unknown b{c}\par d}e})", "ae"},
        TextCase{"FontTableNotText", R"({\rtf1{\fonttbl{\f0\fswiss Arial;}}a})", "a"},
        TextCase{"ColorTableNotText", R"({\rtf1{\colortbl;\red255\green0\blue0;}a})", "a"},
        TextCase{"StyleSheet", R"({\rtf1{\stylesheet{\s0 Normal;}}a})", "a"},
        TextCase{"Info", R"({\rtf1{\info{\title T}{\author A}}a})", "a"},
        TextCase{"Picture", R"({\rtf1 a{\pict\wmetafile8\picw100 0123456789abcdef}b})", "ab"},
        TextCase{"ShapePictureAndAlternative",
                 R"({\rtf1 a{\*\shppict{\pict\pngblip 89504e47}}{\nonshppict{\pict\wmetafile8 0100}}b})",
                 "ab"},
        TextCase{"Object", R"({\rtf1 a{\object\objemb{\*\objdata 0102}{\result{\pict 00}}}b})", "ab"},
        TextCase{"HeaderAndFooter",
                 R"({\rtf1{\header\pard Page head\par}{\footerl foot}{\headerf first}a})", "a"},
        TextCase{"Footnote", R"({\rtf1 a{\footnote note}b})", "ab"},
        TextCase{"FieldShowsResult",
                 R"({\rtf1{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})", "link"},
        TextCase{"FieldInstructionWithoutStar",
                 R"({\rtf1{\field{\fldinst PAGE}{\fldrslt 1}}})", "1"},
        TextCase{"ListTextShown", R"({\rtf1{\*\listtable{\list x}}{\listtext 1.\tab}Item})",
                 "1.\tItem"},
        TextCase{"BinaryDataSkipped", "{\\rtf1 a\\bin4 }{\\}b}", "ab"},
        TextCase{"BinaryInPictureSkipped", "{\\rtf1 a{\\pict\\bin3 {{{}b}", "ab"},
        TextCase{"BinaryZero", R"({\rtf1 a\bin0 b})", "ab"},
        TextCase{"HexInSkippedGroup", R"({\rtf1{\*\x \'7d}a})", "a"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Character formats ---------------------------------------------------

TEST(RtfFormats, BoldItalicUnderlineStrikeAtTheirPositions) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1 a{\b b}\i c\i0 d\ul e\ulnone\strike f\strike0 g\b\b0 h})", doc));
  ASSERT_EQ(doc.toPlainText(), "abcdefgh");
  struct Expect {
    int position;
    bool bold, italic, underline, strike;
  };
  const Expect expects[] = {
      {0, false, false, false, false}, {1, true, false, false, false},
      {2, false, true, false, false},  {3, false, false, false, false},
      {4, false, false, true, false},  {5, false, false, false, true},
      {6, false, false, false, false}, {7, false, false, false, false},
  };
  for (const Expect& e : expects) {
    const QTextCharFormat f = formatAt(doc, e.position);
    EXPECT_EQ(f.fontWeight() == QFont::Bold, e.bold) << "at " << e.position;
    EXPECT_EQ(f.fontItalic(), e.italic) << "at " << e.position;
    EXPECT_EQ(f.fontUnderline(), e.underline) << "at " << e.position;
    EXPECT_EQ(f.fontStrikeOut(), e.strike) << "at " << e.position;
  }
}

TEST(RtfFormats, UnderlineVariantsAndUl0) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1 \uldb a\ul0 b\ulw c\ulnone d})", doc));
  EXPECT_TRUE(formatAt(doc, 0).fontUnderline());
  EXPECT_FALSE(formatAt(doc, 1).fontUnderline());
  EXPECT_TRUE(formatAt(doc, 2).fontUnderline());
  EXPECT_FALSE(formatAt(doc, 3).fontUnderline());
}

TEST(RtfFormats, PlainResetsCharacterFormatting) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1 \b\i\fs40 a\plain b})", doc));
  EXPECT_EQ(formatAt(doc, 0).fontWeight(), QFont::Bold);
  EXPECT_DOUBLE_EQ(formatAt(doc, 0).fontPointSize(), 20.0);
  EXPECT_NE(formatAt(doc, 1).fontWeight(), QFont::Bold);
  EXPECT_FALSE(formatAt(doc, 1).fontItalic());
  EXPECT_DOUBLE_EQ(formatAt(doc, 1).fontPointSize(), 12.0);
}

TEST(RtfFormats, FontSizeInHalfPointsWithTwelvePointDefault) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1 a\fs20 b\fs17 c{\fs48 d}e})", doc));
  const double expected[] = {12.0, 10.0, 8.5, 24.0, 8.5};
  for (int i = 0; i < 5; ++i) {
    EXPECT_DOUBLE_EQ(formatAt(doc, i).fontPointSize(), expected[i]) << "at " << i;
  }
}

TEST(RtfFormats, SuperscriptAndSubscript) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1 x\super 2\nosupersub y\sub 3\nosupersub z})", doc));
  EXPECT_EQ(formatAt(doc, 1).verticalAlignment(), QTextCharFormat::AlignSuperScript);
  EXPECT_EQ(formatAt(doc, 2).verticalAlignment(), QTextCharFormat::AlignNormal);
  EXPECT_EQ(formatAt(doc, 3).verticalAlignment(), QTextCharFormat::AlignSubScript);
}

TEST(RtfFonts, FontTableNamesTheFamily) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(
      R"({\rtf1\ansi\deff0{\fonttbl{\f0\froman\fcharset0 Times New Roman;}{\f1\fmodern\fprq1 Courier New;}{\f2\fswiss{\*\panose 020b0604020202020204}Arial{\*\falt Helvetica};}}a\f1 b\f2 c\plain d})",
      doc));
  ASSERT_EQ(doc.toPlainText(), "abcd");
  EXPECT_EQ(formatAt(doc, 0).fontFamilies().toStringList(), QStringList{"Times New Roman"});
  EXPECT_EQ(formatAt(doc, 1).fontFamilies().toStringList(), QStringList{"Courier New"});
  EXPECT_TRUE(formatAt(doc, 1).fontFixedPitch());
  EXPECT_EQ(formatAt(doc, 1).fontStyleHint(), QFont::TypeWriter);
  EXPECT_EQ(formatAt(doc, 2).fontFamilies().toStringList(), QStringList{"Arial"});
  EXPECT_FALSE(formatAt(doc, 2).fontFixedPitch());
  EXPECT_TRUE(formatAt(doc, 2).hasProperty(QTextFormat::FontFixedPitch));
  EXPECT_EQ(formatAt(doc, 2).fontStyleHint(), QFont::SansSerif);
  EXPECT_EQ(formatAt(doc, 0).fontStyleHint(), QFont::Serif);
  // \plain goes back to the default font, \deff0.
  EXPECT_EQ(formatAt(doc, 3).fontFamilies().toStringList(), QStringList{"Times New Roman"});
}

TEST(RtfFonts, FontTableWithoutInnerGroups) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1{\fonttbl\f0\fswiss Helvetica;\f1\fmodern Courier;}\f1 x})", doc));
  EXPECT_EQ(formatAt(doc, 0).fontFamilies().toStringList(), QStringList{"Courier"});
}

TEST(RtfFonts, NoFontTableLeavesTheDocumentFont) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1 x})", doc));
  EXPECT_FALSE(formatAt(doc, 0).hasProperty(QTextFormat::FontFamilies));
}

TEST(RtfColors, ForegroundAndHighlightFromTheColourTable) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(
      R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green128\blue255;}a\cf1 b\cf2\highlight1 c\cf0\highlight0 d\cb2 e})",
      doc));
  ASSERT_EQ(doc.toPlainText(), "abcde");
  EXPECT_FALSE(formatAt(doc, 0).hasProperty(QTextFormat::ForegroundBrush));
  EXPECT_EQ(formatAt(doc, 1).foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(formatAt(doc, 2).foreground().color(), QColor(0, 128, 255));
  EXPECT_EQ(formatAt(doc, 2).background().color(), QColor(255, 0, 0));
  EXPECT_FALSE(formatAt(doc, 3).hasProperty(QTextFormat::ForegroundBrush));
  EXPECT_FALSE(formatAt(doc, 3).hasProperty(QTextFormat::BackgroundBrush));
  EXPECT_EQ(formatAt(doc, 4).background().color(), QColor(0, 128, 255));
}

TEST(RtfColors, IndexOutsideTheTableIsAutomatic) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1{\colortbl;\red1\green2\blue3;}\cf7 a})", doc));
  EXPECT_FALSE(formatAt(doc, 0).hasProperty(QTextFormat::ForegroundBrush));
}

// --- Paragraph formats ---------------------------------------------------

TEST(RtfParagraphs, AlignmentPerParagraph) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1\pard a\par\qc b\par\qr c\par\qj d\par\pard e})", doc));
  ASSERT_EQ(doc.blockCount(), 5);
  const Qt::Alignment expected[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                    Qt::AlignJustify, Qt::AlignLeft};
  int i = 0;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), ++i) {
    EXPECT_EQ(b.blockFormat().alignment(), expected[i]) << "paragraph " << i;
  }
}

TEST(RtfParagraphs, IndentsAndSpacingInTwips) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1\li1440\ri720\fi-360\sb240\sa120 a\par\pard b})", doc));
  const QTextBlockFormat first = doc.begin().blockFormat();
  // 1440 twips are an inch: 96 pixels of the document.
  EXPECT_DOUBLE_EQ(first.leftMargin(), 96.0);
  EXPECT_DOUBLE_EQ(first.rightMargin(), 48.0);
  EXPECT_DOUBLE_EQ(first.textIndent(), -24.0);
  EXPECT_DOUBLE_EQ(first.topMargin(), 16.0);
  EXPECT_DOUBLE_EQ(first.bottomMargin(), 8.0);
  const QTextBlockFormat second = doc.begin().next().blockFormat();
  EXPECT_DOUBLE_EQ(second.leftMargin(), 0.0);
  EXPECT_DOUBLE_EQ(second.textIndent(), 0.0);
}

TEST(RtfParagraphs, TabStops) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1\tx720\tqr\tx2880 a\tab b\par\pard c})", doc));
  const QList<QTextOption::Tab> tabs = doc.begin().blockFormat().tabPositions();
  ASSERT_EQ(tabs.size(), 2);
  EXPECT_DOUBLE_EQ(tabs[0].position, 48.0);
  EXPECT_EQ(tabs[0].type, QTextOption::LeftTab);
  EXPECT_DOUBLE_EQ(tabs[1].position, 192.0);
  EXPECT_EQ(tabs[1].type, QTextOption::RightTab);
  EXPECT_TRUE(doc.begin().next().blockFormat().tabPositions().isEmpty());
}

// Tab stops are measured from the margin in RTF but from the start of the
// line in the layout: they move by where the first line starts.
struct TabCase {
  const char* name;
  QByteArray rtf;
  QList<qreal> positions;  // layout pixels from the first line's start
};

class RtfTabStops : public ::testing::TestWithParam<TabCase> {};

TEST_P(RtfTabStops, AreMeasuredFromTheFirstLineStart) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(GetParam().rtf, doc));
  QList<qreal> positions;
  for (const QTextOption::Tab& tab : doc.begin().blockFormat().tabPositions()) {
    positions << tab.position;
  }
  EXPECT_EQ(positions, GetParam().positions);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfTabStops,
    ::testing::Values(TabCase{"NoIndent", R"({\rtf1\tx720\tx1440 a})", {48.0, 96.0}},
                      TabCase{"LeftIndent", R"({\rtf1\li720\tx1440 a})", {48.0}},
                      TabCase{"StopBehindLineStartDropped", R"({\rtf1\li1440\tx720\tx2160 a})", {48.0}},
                      TabCase{"HangingIndentIsAStop", R"({\rtf1\li720\fi-360 a})", {24.0}},
                      TabCase{"HangingIndentStopNotDoubled", R"({\rtf1\li720\fi-360\tx720 a})", {24.0}},
                      TabCase{"HangingIndentSorted", R"({\rtf1\li1440\fi-1440\tx720\tx2880 a})",
                              {48.0, 96.0, 192.0}},
                      TabCase{"FirstLineIndent", R"({\rtf1\fi720\tx1440 a})", {48.0}},
                      TabCase{"NoStops", R"({\rtf1 a})", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfParagraphs, DefaultTabWidth) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1\deftab360 a})", doc));
  EXPECT_DOUBLE_EQ(doc.defaultTextOption().tabStopDistance(), 24.0);
}

TEST(RtfParagraphs, PageBreakEndsTheParagraphOnItsPage) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1 a\page b})", doc));
  ASSERT_EQ(doc.blockCount(), 2);
  EXPECT_EQ(doc.begin().blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_AlwaysAfter);
  EXPECT_EQ(doc.begin().next().blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_Auto);
}

TEST(RtfParagraphs, EmptyParagraphTakesTheFontSize) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1\fs48 a\par\par b})", doc));
  EXPECT_DOUBLE_EQ(doc.begin().next().charFormat().fontPointSize(), 24.0);
}

// A document as a word processor writes it, end to end.
TEST(RtfDocument, WordPadStyleDocument) {
  const QByteArray rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 "
      "Calibri;}{\\f1\\fnil\\fcharset204 Calibri;}}\r\n"
      "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
      "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
      "\\pard\\sa200\\sl276\\slmult1\\qc\\b\\f0\\fs22\\lang9 Title\\par\r\n"
      "\\pard\\sa200\\sl276\\slmult1\\b0 Caf\\'e9 \\cf1 red\\cf0  \\f1\\lang1049\\'cf\\'f0\\'e8\\f0\\lang9 "
      "\\u8364?\\par\r\n}\r\n\0";
  QTextDocument doc;
  ASSERT_TRUE(readRtf(rtf, doc));
  EXPECT_EQ(test::blocksText(doc),
            QStringLiteral(u"Title\nCaf\u00E9 red \u041F\u0440\u0438\u20AC\n"));
  EXPECT_EQ(doc.begin().blockFormat().alignment(), Qt::AlignHCenter);
  EXPECT_EQ(formatAt(doc, 0).fontWeight(), QFont::Bold);
  EXPECT_DOUBLE_EQ(formatAt(doc, 0).fontPointSize(), 11.0);
  EXPECT_EQ(formatAt(doc, 0).fontFamilies().toStringList(), QStringList{"Calibri"});
  const int red = 11;  // "Title", the paragraph end, "Caf\u00E9 "
  EXPECT_EQ(formatAt(doc, red).foreground().color(), QColor(255, 0, 0));
  EXPECT_NE(formatAt(doc, red).fontWeight(), QFont::Bold);
  EXPECT_EQ(doc.begin().next().blockFormat().alignment(), Qt::AlignLeft);
}

// --- Parameters beyond their range ---------------------------------------

// Every parameter is clamped where it is read: lengths to 22 inches
// (31680 twips, 2112 pixels), so that no sum or negation of them overflows.
struct IndentCase {
  const char* name;
  QByteArray rtf;
  qreal left;
  qreal first;
  QList<qreal> tabs;
};

class RtfIndentLimits : public ::testing::TestWithParam<IndentCase> {};

TEST_P(RtfIndentLimits, AreClampedToTwentyTwoInches) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(GetParam().rtf, doc));
  const QTextBlockFormat format = doc.begin().blockFormat();
  EXPECT_DOUBLE_EQ(format.leftMargin(), GetParam().left);
  EXPECT_DOUBLE_EQ(format.textIndent(), GetParam().first);
  QList<qreal> tabs;
  for (const QTextOption::Tab& tab : format.tabPositions()) {
    tabs << tab.position;
  }
  EXPECT_EQ(tabs, GetParam().tabs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfIndentLimits,
    ::testing::Values(IndentCase{"MostNegativeFirstIndent", R"({\rtf1\fi-2147483648})", 0.0, -2112.0, {2112.0}},
                      IndentCase{"IndentSumPastIntMax", R"({\rtf1\li1\fi2147483647})", 1.0 / 15, 2112.0, {}},
                      IndentCase{"BothIndentsAtTheLimit", R"({\rtf1\li99999999999\fi99999999999\tx31680 a})",
                                 2112.0, 2112.0, {}},
                      IndentCase{"NegativeLeftIndent", R"({\rtf1\li-40000\fi-40000 a})", -2112.0, -2112.0,
                                 {2112.0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfLimits, SpacingIsNeverNegativeNorHuge) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1\sb-300\sa2147483647 a})", doc));
  EXPECT_DOUBLE_EQ(doc.begin().blockFormat().topMargin(), 0.0);
  EXPECT_DOUBLE_EQ(doc.begin().blockFormat().bottomMargin(), 2112.0);
}

TEST(RtfLimits, FontSizesStayBetweenDefaultAndLargest) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1\fs2147483647 a\fs-8 b\fs3276 c})", doc));
  EXPECT_DOUBLE_EQ(formatAt(doc, 0).fontPointSize(), 1638.0);
  EXPECT_DOUBLE_EQ(formatAt(doc, 1).fontPointSize(), 12.0);  // no size: the default
  EXPECT_DOUBLE_EQ(formatAt(doc, 2).fontPointSize(), 1638.0);
}

TEST(RtfLimits, NegativeColourIndexIsAutomatic) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf(R"({\rtf1{\colortbl;\red300\green-5\blue9;}\cf-2147483648 a\cf1 b})", doc));
  EXPECT_EQ(formatAt(doc, 0).foreground().style(), Qt::NoBrush);
  EXPECT_EQ(formatAt(doc, 1).foreground().color(), QColor(255, 0, 9));
}

INSTANTIATE_TEST_SUITE_P(
    UnicodeLimits, RtfText,
    ::testing::Values(
        TextCase{"MostNegative", R"({\rtf1 \u-2147483648?})", QStringLiteral(u"\u8000")},
        TextCase{"PastTheLastCodePoint", R"({\rtf1 \u2147483647?})", QStringLiteral(u"\U0010FFFF")},
        TextCase{"HugeSkipEndsAtTheGroup", R"({\rtf1 {\uc99999999999 \u65 abc}d})", "Ad"},
        TextCase{"NegativeSkipSkipsNothing", R"({\rtf1\uc-3 \u65 bc})", "Abc"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfLimits, TabStopsPerParagraphAreLimited) {
  QByteArray rtf = "{\\rtf1";
  for (int i = 1; i <= 100; ++i) {
    rtf += "\\tx" + QByteArray::number(i * 15);
  }
  QTextDocument doc;
  ASSERT_TRUE(readRtf(rtf + " a}", doc));
  const QList<QTextOption::Tab> tabs = doc.begin().blockFormat().tabPositions();
  ASSERT_EQ(tabs.size(), 64);
  EXPECT_DOUBLE_EQ(tabs.back().position, 64.0);
}

// --- Malformed input -----------------------------------------------------

struct MalformedCase {
  const char* name;
  QByteArray bytes;
};

class RtfMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(RtfMalformed, IsRefused) {
  QTextDocument doc;
  EXPECT_FALSE(readRtf(GetParam().bytes, doc));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfMalformed,
    ::testing::Values(MalformedCase{"PlainText", "Hello"}, MalformedCase{"Empty", ""},
                      MalformedCase{"LeadingSpace", " {\\rtf1 a}"},
                      MalformedCase{"NotRtfHeader", "{\\rt a}"},
                      MalformedCase{"OtherControlWordFirst", "{\\ansi\\rtf1 a}"},
                      MalformedCase{"Unclosed", "{\\rtf1 a"},
                      MalformedCase{"InnerGroupUnclosed", "{\\rtf1 {\\b a}"},
                      MalformedCase{"TrailingBackslash", "{\\rtf1 a\\"},
                      MalformedCase{"HexCutShort", "{\\rtf1 \\'4"},
                      MalformedCase{"HexBadDigit", "{\\rtf1 \\'4g}"},
                      MalformedCase{"BinaryPastEnd", "{\\rtf1 \\bin10 ab}"},
                      MalformedCase{"BinaryLengthPastIntMax", "{\\rtf1 \\bin99999999999 ab}"},
                      MalformedCase{"TooDeep", "{\\rtf1 " + QByteArray(5000, '{') + "a" +
                                                   QByteArray(5001, '}')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfMalformed, DeepButReasonableNestingIsRead) {
  QTextDocument doc;
  ASSERT_TRUE(readRtf("{\\rtf1 " + QByteArray(500, '{') + "a" + QByteArray(501, '}'), doc));
  EXPECT_EQ(doc.toPlainText(), "a");
}

TEST(RtfDocument, ReplacesPreviousContents) {
  QTextDocument doc;
  doc.setPlainText("old");
  ASSERT_TRUE(readRtf(R"({\rtf1 new})", doc));
  EXPECT_EQ(doc.toPlainText(), "new");
}

}  // namespace
}  // namespace wendterm
